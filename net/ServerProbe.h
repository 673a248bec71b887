#pragma once

#include "text/MStringEx.h"

// The two system libraries that may provide the ICMP echo functions, the preferred one first.
// Older systems have them only in the second.
struct IcmpLibraryNames {
    const wchar_t* preferred;
    const wchar_t* fallback;
};

extern const IcmpLibraryNames systemIcmpLibraries;

// True as soon as the host of the address answers one of up to four ICMP echo requests. The
// address is a bare host name, with or without a path, or a URL with a scheme and "//". Never
// throws; every failure is false.
bool IsServerReachable(const MStringEx<wchar_t>& address);

// The same probe with the ICMP functions taken from the given libraries.
bool IsServerReachable(const MStringEx<wchar_t>& address, const IcmpLibraryNames& libraries);
