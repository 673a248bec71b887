#include "text/MStringEx.h"
#include "text/SystemLibrary.h"

#include <winver.h>

namespace {

// The version functions, from VERSION.dll loaded at run time: Windows 7 does not count it among
// the libraries that it takes from the system folder only, so an import of it would let a file of
// that name beside the program be loaded in its place.
class VersionFunctions {
public:
    VersionFunctions() : library(LoadSystemLibrary(L"version.dll")) {
        infoSize =
            LibraryFunction<decltype(&GetFileVersionInfoSizeW)>(library, "GetFileVersionInfoSizeW");
        info = LibraryFunction<decltype(&GetFileVersionInfoW)>(library, "GetFileVersionInfoW");
        query = LibraryFunction<decltype(&VerQueryValueW)>(library, "VerQueryValueW");
    }

    bool IsComplete() const { return infoSize != nullptr && info != nullptr && query != nullptr; }

    decltype(&GetFileVersionInfoSizeW) infoSize = nullptr;
    decltype(&GetFileVersionInfoW) info = nullptr;
    decltype(&VerQueryValueW) query = nullptr;

private:
    MLibraryHandle library;
};

} // namespace

// The value is looked up under each translation the resource lists, in their order; the first
// one that has the key gives it.
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromVersionInfo(const wchar_t* key) {
    const VersionFunctions version;
    if (!version.IsComplete()) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    MemoryPH<wchar_t, 0> path(40000);
    const DWORD pathLength = GetModuleFileNameW(nullptr, path.data, path.count.Value());
    if (pathLength == 0 || pathLength >= path.count.Value()) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    DWORD unused = 0;
    const DWORD size = version.infoSize(path.data, &unused);
    if (size == 0) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }
    MemoryPH<unsigned char, 1> versionData(size);
    if (!version.info(path.data, 0, size, versionData.data)) {
        throw MStringExException(MStringExException::missingOrEmpty);
    }

    void* translations = nullptr;
    UINT translationBytes = 0;
    if (!version.query(versionData.data, L"\\VarFileInfo\\Translation", &translations,
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
        if (version.query(versionData.data, query.data, &value, &valueLength) && value != nullptr) {
            return FromBuffer(ShellMemory<wchar_t>(valueLength, static_cast<wchar_t*>(value)));
        }
    }
    throw MStringExException(MStringExException::missingOrEmpty);
}
