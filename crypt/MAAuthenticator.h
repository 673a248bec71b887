#pragma once

#include "crypt/MAsymmetric.h"
#include "crypt/MObserver.h"
#include "memory/MemoryPH.h"

#include <windows.h>

// Hashes whole files with a CryptoAPI hash of its provider context, for comparison with the
// hash code a server sent. Building one opens or creates the key container and generates a new
// signature key pair in it.
class MAAuthenticator : public MAsymmetric {
public:
    // MD2, MD4, MD5 and SHA-1.
    class MAAuthAlgHash : public MCryptBase::HashAlgId {
    public:
        explicit MAAuthAlgHash(ALG_ID id) : HashAlgId(id) {}

        MSmartPtr<HashAlgId> Clone() const override;
        // "MD2", "MD4", "MD5" or "SHA"; MCryptException 15 for any other identifier.
        MStringEx<wchar_t> Name() const override;
        // SHA-1 first, then MD2, MD4 and MD5.
        MList<const MSmartPtr<HashAlgId>> SupportedIds() const override;
    };

    class MAAuthAlgFlags : public MCryptBase::AlgFlags {
    public:
        explicit MAAuthAlgFlags(DWORD value = 0) : AlgFlags(value) {}
    };

    MAAuthenticator(const MStringEx<wchar_t>& containerName, const KeyLength& keyLength,
                    const MAAuthAlgHash& hashAlgorithm);

    // Takes the length as it is and generates a new key pair of that length.
    void SetKeyLength(const KeyLength& length) override;
    void RegenerateKey() override;

    virtual void SetFlags(const AlgFlags& newFlags) { flags = MAAuthAlgFlags(newFlags.Value()); }
    virtual AlgFlags GetFlags() const { return AlgFlags(flags.Value()); }

    // The hash of the whole file, read from its start in blocks of at most 1 MiB into digest.
    // file must be open for reading; it is left where it was found, on every path. The observer
    // is told before every read, including the last one that finds the end; when it says stop,
    // digest is emptied and the call returns. A failed file or CryptoAPI call throws
    // MCryptException (8, error).
    void HashFile(HANDLE file, MemoryPH<unsigned char, 0>& digest, MObserver& observer) const;

    // The bytes of a hash code sent as UTF-16 text of hexadecimal digits in capitals, two per
    // byte, high nibble first, up to the first NUL. Nothing is trimmed and no case is folded:
    // an odd byte count throws MUnitException 5, a character beyond ASCII or any other character
    // that is not such a digit MAtomException (10, 13), an odd number of digits
    // MAtomException (5, 0).
    static MemoryPH<unsigned char, 0> DecodeHashCode(const MAtom<unsigned char>& value);

private:
    MAAuthAlgHash hashAlgorithm;
    MAAuthAlgFlags flags;
};
