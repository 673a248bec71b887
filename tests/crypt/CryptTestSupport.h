#pragma once

#include "crypt/CryptHandles.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

// A key container name no other test uses; the container is deleted when the object goes, so
// runs do not depend on each other.
class UniqueContainer {
public:
    UniqueContainer();
    ~UniqueContainer();
    UniqueContainer(const UniqueContainer&) = delete;
    UniqueContainer& operator=(const UniqueContainer&) = delete;

    const wchar_t* Name() const { return name.c_str(); }

    // Opens the container as the program does, without creating it; empty when it does not
    // exist, with GetLastError() telling why.
    MCryptProvider Open() const;
    // Creates the container without any security of its own.
    MCryptProvider Create() const;

private:
    std::wstring name;
};

// The DACL the provider keeps for a container, as a copy of its descriptor; empty when the
// provider does not tell.
std::vector<unsigned char> ContainerDescriptor(HCRYPTPROV provider);

// The one access-allowed entry of a DACL with one entry, or null.
const ACCESS_ALLOWED_ACE* OnlyAllowedEntry(const SECURITY_DESCRIPTOR* descriptor);

// S-1-5-11, built from its text.
class AuthenticatedUsersSid {
public:
    AuthenticatedUsersSid();
    ~AuthenticatedUsersSid();
    AuthenticatedUsersSid(const AuthenticatedUsersSid&) = delete;
    AuthenticatedUsersSid& operator=(const AuthenticatedUsersSid&) = delete;

    PSID Get() const { return sid; }

private:
    PSID sid;
};
