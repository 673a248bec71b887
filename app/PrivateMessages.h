#pragma once

#include <windows.h>

// Private messages of the main dialog. UM_PROGRESS and UM_STATUS are sent: their parameters are
// addresses of unsigned 64-bit counts in the sender's frame, valid only during the call.
const UINT UM_START = WM_USER + 30; // posted by the dialog to itself when it is shown
const UINT UM_PROGRESS =
    WM_USER + 31;                    // wParam: total size (0 when unknown), lParam: bytes received
const UINT UM_STATUS = WM_USER + 32; // wParam: file size, lParam: bytes hashed
const UINT UM_FINISH = WM_USER + 33; // posted by the worker; wParam: dialog result
