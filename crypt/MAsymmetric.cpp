#include "crypt/MAsymmetric.h"

#include "memory/MExceptions.h"

MAsymmetric::MAsymmetric(const MStringEx<wchar_t>& containerName, const KeyLength& keyLength)
    : MCryptBase(containerName), key(), keyLength(keyLength) {
    GenerateKey();
}

void MAsymmetric::GenerateKey() {
    key.Close();
    const DWORD flags =
        static_cast<DWORD>(keyLength.Bits()) << 16 | CRYPT_EXPORTABLE | CRYPT_NO_SALT;
    HCRYPTKEY generated = 0;
    if (!CryptGenKey(Provider(), AT_SIGNATURE, flags, &generated)) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
    key = generated;
}

#if !defined(_WIN64)
static_assert(sizeof(MAsymmetric::KeyLength) == 8, "table pointer, bits");
static_assert(sizeof(MAsymmetric) == 24, "base, key handle, key length");
#endif
