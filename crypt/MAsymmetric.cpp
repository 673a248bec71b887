#include "crypt/MAsymmetric.h"

#include "memory/MExceptions.h"

MAsymmetric::MAsymmetric(const MStringEx<wchar_t>& containerName, const KeyLength& keyLength)
    : MCryptBase(containerName), key(), keyLength(keyLength) {
    GenerateKey();
}

void MAsymmetric::GenerateKey() {
    const DWORD flags =
        static_cast<DWORD>(keyLength.Bits()) << 16 | CRYPT_EXPORTABLE | CRYPT_NO_SALT;
    if (!CryptGenKey(Provider(), AT_SIGNATURE, flags, key.Put())) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
}

#if !defined(_WIN64)
static_assert(sizeof(MAsymmetric::KeyLength) == 8, "table pointer, bits");
static_assert(sizeof(MAsymmetric) == 24, "base, key handle, key length");
#endif
