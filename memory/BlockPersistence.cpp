#include "memory/BlockPersistence.h"

BlockFile::BlockFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
    : owned(CreateFileW(path, access, share, nullptr, disposition, flags, nullptr)),
      handle(owned.Get()), openError(ERROR_SUCCESS) {
    if (!IsValid()) {
        openError = GetLastError();
    }
}

BlockFile::BlockFile(HANDLE borrowed) : handle(borrowed), openError(ERROR_SUCCESS) {}

HANDLE BlockFile::Release() {
    handle = INVALID_HANDLE_VALUE;
    return owned.Release();
}

DWORD BlockFile::Seek(DWORD moveMethod) {
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    return SetFilePointerEx(handle, distance, nullptr, moveMethod) ? ERROR_SUCCESS : GetLastError();
}

DWORD BlockFile::Size(std::uint64_t& size) const {
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(handle, &fileSize)) {
        return GetLastError();
    }
    size = static_cast<std::uint64_t>(fileSize.QuadPart);
    return ERROR_SUCCESS;
}

DWORD BlockFile::Position(std::uint64_t& position) const {
    LARGE_INTEGER distance;
    distance.QuadPart = 0;
    LARGE_INTEGER current;
    if (!SetFilePointerEx(handle, distance, &current, FILE_CURRENT)) {
        return GetLastError();
    }
    position = static_cast<std::uint64_t>(current.QuadPart);
    return ERROR_SUCCESS;
}

DWORD BlockFile::Write(const void* data, std::uint64_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    return MoveInChunks(size, ERROR_WRITE_FAULT,
                        [&](std::uint64_t offset, DWORD length, DWORD& moved) {
                            return WriteFile(handle, bytes + offset, length, &moved, nullptr);
                        });
}

DWORD BlockFile::Read(void* data, std::uint64_t size) {
    unsigned char* bytes = static_cast<unsigned char*>(data);
    return MoveInChunks(size, ERROR_READ_FAULT,
                        [&](std::uint64_t offset, DWORD length, DWORD& moved) {
                            return ReadFile(handle, bytes + offset, length, &moved, nullptr);
                        });
}

DWORD MoveInChunks(
    std::uint64_t size, DWORD shortError,
    const std::function<BOOL(std::uint64_t offset, DWORD length, DWORD& moved)>& step) {
    std::uint64_t total = 0;
    while (total < size) {
        const std::uint64_t left = size - total;
        const DWORD length = left < blockChunkBytes ? static_cast<DWORD>(left) : blockChunkBytes;
        DWORD moved = 0;
        if (!step(total, length, moved)) {
            const DWORD error = GetLastError();
            return error != ERROR_SUCCESS ? error : shortError;
        }
        total += moved;
        if (moved != length) {
            break;
        }
    }
    return total == size ? ERROR_SUCCESS : shortError;
}

bool SaveResourceBytes(const wchar_t* moduleFile, const wchar_t* type, WORD id, WORD language,
                       BOOL deleteExisting, const void* data, DWORD size) {
    MResourceUpdate update(BeginUpdateResourceW(moduleFile, deleteExisting));
    if (!update.IsValid()) {
        return false;
    }
    if (!UpdateResourceW(update.Get(), type, MAKEINTRESOURCEW(id), language,
                         const_cast<void*>(data), size)) {
        return false;
    }
    return EndUpdateResourceW(update.Release(), FALSE) != FALSE;
}
