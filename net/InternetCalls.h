#pragma once

#include "memory/MAtom.h"
#include "memory/MOwnedHandle.h"
#include "text/MStringEx.h"

#include <windows.h>
#include <wininet.h>

// The WinINet calls of one transfer that wait for the server, made on a thread of their own, so
// that the caller waits for each with a bound and stops at once when its stop event is
// signalled. WinINet's connect, send and receive timeouts are set as well, but a platform need
// not end a call that waits for a silent server, neither when they expire nor when another
// thread closes the call's handle: Wine does neither.
//
// The handles belong to the thread: it opens them, makes the calls that wait and closes them
// when it ends, so no handle is closed while a call uses it or used after it is closed. Between
// calls the thread is idle and the caller may query the request handle. A call that gives up
// leaves its platform call to the thread; from then on the caller makes no call and touches no
// handle, and the thread, once the platform lets its call return, closes the handles and frees
// what it shares with the caller, touching nothing else.
class InternetCalls {
public:
    // Each call waits at most silenceLimit milliseconds and gives up as soon as stopEvent is
    // signalled (a wait that finds it signalled consumes the signal of an auto-reset event).
    InternetCalls(DWORD silenceLimit, HANDLE stopEvent);
    InternetCalls(const InternetCalls&) = delete;
    InternetCalls& operator=(const InternetCalls&) = delete;
    // Ends the thread; when no call is pending, waits for it to have closed the handles.
    ~InternetCalls();

    // Opens the internet handle with the agent and WinINet's timeouts, and the request for the
    // address. True once the response headers have arrived.
    bool OpenUrl(const MStringEx<wchar_t>& agent, const MStringEx<wchar_t>& address,
                 const MStringEx<wchar_t>& headerBlock, DWORD flags);

    // The request handle of a successful OpenUrl while no call is pending, else null.
    HINTERNET Request() const;

    // Waits for the next bytes of the body and reads exactly as many as the platform has at
    // hand. True with Received() holding them, none at the end of the body; false when the
    // platform fails, reads fewer, or the call gives up.
    bool Receive();

    // The bytes of the last successful Receive, in a buffer of exactly their size.
    const MAtom<unsigned char>& Received() const;

    // Frees the buffer of Received().
    void ReleaseReceived();

private:
    struct Shared;
    enum class Call { openUrl, receive };

    static DWORD WINAPI Serve(LPVOID parameter);
    static void Release(Shared* shared);

    bool Make(Call call);

    const DWORD silenceLimit;
    const HANDLE stopEvent;
    // Shared with the thread, which holds a reference of its own; the last one frees it.
    Shared* shared;
    MKernelHandle thread;
    // A call gave up while the thread still waits in the platform.
    bool pending;
};
