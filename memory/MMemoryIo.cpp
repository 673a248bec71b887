#include "memory/MMemoryIo.h"

namespace {

// The most a single ReadFile or WriteFile call is given.
const std::uint32_t largestTransfer = 0x40000000u;

// A pending update of a module's resources. Closing it discards the update; only a completed
// sequence commits.
struct ResourceUpdatePolicy {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type update) { return update != nullptr; }
    static void Close(Type update) { EndUpdateResourceW(update, TRUE); }
};

bool IsValidHandle(HANDLE file) {
    return file != INVALID_HANDLE_VALUE && file != nullptr;
}

bool OpenAndWrite(const wchar_t* file, DWORD disposition, DWORD flagsAndAttributes, bool atEnd,
                  const unsigned char* bytes, std::uint32_t size) {
    const MKernelHandle handle(
        CreateFileW(file, GENERIC_WRITE, 0, nullptr, disposition, flagsAndAttributes, nullptr));
    if (!handle.IsValid()) {
        return false;
    }
    if (atEnd) {
        LARGE_INTEGER zero = {};
        if (!SetFilePointerEx(handle.Get(), zero, nullptr, FILE_END)) {
            return false;
        }
    }
    return MMemoryIo::WriteAll(handle.Get(), bytes, size);
}

} // namespace

namespace MMemoryIo {

bool WriteAll(HANDLE file, const unsigned char* bytes, std::uint32_t size) {
    std::uint64_t written = 0;
    while (written < size) {
        const std::uint64_t rest = size - written;
        const DWORD piece = static_cast<DWORD>(rest < largestTransfer ? rest : largestTransfer);
        DWORD done = 0;
        if (!WriteFile(file, bytes + written, piece, &done, nullptr) || done == 0) {
            return false;
        }
        written += done;
    }
    return true;
}

bool AppendFile(const wchar_t* file, const unsigned char* bytes, std::uint32_t size) {
    return OpenAndWrite(file, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, true, bytes, size);
}

// A file beyond 4 GiB has its end beyond 32 bits: the position is asked for in two halves.
bool AppendTo(HANDLE file, const unsigned char* bytes, std::uint32_t size) {
    if (!IsValidHandle(file)) {
        return false;
    }
    LONG high = 0;
    SetLastError(NO_ERROR);
    if (SetFilePointer(file, 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        return false;
    }
    DWORD done = 0;
    return WriteFile(file, bytes, size, &done, nullptr) && done == size;
}

bool SaveFile(const wchar_t* file, DWORD flagsAndAttributes, const unsigned char* bytes,
              std::uint32_t size) {
    return OpenAndWrite(file, CREATE_ALWAYS, flagsAndAttributes, false, bytes, size);
}

bool WholeFileSize(HANDLE file, std::uint32_t& size) {
    if (!IsValidHandle(file)) {
        return false;
    }
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        return false;
    }
    if (high != 0) {
        return false;
    }
    size = low;
    return true;
}

bool ReadWholeFile(HANDLE file, unsigned char* bytes, std::uint32_t size) {
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) {
        return false;
    }
    DWORD done = 0;
    return ReadFile(file, bytes, size, &done, nullptr) && done == size;
}

ResourceBytes LockedResource(HMODULE module, const wchar_t* type, WORD id) {
    const ResourceBytes none = {nullptr, 0};
    if (module == nullptr) {
        module = GetModuleHandleW(nullptr);
    }
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) {
        return none;
    }
    const DWORD size = SizeofResource(module, found);
    const HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) {
        return none;
    }
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) {
        return none;
    }
    return ResourceBytes{bytes, size};
}

bool SaveToResource(const wchar_t* file, const wchar_t* type, WORD id, WORD language,
                    BOOL deleteExisting, const unsigned char* bytes, DWORD size) {
    MOwnedHandle<ResourceUpdatePolicy> update(BeginUpdateResourceW(file, deleteExisting));
    if (!update.IsValid()) {
        return false;
    }
    if (!UpdateResourceW(update.Get(), type, MAKEINTRESOURCEW(id), language,
                         const_cast<unsigned char*>(bytes), size)) {
        return false;
    }
    return EndUpdateResourceW(update.Release(), FALSE) != FALSE;
}

} // namespace MMemoryIo
