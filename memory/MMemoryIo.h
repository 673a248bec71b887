#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>

#include <cstdint>

// A module loaded for its resources.
struct ModuleHandlePolicy {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type module) { return module != nullptr; }
    static void Close(Type module) { FreeLibrary(module); }
};

using MModuleHandle = MOwnedHandle<ModuleHandlePolicy>;

// The file and resource transfers of the byte-counted blocks, on plain bytes. Every one reports
// failure by its result.
namespace MMemoryIo {

// Writes all bytes at the current position, in pieces a single WriteFile call can take.
bool WriteAll(HANDLE file, const unsigned char* bytes, std::uint32_t size);

// Opens or creates the file and writes the bytes at its end.
bool AppendFile(const wchar_t* file, const unsigned char* bytes, std::uint32_t size);

// Writes the bytes at the end of an open file in one call.
bool AppendTo(HANDLE file, const unsigned char* bytes, std::uint32_t size);

// Creates or replaces the file with the bytes.
bool SaveFile(const wchar_t* file, DWORD flagsAndAttributes, const unsigned char* bytes,
              std::uint32_t size);

// The size of an open file when it fits 32 bits.
bool WholeFileSize(HANDLE file, std::uint32_t& size);

// Reads size bytes from the start of an open file in one call; true only when all arrived.
bool ReadWholeFile(HANDLE file, unsigned char* bytes, std::uint32_t size);

// The locked data of a resource, null when there is none. A null module is the program's own.
struct ResourceBytes {
    const void* bytes;
    DWORD size;
};

ResourceBytes LockedResource(HMODULE module, const wchar_t* type, WORD id);

// Replaces the resource in a module file; a failed step leaves the file as it was.
bool SaveToResource(const wchar_t* file, const wchar_t* type, WORD id, WORD language,
                    BOOL deleteExisting, const unsigned char* bytes, DWORD size);

} // namespace MMemoryIo
