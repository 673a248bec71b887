#include "crypt/KeysetSecurity.h"

#include "memory/MExceptions.h"

namespace {

// The ACL header and the header and mask of its one access-allowed entry; the entry's
// security identifier takes the rest.
const DWORD aclOverhead = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);

const DWORD containerAccess = GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE;

SECURITY_DESCRIPTOR EmptyDescriptor() {
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
    return descriptor;
}

MSid AuthenticatedUsers() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    MSid sid;
    if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0, 0,
                                  0, 0, sid.Put())) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
    return sid;
}

} // namespace

KeysetSecurity::KeysetSecurity()
    : descriptor(EmptyDescriptor()), authenticatedUsers(AuthenticatedUsers()),
      acl(GetLengthSid(authenticatedUsers.Get()) + aclOverhead) {
    PACL list = reinterpret_cast<PACL>(acl.data);
    if (!InitializeAcl(list, acl.SizeAsDword(), ACL_REVISION) ||
        !AddAccessAllowedAce(list, ACL_REVISION, containerAccess, authenticatedUsers.Get()) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE)) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
}

void KeysetSecurity::ApplyTo(HCRYPTPROV provider) const {
    if (!CryptSetProvParam(provider, PP_KEYSET_SEC_DESCR,
                           reinterpret_cast<const BYTE*>(&descriptor), DACL_SECURITY_INFORMATION)) {
        throw MCryptException(MCryptException::callFailed, GetLastError());
    }
}
