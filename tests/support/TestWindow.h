#pragma once

// A plain top-level window for tests of placement and ownership; destroyed with the object.

#include <windows.h>

namespace driver {

class TestWindow {
public:
    // A visible popup window at the given screen rectangle. It has no caption: Wine hands
    // captioned windows to the window manager, and without one each takes seconds to go.
    TestWindow(const RECT& rect, HWND owner = nullptr);
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow();

    HWND Handle() const { return window; }

private:
    HWND window;
};

// Handles the messages waiting for the calling thread, without blocking.
void PumpMessages();

} // namespace driver
