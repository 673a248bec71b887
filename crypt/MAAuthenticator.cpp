#include "crypt/MAAuthenticator.h"

#include "memory/DecodeHex.h"
#include "memory/MExceptions.h"
#include "text/CodePage.h"

#include <cstdint>
#include <new>

namespace {

const std::uint64_t largestBlock = 0x100000;

// Puts a file back at the position where hashing found it, when the hashing ends in any other
// way than through Restore; a failure there is ignored, the hashing has its outcome already.
class SavedPosition {
public:
    explicit SavedPosition(HANDLE file) : file(file), pending(false) {
        LARGE_INTEGER zero = {};
        if (!SetFilePointerEx(file, zero, &position, FILE_CURRENT)) {
            throw MCryptException(MCryptException::callFailed, GetLastError());
        }
        pending = true;
    }
    ~SavedPosition() {
        if (pending) {
            SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
        }
    }
    SavedPosition(const SavedPosition&) = delete;
    SavedPosition& operator=(const SavedPosition&) = delete;

    void Restore() {
        pending = false;
        if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) {
            throw MCryptException(MCryptException::callFailed, GetLastError());
        }
    }

private:
    HANDLE file;
    LARGE_INTEGER position;
    bool pending;
};

// A hash code is ASCII text; anything beyond ASCII is refused before the ANSI conversion, whose
// best-fit mapping would turn look-alikes such as fullwidth digits or accented capitals into the
// hexadecimal digits they resemble.
void RefuseBeyondAscii(const MStringEx<wchar_t>& text) {
    const std::uint32_t length = text.Length().Value();
    for (std::uint32_t i = 0; i < length; ++i) {
        if (text.data[i] > 0x7F) {
            throw MAtomException(MAtomException::notHexadecimal);
        }
    }
}

void Check(BOOL succeeded) {
    if (!succeeded) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
}

} // namespace

MSmartPtr<MCryptBase::HashAlgId> MAAuthenticator::MAAuthAlgHash::Clone() const {
    return MSmartPtr<HashAlgId>(new (std::nothrow) MAAuthAlgHash(Id()));
}

MStringEx<wchar_t> MAAuthenticator::MAAuthAlgHash::Name() const {
    switch (Id()) {
    case CALG_MD2:
        return MStringEx<wchar_t>(L"MD2");
    case CALG_MD4:
        return MStringEx<wchar_t>(L"MD4");
    case CALG_MD5:
        return MStringEx<wchar_t>(L"MD5");
    case CALG_SHA1:
        return MStringEx<wchar_t>(L"SHA");
    default:
        throw MCryptException(MCryptException::unnamedHashAlgorithm);
    }
}

MList<const MSmartPtr<MCryptBase::HashAlgId>> MAAuthenticator::MAAuthAlgHash::SupportedIds() const {
    using Owned = const MSmartPtr<HashAlgId>;
    // One identifier at a time, each owned from its allocation on, so that a failed allocation
    // loses nothing.
    MList<Owned> ids;
    for (const ALG_ID id : {CALG_SHA1, CALG_MD2, CALG_MD4, CALG_MD5}) {
        MSmartPtr<HashAlgId> algorithm(new MAAuthAlgHash(id));
        Owned* owner = new Owned(algorithm.Get());
        algorithm.Release();
        ids.Add(owner);
    }
    return ids;
}

MAAuthenticator::MAAuthenticator(const MStringEx<wchar_t>& containerName,
                                 const KeyLength& keyLength, const MAAuthAlgHash& hashAlgorithm)
    : MAsymmetric(containerName, keyLength), hashAlgorithm(hashAlgorithm), flags(0) {}

void MAAuthenticator::SetKeyLength(const KeyLength& length) {
    keyLength = length;
    GenerateKey();
}

void MAAuthenticator::RegenerateKey() {
    GenerateKey();
}

void MAAuthenticator::HashFile(HANDLE file, MemoryPH<unsigned char, 0>& digest,
                               MObserver& observer) const {
    SavedPosition saved(file);
    LARGE_INTEGER zero = {};
    Check(SetFilePointerEx(file, zero, nullptr, FILE_BEGIN));

    MCryptHash hash;
    Check(CryptCreateHash(Provider(), hashAlgorithm.Id(), 0, 0, hash.Put()));

    LARGE_INTEGER fileSize;
    Check(GetFileSizeEx(file, &fileSize));
    const std::uint64_t size = static_cast<std::uint64_t>(fileSize.QuadPart);
    const std::uint64_t blockSize = size < largestBlock ? size : largestBlock;
    MemoryPH<unsigned char, 0> block(MUnits(static_cast<std::uint32_t>(blockSize)));

    for (std::uint64_t done = 0;;) {
        const std::uint64_t room = UINT64_MAX - done;
        const std::uint64_t n = blockSize < room ? blockSize : room;
        if (!observer.Notify(done, size, n)) {
            digest.Clear();
            return;
        }
        DWORD read = 0;
        Check(ReadFile(file, block.data, static_cast<DWORD>(n), &read, nullptr));
        if (read == 0) {
            break;
        }
        Check(CryptHashData(hash.Get(), block.data, read, 0));
        done += read;
    }

    DWORD hashSize = 0;
    DWORD length = sizeof hashSize;
    Check(
        CryptGetHashParam(hash.Get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&hashSize), &length, 0));
    digest.SetCount(hashSize);
    DWORD valueLength = hashSize;
    Check(CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data, &valueLength, 0));
    digest.Truncate(valueLength);
    saved.Restore();
}

MemoryPH<unsigned char, 0> MAAuthenticator::DecodeHashCode(const MAtom<unsigned char>& value) {
    const MStringEx<wchar_t> text = MStringEx<wchar_t>::FromBuffer(ShellMemory<wchar_t>(value));
    RefuseBeyondAscii(text);
    MStringEx<char> narrow = ToNarrow(text);
    ShellMemory<unsigned char> code(narrow, 0, text.Length());
    DecodeHex(code);
    return MemoryPH<unsigned char, 0>(code);
}

#if !defined(_WIN64)
static_assert(sizeof(MAAuthenticator) == 40, "base, hash algorithm, flags");
#endif
