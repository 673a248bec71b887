#pragma once

#include "crypt/CryptHandles.h"
#include "memory/MMemoryPH.h"

#include <windows.h>
#include <wincrypt.h>

// The security of a newly created key container: a descriptor whose DACL lets every
// authenticated user of the machine (S-1-5-11) read, write and use it. The constructor builds it
// and throws MCryptException (8, GetLastError()) at the first step that fails; what was built
// is freed either way.
class KeysetSecurity {
public:
    KeysetSecurity();
    KeysetSecurity(const KeysetSecurity&) = delete;
    KeysetSecurity& operator=(const KeysetSecurity&) = delete;

    // Gives the container of provider the descriptor's DACL; MCryptException 8 when refused.
    void ApplyTo(HCRYPTPROV provider) const;

    const SECURITY_DESCRIPTOR* Descriptor() const { return &descriptor; }

private:
    SECURITY_DESCRIPTOR descriptor;
    MSid authenticatedUsers;
    MMemoryPH<PACL, HEAP_ZERO_MEMORY | HEAP_GENERATE_EXCEPTIONS> acl;
};
