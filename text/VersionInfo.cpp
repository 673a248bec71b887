#include "text/MStringEx.h"

// The value is looked up under each translation the resource lists, in their order; the first
// one that has the key gives it.
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromVersionInfo(const wchar_t* key) {
    MemoryPH<wchar_t, 0> path(40000);
    const DWORD pathLength = GetModuleFileNameW(nullptr, path.data, path.count.Value());
    if (pathLength == 0 || pathLength >= path.count.Value()) {
        throw MStringExException(0);
    }
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.data, &unused);
    if (size == 0) {
        throw MStringExException(0);
    }
    MemoryPH<unsigned char, 1> versionData(size);
    if (!GetFileVersionInfoW(path.data, 0, size, versionData.data)) {
        throw MStringExException(0);
    }

    void* translations = nullptr;
    UINT translationBytes = 0;
    if (!VerQueryValueW(versionData.data, L"\\VarFileInfo\\Translation", &translations,
                        &translationBytes) ||
        translations == nullptr) {
        translationBytes = 0;
    }
    // Each translation is a language identifier followed by a code page, 16 bits each.
    const auto* translation = static_cast<const WORD*>(translations);
    for (UINT i = 0; i < translationBytes / 4; ++i) {
        const MStringEx query = Printf(L"\\StringFileInfo\\%04x%04x\\%s", translation[2 * i],
                                       translation[2 * i + 1], key);
        void* value = nullptr;
        UINT valueLength = 0;
        if (VerQueryValueW(versionData.data, query.data, &value, &valueLength) &&
            value != nullptr) {
            return FromBuffer(ShellMemory<wchar_t>(valueLength, static_cast<wchar_t*>(value)));
        }
    }
    throw MStringExException(0);
}
