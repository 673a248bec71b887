// ICMP functions for the probe's tests through which every echo is answered as a router answers
// for a host that it cannot reach: the request goes out through the system's own functions, and
// an answer that came back is then marked "destination host unreachable".
#include <windows.h>
#include <ipexport.h>

namespace {

HMODULE SystemIcmp() {
    static const HMODULE library = [] {
        wchar_t path[MAX_PATH + 16];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return HMODULE(nullptr);
        }
        lstrcatW(path, L"\\iphlpapi.dll");
        return LoadLibraryW(path);
    }();
    return library;
}

template <class Function> Function System(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(SystemIcmp(), name)));
}

} // namespace

extern "C" __declspec(dllexport) HANDLE WINAPI IcmpCreateFile() {
    const auto create = System<HANDLE(WINAPI*)()>("IcmpCreateFile");
    return create != nullptr ? create() : INVALID_HANDLE_VALUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI IcmpCloseHandle(HANDLE handle) {
    const auto close = System<BOOL(WINAPI*)(HANDLE)>("IcmpCloseHandle");
    return close != nullptr && close(handle);
}

extern "C" __declspec(dllexport) DWORD WINAPI
    IcmpSendEcho(HANDLE handle, IPAddr destination, LPVOID data, WORD size,
                 PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize, DWORD timeout) {
    const auto send = System<DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION,
                                            LPVOID, DWORD, DWORD)>("IcmpSendEcho");
    if (send == nullptr) {
        return 0;
    }
    const DWORD replies = send(handle, destination, data, size, options, reply, replySize, timeout);
    if (replies != 0) {
        static_cast<ICMP_ECHO_REPLY*>(reply)->Status = IP_DEST_HOST_UNREACHABLE;
    }
    return replies;
}
