#pragma once

#include <windows.h>

// The main dialog from the program's template, never shown, with the dialog procedure a test
// gives it (by default one that only accepts its creation). It owns the message boxes and
// questions that the code under test shows.
class HiddenDialog {
public:
    explicit HiddenDialog(DLGPROC procedure = AcceptCreation);
    HiddenDialog(const HiddenDialog&) = delete;
    HiddenDialog& operator=(const HiddenDialog&) = delete;
    // Destroys the dialog and handles what its end leaves in this thread's queue.
    virtual ~HiddenDialog();

    HWND Handle() const { return window; }

private:
    static INT_PTR CALLBACK AcceptCreation(HWND, UINT message, WPARAM, LPARAM);

    HWND window;
};
