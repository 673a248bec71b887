#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>
#include <wincrypt.h>

// Owners of the cryptographic provider's handles and of security identifiers, each released the
// way its kind requires. CryptoAPI handles are numbers: 0 means that nothing is held.

struct CryptProviderPolicy {
    using Type = HCRYPTPROV;
    static Type Empty() { return 0; }
    static bool IsValid(Type provider) { return provider != 0; }
    static void Close(Type provider) { CryptReleaseContext(provider, 0); }
};

using MCryptProvider = MOwnedHandle<CryptProviderPolicy>;

struct CryptKeyPolicy {
    using Type = HCRYPTKEY;
    static Type Empty() { return 0; }
    static bool IsValid(Type key) { return key != 0; }
    static void Close(Type key) { CryptDestroyKey(key); }
};

using MCryptKey = MOwnedHandle<CryptKeyPolicy>;

struct CryptHashPolicy {
    using Type = HCRYPTHASH;
    static Type Empty() { return 0; }
    static bool IsValid(Type hash) { return hash != 0; }
    static void Close(Type hash) { CryptDestroyHash(hash); }
};

using MCryptHash = MOwnedHandle<CryptHashPolicy>;

// A security identifier from AllocateAndInitializeSid.
struct SidPolicy {
    using Type = PSID;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type sid) { return sid != nullptr; }
    static void Close(Type sid) { FreeSid(sid); }
};

using MSid = MOwnedHandle<SidPolicy>;
