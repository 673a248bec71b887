#pragma once

// Runs the program's main dialog on a thread of its own, as the program entry runs it, so that the
// test thread can drive it as a user would and play the worker. The start of the run (UM_START)
// is counted instead of carried out: these tests are about the dialog, not about a download.

#include "support/WindowDriver.h"

#include <windows.h>

#include <atomic>
#include <thread>

class DialogHost {
public:
    DialogHost();
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;
    // Ends a dialog that is still open the way the worker does, with UM_FINISH.
    ~DialogHost();

    // Null when the dialog did not appear in time.
    HWND Dialog() const { return dialog; }
    HWND Control(int id) const { return GetDlgItem(dialog, id); }
    DWORD ThreadId() const { return threadId; }
    driver::WindowQuery ThreadWindows() const;

    // Waits until the dialog has ended and gives the result of DialogBoxParamW.
    INT_PTR WaitForEnd();

    int StartRequests() const { return startRequests; }

private:
    static INT_PTR CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    static DialogHost* current;

    HWND dialog = nullptr;
    std::atomic<DWORD> threadId{0};
    std::atomic<HWND> created{nullptr};
    std::atomic<int> startRequests{0};
    INT_PTR result = 0;
    std::thread thread;
};
