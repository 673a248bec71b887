#include "net/ServerProbe.h"

#include "memory/MemoryPH.h"
#include "net/NetHandles.h"
#include "text/CodePage.h"
#include "text/SystemLibrary.h"

#include <windows.h>
#include <ipexport.h>
#include <icmpapi.h>

#include <cstring>

const IcmpLibraryNames systemIcmpLibraries = {L"Iphlpapi.dll", L"ICMP.dll"};

namespace {

const int attempts = 4;
const WORD payloadSize = 64;
const unsigned char payloadByte = 0xAA;
const DWORD echoTimeout = 5000;
const WORD winsockVersion = MAKEWORD(1, 1);
const DWORD replySize = sizeof(ICMP_ECHO_REPLY) + payloadSize;

#if !defined(_WIN64)
static_assert(replySize == 92, "one echo reply with its payload");
#endif

// The three ICMP entry points, all taken from the same library.
class IcmpFunctions {
public:
    bool TakeFrom(const MLibraryHandle& module) {
        createFile = LibraryFunction<decltype(&IcmpCreateFile)>(module, "IcmpCreateFile");
        closeHandle = LibraryFunction<decltype(&IcmpCloseHandle)>(module, "IcmpCloseHandle");
        sendEcho = LibraryFunction<decltype(&IcmpSendEcho)>(module, "IcmpSendEcho");
        return createFile != nullptr && closeHandle != nullptr && sendEcho != nullptr;
    }

    decltype(&IcmpCreateFile) createFile = nullptr;
    decltype(&IcmpCloseHandle) closeHandle = nullptr;
    decltype(&IcmpSendEcho) sendEcho = nullptr;
};

// An ICMP handle, closed through the library that opened it.
class IcmpHandle {
public:
    explicit IcmpHandle(const IcmpFunctions& icmp) : icmp(icmp), handle(icmp.createFile()) {}
    IcmpHandle(const IcmpHandle&) = delete;
    IcmpHandle& operator=(const IcmpHandle&) = delete;
    ~IcmpHandle() {
        if (IsValid()) {
            icmp.closeHandle(handle);
        }
    }

    bool IsValid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }

private:
    const IcmpFunctions& icmp;
    HANDLE handle;
};

// The three Windows Sockets entry points of the probe. The library is loaded at run time, like
// the ICMP ones, so that the import table names no library that Windows XP might take from the
// program's folder.
class WinsockFunctions {
public:
    WinsockFunctions() : library(LoadSystemLibrary(L"ws2_32.dll")) {
        startup = LibraryFunction<decltype(&WSAStartup)>(library, "WSAStartup");
        cleanup = LibraryFunction<decltype(&WSACleanup)>(library, "WSACleanup");
        resolve = LibraryFunction<decltype(&gethostbyname)>(library, "gethostbyname");
    }

    bool IsComplete() const {
        return startup != nullptr && cleanup != nullptr && resolve != nullptr;
    }

    decltype(&WSAStartup) startup = nullptr;
    decltype(&WSACleanup) cleanup = nullptr;
    decltype(&gethostbyname) resolve = nullptr;

private:
    MLibraryHandle library;
};

// Windows Sockets, started for the probe and cleaned up after it.
class WinsockSession {
public:
    explicit WinsockSession(const WinsockFunctions& winsock) : winsock(winsock), started(false) {
        WSADATA data;
        std::memset(&data, 0, sizeof data);
        started = winsock.IsComplete() && winsock.startup(winsockVersion, &data) == 0;
        version = data.wVersion;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (started) {
            winsock.cleanup();
        }
    }

    bool IsUsable() const { return started && version == winsockVersion; }

private:
    const WinsockFunctions& winsock;
    bool started;
    WORD version;
};

// The host of a URL is what follows its "//"; a bare name ends at its first '/'. A port is not
// part of the name that the resolver knows.
MStringEx<wchar_t> HostOf(const MStringEx<wchar_t>& address) {
    const MStringEx<wchar_t> host = address.Find(MStringEx<wchar_t>(L"//")) >= 0
                                        ? address.AfterSecondSlash().LeftOfChar(L'/')
                                        : address.LeftOfChar(L'/');
    return host.LeftOfChar(L':');
}

bool EchoAnswered(const IcmpFunctions& icmp, const WinsockFunctions& winsock,
                  const MStringEx<char>& host) {
    const hostent* entry = winsock.resolve(host.data);
    if (entry == nullptr || entry->h_addr_list[0] == nullptr) {
        return false;
    }
    IcmpHandle handle(icmp);
    if (!handle.IsValid()) {
        return false;
    }
    MemoryPH<unsigned char, 0> payload{MUnits(payloadSize)};
    std::memset(payload.data, payloadByte, payloadSize);
    MGlobalMemory reply(GlobalAlloc(GMEM_ZEROINIT, replySize));
    if (!reply.IsValid()) {
        return false;
    }
    ICMP_ECHO_REPLY* echoReply = static_cast<ICMP_ECHO_REPLY*>(reply.Get());
    echoReply->DataSize = payloadSize;
    echoReply->Data = payload.data;
    IPAddr destination;
    std::memcpy(&destination, entry->h_addr_list[0], sizeof destination);
    const DWORD replies = icmp.sendEcho(handle.Get(), destination, payload.data, payloadSize,
                                        nullptr, reply.Get(), replySize, echoTimeout);
    // A router that cannot reach the host answers in its place with an error status.
    return replies != 0 && echoReply->Status == IP_SUCCESS;
}

} // namespace

bool IsServerReachable(const MStringEx<wchar_t>& address) {
    return IsServerReachable(address, systemIcmpLibraries);
}

// The guards are declared in the order of acquisition, so they are released in reverse:
// Windows Sockets first (the session, then its library), then the fallback ICMP library, then
// the preferred one.
bool IsServerReachable(const MStringEx<wchar_t>& address, const IcmpLibraryNames& libraries) {
    try {
        const MLibraryHandle preferred(LoadSystemLibrary(libraries.preferred));
        const MLibraryHandle fallback(LoadSystemLibrary(libraries.fallback));
        IcmpFunctions icmp;
        if (!icmp.TakeFrom(preferred) && !icmp.TakeFrom(fallback)) {
            return false;
        }
        const WinsockFunctions winsock;
        const WinsockSession session(winsock);
        if (!session.IsUsable()) {
            return false;
        }
        // The resolver answers an empty name with the local machine, which is not the host the
        // address names.
        const MStringEx<char> host = ToNarrowText(HostOf(address));
        if (host.IsEmpty()) {
            return false;
        }
        for (int attempt = 0; attempt < attempts; ++attempt) {
            if (EchoAnswered(icmp, winsock, host)) {
                return true;
            }
        }
        return false;
    } catch (...) {
        return false;
    }
}
