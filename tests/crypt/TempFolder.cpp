#include "crypt/TempFolder.h"

#include "memory/MOwnedHandle.h"

#include <stdexcept>

namespace {

struct FindHandlePolicy {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type search) { return search != INVALID_HANDLE_VALUE; }
    static void Close(Type search) { FindClose(search); }
};

} // namespace

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (unsigned attempt = GetTickCount();; ++attempt) {
        folder = std::wstring(temp) + L"crypt-test-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create a temporary folder");
        }
    }
}

TempFolder::~TempFolder() {
    {
        WIN32_FIND_DATAW found;
        const MOwnedHandle<FindHandlePolicy> search(FindFirstFileW(Path(L"*").c_str(), &found));
        for (bool more = search.IsValid(); more; more = FindNextFileW(search.Get(), &found)) {
            DeleteFileW(Path(found.cFileName).c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}
