#include "net/PackageTransfer.h"

#include "memory/MSmartPtr.h"
#include "memory/ShellMemory.h"
#include "net/InternetCalls.h"
#include "net/ServerProbe.h"

#include <wininet.h>

#include <cstdint>

namespace {

// The body always comes from the origin server and leaves no trace in the local cache or the
// cookie store; the platform shows no dialog of its own.
const DWORD requestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                           INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                           INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(requestFlags == 0x84080300, "request flags");

const DWORD contentLengthBufferSize = 10000;
const std::uint32_t schemeLength = 7; // "http://"

// The host part is what the reachability probe is asked about: the address up to the first '/'
// after its scheme.
MStringEx<wchar_t> HostPartOf(const MStringEx<wchar_t>& address) {
    const std::int64_t slash =
        address.Length() >= schemeLength ? address.FindCharNoCase(L'/', schemeLength) : -1;
    return slash < 0 ? address : address.Left(MUnits(static_cast<std::uint32_t>(slash)));
}

// The announced body size, or 0 when the response states none that reads as a number.
std::uint64_t QueryContentLength(HINTERNET request) {
    DWORD length = 0;
    const DWORD bufferSize =
        HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, nullptr, &length, nullptr)
            ? contentLengthBufferSize
            : length;
    MemoryPH<wchar_t, 0> buffer{
        MUnits(static_cast<std::uint32_t>((bufferSize + 1) / sizeof(wchar_t)))};
    length = static_cast<DWORD>(buffer.count.ByteCount<wchar_t>());
    DWORD index = 0;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, buffer.data, &length, &index)) {
        return 0;
    }
    const ShellMemory<wchar_t> text(
        MUnits::Min(buffer.count, MUnits(static_cast<std::uint32_t>(length / sizeof(wchar_t)))),
        buffer.data);
    std::uint64_t contentLength = 0;
    return MStringEx<wchar_t>::FromBuffer(text).ToUInt64(contentLength) ? contentLength : 0;
}

// The final status, after the redirects that the platform followed: only success announces the
// package. An error page is no package, whatever headers come with it, so none of it reaches the
// file.
bool IsSuccessStatus(HINTERNET request) {
    DWORD status = 0;
    DWORD length = sizeof(status);
    return HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &length, nullptr) &&
           status >= HTTP_STATUS_OK && status < HTTP_STATUS_AMBIGUOUS;
}

// A custom header is asked for by name: the name goes into the buffer that receives the value.
bool QueryCustomHeader(HINTERNET request, MemoryPH<unsigned char, 0>& buffer, DWORD& length) {
    length = buffer.count.Value();
    return HttpQueryInfoW(request, HTTP_QUERY_CUSTOM, buffer.data, &length, nullptr) != FALSE;
}

void QueryResponseHeaders(HINTERNET request, ResponseHeaders& responseHeaders) {
    ResponseHeaders found;
    for (std::uint32_t i = 0; i < responseHeaders.Count(); ++i) {
        ResponseHeader& wanted = *responseHeaders.Item(i);
        const ShellMemory<unsigned char> name(wanted.key);
        wanted.value = name;
        DWORD length = 0;
        bool present = QueryCustomHeader(request, wanted.value, length);
        if (present) {
            wanted.value.Truncate(MUnits(length));
        } else if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            wanted.value.SetCount(MUnits(length));
            wanted.value.PutAt(0, name);
            present = QueryCustomHeader(request, wanted.value, length);
        }
        if (present) {
            MSmartPtr<ResponseHeader> pair(new ResponseHeader(wanted.key, wanted.value));
            found.Insert(pair.Get());
            pair.Release();
        }
    }
    responseHeaders = found;
}

// Streams the body into the file. Each read takes exactly what the platform has at hand; a
// count of 0 is the end of the body.
bool ReceiveBody(InternetCalls& calls, HANDLE packageFile, HWND progressWindow,
                 UINT progressMessage, HANDLE cancelEvent, std::uint64_t contentLength) {
    std::uint64_t bytesReceived = 0;
    for (;;) {
        if (WaitForSingleObject(cancelEvent, 0) != WAIT_TIMEOUT || !calls.Receive()) {
            return false;
        }
        const DWORD available = calls.Received().count.Value();
        DWORD written = 0;
        if (!WriteFile(packageFile, calls.Received().data, available, &written, nullptr) ||
            written != available) {
            return false;
        }
        bytesReceived += available;
        SendMessageW(progressWindow, progressMessage, reinterpret_cast<WPARAM>(&contentLength),
                     reinterpret_cast<LPARAM>(&bytesReceived));
        calls.ReleaseReceived();
        if (available == 0) {
            // A connection that the server closes early ends the body too; only the announced
            // length tells that the package is incomplete.
            return contentLength == 0 || bytesReceived >= contentLength;
        }
    }
}

} // namespace

bool TransferPackage(MStringEx<wchar_t> address, const MStringEx<wchar_t>& headerBlock,
                     const MStringEx<wchar_t>& agent, HANDLE packageFile, HWND progressWindow,
                     UINT progressMessage, HANDLE cancelEvent, ResponseHeaders& responseHeaders) {
    return TransferPackageWithin(serverSilenceLimit, address, headerBlock, agent, packageFile,
                                 progressWindow, progressMessage, cancelEvent, responseHeaders);
}

bool TransferPackageWithin(DWORD silenceLimit, MStringEx<wchar_t> address,
                           const MStringEx<wchar_t>& headerBlock, const MStringEx<wchar_t>& agent,
                           HANDLE packageFile, HWND progressWindow, UINT progressMessage,
                           HANDLE cancelEvent, ResponseHeaders& responseHeaders) {
    try {
        if (address.Find(MStringEx<wchar_t>(L"//")) < 0) {
            address = L"http://" + address;
        }
        if (!IsServerReachable(HostPartOf(address))) {
            return false;
        }
        InternetCalls calls(silenceLimit, cancelEvent);
        if (!calls.OpenUrl(agent, address, headerBlock, requestFlags) ||
            !IsSuccessStatus(calls.Request())) {
            return false;
        }
        const std::uint64_t contentLength = QueryContentLength(calls.Request());
        QueryResponseHeaders(calls.Request(), responseHeaders);
        return ReceiveBody(calls, packageFile, progressWindow, progressMessage, cancelEvent,
                           contentLength);
    } catch (...) {
        return false;
    }
}
