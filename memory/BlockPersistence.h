#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>

#include <cstdint>
#include <functional>

// The file and resource side of the block persistence. The block operations size and check the
// block; these classes and functions open, move bytes and close. Functions that report a DWORD
// return ERROR_SUCCESS or the reason of the failure.

// An open file: owned (closed when the object goes, also when an exception passes) or borrowed
// from a caller, who keeps it open.
class BlockFile {
public:
    // Opens with CreateFileW, no security attributes and no template. When the open fails,
    // IsValid() is false and OpenError() holds GetLastError() of the failed call.
    BlockFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
    explicit BlockFile(HANDLE borrowed);

    bool IsValid() const { return KernelHandlePolicy::IsValid(handle); }
    DWORD OpenError() const { return openError; }
    HANDLE Handle() const { return handle; }

    // Gives an owned handle to the caller, who closes it from then on.
    HANDLE Release();

    DWORD Seek(DWORD moveMethod);
    DWORD Size(std::uint64_t& size) const;
    DWORD Position(std::uint64_t& position) const;

    // Whole-buffer transfers in chunks; a short write gives ERROR_WRITE_FAULT, a short read
    // ERROR_READ_FAULT.
    DWORD Write(const void* data, std::uint64_t size);
    DWORD Read(void* data, std::uint64_t size);

private:
    MKernelHandle owned;
    HANDLE handle;
    DWORD openError;
};

// The most bytes moved by one ReadFile or WriteFile call.
const DWORD blockChunkBytes = 0x40000000;

// Moves size bytes in consecutive calls of at most blockChunkBytes. step(offset, length, moved)
// moves one chunk and returns FALSE when its call failed, GetLastError() being the reason. A call
// that moves fewer bytes than asked ends the transfer, and a 64-bit total that differs from size
// gives shortError.
DWORD MoveInChunks(
    std::uint64_t size, DWORD shortError,
    const std::function<BOOL(std::uint64_t offset, DWORD length, DWORD& moved)>& step);

// Writes size bytes at data as resource id of the given type and language into moduleFile.
// False as soon as a step fails; a failed update is discarded and leaves the file unchanged.
bool SaveResourceBytes(const wchar_t* moduleFile, const wchar_t* type, WORD id, WORD language,
                       BOOL deleteExisting, const void* data, DWORD size);
