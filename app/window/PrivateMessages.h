#pragma once

#include <windows.h>

// Private messages of the main dialog. UM_PROGRESS and UM_STATUS are sent: their parameters are
// addresses of unsigned 64-bit counts in the sender's frame, valid only during the call.

// Posted by the dialog to itself when it is shown.
const UINT UM_START = WM_USER + 30;
// wParam: the total size, 0 when unknown; lParam: the bytes received so far.
const UINT UM_PROGRESS = WM_USER + 31;
// wParam: the size of the file being hashed; lParam: the bytes hashed so far.
const UINT UM_STATUS = WM_USER + 32;
// Posted by the worker when it has ended; wParam: the dialog result.
const UINT UM_FINISH = WM_USER + 33;
