#include "crypt/CryptTestSupport.h"

#include <sddl.h>

#include <stdexcept>

namespace {

const wchar_t enhancedProvider[] = L"Microsoft Enhanced Cryptographic Provider v1.0";

MCryptProvider Acquire(const wchar_t* name, DWORD flags) {
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, name, enhancedProvider, PROV_RSA_FULL, flags)) {
        return MCryptProvider();
    }
    return MCryptProvider(provider);
}

} // namespace

UniqueContainer::UniqueContainer() {
    static unsigned serial = 0;
    name = L"Tornquill crypt test " + std::to_wstring(GetCurrentProcessId()) + L" " +
           std::to_wstring(GetTickCount()) + L" " + std::to_wstring(++serial);
}

UniqueContainer::~UniqueContainer() {
    HCRYPTPROV deleted = 0;
    CryptAcquireContextW(&deleted, name.c_str(), enhancedProvider, PROV_RSA_FULL,
                         CRYPT_MACHINE_KEYSET | CRYPT_DELETEKEYSET);
}

MCryptProvider UniqueContainer::Open() const {
    return Acquire(name.c_str(), CRYPT_MACHINE_KEYSET);
}

MCryptProvider UniqueContainer::Create() const {
    return Acquire(name.c_str(), CRYPT_MACHINE_KEYSET | CRYPT_NEWKEYSET);
}

std::vector<unsigned char> ContainerDescriptor(HCRYPTPROV provider) {
    DWORD size = 0;
    if (!CryptGetProvParam(provider, PP_KEYSET_SEC_DESCR, nullptr, &size,
                           DACL_SECURITY_INFORMATION)) {
        return {};
    }
    std::vector<unsigned char> descriptor(size);
    if (!CryptGetProvParam(provider, PP_KEYSET_SEC_DESCR, descriptor.data(), &size,
                           DACL_SECURITY_INFORMATION)) {
        return {};
    }
    descriptor.resize(size);
    return descriptor;
}

const ACCESS_ALLOWED_ACE* OnlyAllowedEntry(const SECURITY_DESCRIPTOR* descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(const_cast<SECURITY_DESCRIPTOR*>(descriptor), &present, &dacl,
                                   &defaulted) ||
        !present || dacl == nullptr || dacl->AceCount != 1) {
        return nullptr;
    }
    void* entry = nullptr;
    if (!GetAce(dacl, 0, &entry)) {
        return nullptr;
    }
    const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    return allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? allowed : nullptr;
}

AuthenticatedUsersSid::AuthenticatedUsersSid() : sid(nullptr) {
    if (!ConvertStringSidToSidW(L"S-1-5-11", &sid)) {
        throw std::runtime_error("S-1-5-11 not converted");
    }
}

AuthenticatedUsersSid::~AuthenticatedUsersSid() {
    LocalFree(sid);
}
