#pragma once

#include <windows.h>

// Auto-reset event, signalled once the user has confirmed cancelling and no reader has consumed
// the confirmation yet. Exists from before the program entry runs until the process exits.
extern HANDLE cancelEvent;

// Held by the cancel question while it is open and by the worker while it decides what to do
// with a finished download, so that neither happens behind the other's back. Same lifetime.
extern CRITICAL_SECTION jobLock;

// The timer of the main dialog through which a cancel request waits for jobLock. Its procedure
// is the timer's own, so the dialog procedure never sees it; the dialog must not use the id.
constexpr UINT_PTR cancelRetryTimer = 0x7C01;
constexpr UINT cancelRetryPeriod = 50;

// The main dialog's answer to its Cancel button and its close box: asks the user whether to
// cancel and, on Yes, signals cancelEvent. Returns without waiting; while the worker holds jobLock
// the question follows once it has let go.
void ConfirmCancel(HWND dialog);
