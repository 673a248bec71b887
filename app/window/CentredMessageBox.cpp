#include "app/window/CentredMessageBox.h"

#include "app/window/WindowPlacement.h"

MHookHandle centringHookHandle;

LRESULT CALLBACK CentringHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code < 0) {
        return CallNextHookEx(centringHookHandle.Get(), code, wParam, lParam);
    }
    if (code == HCBT_ACTIVATE) {
        CentreOverParent(reinterpret_cast<HWND>(wParam));
        centringHookHandle.Close();
    }
    return 0;
}

// The platform creates and shows the box inside MessageBoxW; the hook is the only way to move it
// before it is first drawn. The first window activated on this thread after the installation is
// the box.
int CentredMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    centringHookHandle = SetWindowsHookExW(WH_CBT, CentringHook, nullptr, GetCurrentThreadId());
    return MessageBoxW(owner, text, caption, type);
}
