#pragma once

// Drives the windows of a program as a user would, from a thread or process of its own in the
// same Wine session: finds windows, reads their texts, answers message boxes and presses buttons.
// Every wait has a time limit; nothing here waits forever on the program under test.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace driver {

using Duration = std::chrono::milliseconds;

constexpr Duration defaultTimeout{15000};

// The class name of the dialog manager's windows, message boxes included.
constexpr const wchar_t* dialogClass = L"#32770";

// The control that holds a message box's text.
constexpr int messageBoxTextId = 0xFFFF;

// Polls the condition until it holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition, Duration timeout = defaultTimeout);

// Which top-level windows to look for; fields left at their defaults match every window. The
// caption is compared with CaptionOf.
struct WindowQuery {
    DWORD processId = 0;
    DWORD threadId = 0;
    const wchar_t* className = nullptr;
    const wchar_t* caption = nullptr;
    bool visibleOnly = true;
};

// The current top-level windows that match, in the window manager's order.
std::vector<HWND> FindWindows(const WindowQuery& query);

// The first matching window to appear, or null when none appears in time.
HWND WaitForWindow(const WindowQuery& query, Duration timeout = defaultTimeout);

// True when the window is destroyed in time.
bool WaitForWindowGone(HWND window, Duration timeout = defaultTimeout);

std::wstring ClassOf(HWND window);

// The window's text through WM_GETTEXT, which another thread answers; empty when the window does
// not answer within the time limit.
std::wstring TextOf(HWND window, Duration timeout = Duration{5000});

std::wstring ControlText(HWND dialog, int id, Duration timeout = Duration{5000});

// The text that the window manager keeps for the window, read without a message to its thread:
// a window whose thread is busy (a program waiting for the network) still shows its caption.
std::wstring CaptionOf(HWND window);

RECT WindowRect(HWND window);

struct MessageBoxView {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};

// True for a dialog-manager window that carries a message box's text control.
bool IsMessageBox(HWND window);

// The message boxes currently open among the matching windows.
std::vector<MessageBoxView> FindMessageBoxes(WindowQuery query);

// The first message box to appear among the matching windows.
std::optional<MessageBoxView> WaitForMessageBox(WindowQuery query,
                                                Duration timeout = defaultTimeout);

// Presses the button with the given id the way the dialog manager reports a click: a posted
// WM_COMMAND with BN_CLICKED, so that a modal window it opens never blocks the driver.
bool PressButton(HWND dialog, int id);

// Answers a message box with the button of the given id (IDOK, IDYES, IDNO...) and waits until
// the box has gone.
bool Answer(const MessageBoxView& box, int buttonId, Duration timeout = defaultTimeout);

// Sends a message with a time limit; false when the receiving thread did not answer in time.
bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Duration timeout,
                LRESULT* result = nullptr);

} // namespace driver
