#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>
#include <wincrypt.h>

// Owners of the cryptographic provider's handles and of security identifiers, each released the
// way its kind requires. CryptoAPI handles are numbers: 0 means that nothing is held.

inline void ReleaseProvider(HCRYPTPROV provider) {
    CryptReleaseContext(provider, 0);
}

using MCryptProvider = MOwnedHandle<MHandlePolicy<HCRYPTPROV, ReleaseProvider>>;
using MCryptKey = MOwnedHandle<MHandlePolicy<HCRYPTKEY, CryptDestroyKey>>;
using MCryptHash = MOwnedHandle<MHandlePolicy<HCRYPTHASH, CryptDestroyHash>>;
// A security identifier from AllocateAndInitializeSid.
using MSid = MOwnedHandle<MHandlePolicy<PSID, FreeSid>>;
