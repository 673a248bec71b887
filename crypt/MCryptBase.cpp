#include "crypt/MCryptBase.h"

#include "crypt/KeysetSecurity.h"
#include "memory/MExceptions.h"

#include <new>

namespace {

const wchar_t enhancedProvider[] = L"Microsoft Enhanced Cryptographic Provider v1.0";

} // namespace

MSmartPtr<MCryptBase::HashAlgId> MCryptBase::HashAlgId::Clone() const {
    return MSmartPtr<HashAlgId>(new (std::nothrow) HashAlgId(id));
}

bool MCryptBase::KeyLengthBase::Accepts(std::uint32_t length) const {
    return length >= Minimum() && length <= Maximum() && length % Step() == 0;
}

void MCryptBase::KeyLengthBase::Increase() {
    const std::uint16_t longer = static_cast<std::uint16_t>(bits + Step());
    if (!Accepts(longer)) {
        throw MCryptException(MCryptException::invalidKeyLength);
    }
    bits = longer;
}

// The whole argument is checked: a length beyond 16 bits must not pass as its low half.
void MCryptBase::KeyLengthBase::SetBits(std::uint32_t newBits) {
    if (!Accepts(newBits)) {
        throw MCryptException(MCryptException::invalidKeyLength);
    }
    bits = static_cast<std::uint16_t>(newBits);
}

MCryptBase::MCryptBase(const MStringEx<wchar_t>& containerName)
    : provider(), providerType(PROV_RSA_FULL) {
    provider = AcquireProvider(containerName.data, providerType);
    if (!provider.IsValid()) {
        throw MCryptException(MCryptException::noProviderContext);
    }
}

HCRYPTPROV MCryptBase::AcquireProvider(const wchar_t* containerName, DWORD providerType) {
    HCRYPTPROV opened = 0;
    if (CryptAcquireContextW(&opened, containerName, enhancedProvider, providerType,
                             CRYPT_MACHINE_KEYSET)) {
        return opened;
    }
    if (GetLastError() != static_cast<DWORD>(NTE_BAD_KEYSET)) {
        return 0;
    }
    HCRYPTPROV created = 0;
    if (!CryptAcquireContextW(&created, containerName, enhancedProvider, providerType,
                              CRYPT_MACHINE_KEYSET | CRYPT_NEWKEYSET) ||
        created == 0) {
        return 0;
    }
    // The container works with the provider's default security as well.
    try {
        KeysetSecurity().ApplyTo(created);
    } catch (...) {
    }
    return created;
}

#if !defined(_WIN64)
static_assert(sizeof(MCryptBase) == 12, "table pointer, provider handle, provider type");
static_assert(sizeof(MCryptBase::HashAlgId) == 8, "table pointer, identifier");
static_assert(sizeof(MCryptBase::AlgFlags) == 8, "table pointer, flags");
#endif
