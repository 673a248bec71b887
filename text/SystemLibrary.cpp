#include "text/SystemLibrary.h"

#include "text/MStringEx.h"

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const MStringEx<wchar_t> path = MStringEx<wchar_t>(folder) + L"\\" + name;
    return LoadLibraryExW(path.data, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
