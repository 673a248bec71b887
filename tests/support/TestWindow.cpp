#include "support/TestWindow.h"

namespace driver {

TestWindow::TestWindow(const RECT& rect, HWND owner)
    : window(CreateWindowExW(0, L"STATIC", L"Test window", WS_POPUP | WS_BORDER, rect.left,
                             rect.top, rect.right - rect.left, rect.bottom - rect.top, owner,
                             nullptr, GetModuleHandleW(nullptr), nullptr)) {
    ShowWindow(window, SW_SHOW);
    PumpMessages();
}

TestWindow::~TestWindow() {
    DestroyWindow(window);
    PumpMessages();
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace driver
