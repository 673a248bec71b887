#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>

// The one hook that waits for its message box to be activated; empty otherwise. Installing a new
// hook removes one still waiting, whose box never opened, so that no hook outlives its use and
// goes on moving the windows of its thread.
extern MHookHandle centringHookHandle;

// Computer-based-training hook of the calling thread: centres the first window activated after
// its installation over its owner, then removes itself.
LRESULT CALLBACK CentringHook(int code, WPARAM wParam, LPARAM lParam);

// MessageBoxW, with the box centred over its owner (over the desktop when it has none).
int CentredMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
