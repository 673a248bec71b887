#include "job/Cancellation.h"

#include "app/window/CentredMessageBox.h"
#include "app/window/UnexpectedFailure.h"
#include "memory/MOwnedHandle.h"
#include "res/ResourceIds.h"
#include "text/MStringEx.h"

HANDLE cancelEvent = INVALID_HANDLE_VALUE;
CRITICAL_SECTION jobLock;

namespace {

// Creates the two objects during static initialisation, before the program entry runs, and
// destroys them at exit, while the worker may still be finishing: it may post UM_FINISH, which
// ends the dialog and so the program, before it has released jobLock. Taking and releasing the
// lock first waits for that last release. Nothing comes after it: once the worker has posted
// UM_FINISH it neither takes the lock again nor reads the event, and on the paths that post it
// while holding the lock the release is its last use of either.
class CancellationObjects {
public:
    CancellationObjects() {
        InitializeCriticalSection(&jobLock);
        cancelEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    CancellationObjects(const CancellationObjects&) = delete;
    CancellationObjects& operator=(const CancellationObjects&) = delete;
    ~CancellationObjects() {
        EnterCriticalSection(&jobLock);
        LeaveCriticalSection(&jobLock);
        if (KernelHandlePolicy::IsValid(cancelEvent)) {
            CloseHandle(cancelEvent);
        }
        cancelEvent = INVALID_HANDLE_VALUE;
        DeleteCriticalSection(&jobLock);
    }
};

CancellationObjects cancellationObjects;

// While the worker holds jobLock it waits for the dialog thread: it sets label texts and sends
// UM_STATUS. Blocking the dialog thread on the lock then would stop both threads for good. So a
// request only tries the lock; when the worker has it, the request waits on a timer of the
// dialog and tries again at each tick, and the dialog thread keeps serving the worker between
// ticks. The question is shown once the lock is taken, and the lock is kept while it is open, so
// a worker that finishes its download meanwhile waits for the answer. One request at a time: a
// Cancel or close while one waits or its question is open adds nothing. The question's own
// message loop may run the dialog procedure again, and a critical section lets its owner in
// again, so the lock alone would not keep a second question out.
// Used on the dialog thread only.
class CancelRequest {
public:
    void Make(HWND dialog) {
        // A dialog destroyed while its request waited took the timer with it.
        if (asking || (waitingDialog != nullptr && IsWindow(waitingDialog))) {
            return;
        }
        waitingDialog = nullptr;
        if (TryEnterCriticalSection(&jobLock)) {
            AskHoldingLock(dialog);
        } else if (SetTimer(dialog, cancelRetryTimer, cancelRetryPeriod, Retry) != 0) {
            waitingDialog = dialog;
        }
    }

private:
    static void CALLBACK Retry(HWND dialog, UINT, UINT_PTR, DWORD);

    void TryAgain(HWND dialog) {
        if (dialog != waitingDialog || !TryEnterCriticalSection(&jobLock)) {
            return;
        }
        KillTimer(dialog, cancelRetryTimer);
        waitingDialog = nullptr;
        AskHoldingLock(dialog);
    }

    // Lets go of jobLock and of the request when the question is over, also when an exception
    // passes.
    class Asking {
    public:
        explicit Asking(bool& flag) : flag(flag) { flag = true; }
        Asking(const Asking&) = delete;
        Asking& operator=(const Asking&) = delete;
        ~Asking() {
            flag = false;
            LeaveCriticalSection(&jobLock);
        }

    private:
        bool& flag;
    };

    void AskHoldingLock(HWND dialog) {
        const Asking question(asking);
        const MStringEx<wchar_t> caption = MStringEx<wchar_t>::FromVersionInfo(L"ProductName") +
                                           L" " +
                                           MStringEx<wchar_t>::FromVersionInfo(L"InternalName");
        const MStringEx<wchar_t> text = MStringEx<wchar_t>::FromResource(IDS_CANCEL_QUESTION);
        if (CentredMessageBox(dialog, text.data, caption.data,
                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) {
            SetEvent(cancelEvent);
        }
    }

    bool asking = false;
    // The dialog whose timer retries; null when no request waits.
    HWND waitingDialog = nullptr;
};

CancelRequest cancelRequest;

// The message loop calls this directly, not through the dialog procedure, so an exception of the
// question (a text of the program that is missing) ends here as it would there.
void CALLBACK CancelRequest::Retry(HWND dialog, UINT, UINT_PTR, DWORD) {
    try {
        cancelRequest.TryAgain(dialog);
    } catch (...) {
        EndAfterUnexpectedFailure(dialog);
    }
}

} // namespace

void ConfirmCancel(HWND dialog) {
    cancelRequest.Make(dialog);
}
