#include "text/ResourceString.h"

HINSTANCE appInstance = nullptr;

// A string-table resource holds its identifiers sixteen to a block: block id / 16 + 1, entry
// id mod 16. Each entry is a 16-bit length followed by that many UTF-16 code units, with no
// terminator; unused entries have length 0.
void LoadResourceString(HINSTANCE module, MStringEx<wchar_t>& target, UINT id) {
    // Resource names are 16 bits wide; a larger identifier would wrap onto another entry.
    if (id > 0xFFFF) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    if (module == nullptr) {
        module = GetModuleHandleW(nullptr);
    }
    HRSRC block = FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
    if (block == nullptr) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    const DWORD size = SizeofResource(module, block);
    HGLOBAL loaded = LoadResource(module, block);
    if (loaded == nullptr) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    auto* units = static_cast<wchar_t*>(LockResource(loaded));
    if (units == nullptr) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    // Every position is checked against the end of the block before it is read, so a damaged
    // table cannot lead the loader outside the resource.
    const DWORD end = size / sizeof(wchar_t);
    DWORD position = 0;
    for (UINT entry = 0;; ++entry) {
        if (position >= end) {
            throw MStringExException(MStringExException::missingOrEmpty);
        }
        if (entry == id % 16) {
            break;
        }
        position += 1 + static_cast<DWORD>(units[position]);
    }
    const DWORD length = units[position];
    if (length == 0 || length > end - position - 1) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    target = MStringEx<wchar_t>::FromBuffer(ShellMemory<wchar_t>(length, units + position + 1));
}
