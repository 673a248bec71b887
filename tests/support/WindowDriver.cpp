#include "support/WindowDriver.h"

#include <thread>

namespace driver {

namespace {

constexpr Duration pollInterval{20};

struct Enumeration {
    const WindowQuery* query;
    std::vector<HWND> found;
};

bool Matches(HWND window, const WindowQuery& query) {
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (query.processId != 0 && processId != query.processId) {
        return false;
    }
    if (query.threadId != 0 && threadId != query.threadId) {
        return false;
    }
    if (query.visibleOnly && !IsWindowVisible(window)) {
        return false;
    }
    if (query.className != nullptr && ClassOf(window) != query.className) {
        return false;
    }
    return query.caption == nullptr || CaptionOf(window) == query.caption;
}

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    Enumeration& enumeration = *reinterpret_cast<Enumeration*>(context);
    if (Matches(window, *enumeration.query)) {
        enumeration.found.push_back(window);
    }
    return TRUE;
}

} // namespace

bool WaitUntil(const std::function<bool()>& condition, Duration timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

std::vector<HWND> FindWindows(const WindowQuery& query) {
    Enumeration enumeration{&query, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&enumeration));
    return enumeration.found;
}

HWND WaitForWindow(const WindowQuery& query, Duration timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const std::vector<HWND> windows = FindWindows(query);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout);
    return found;
}

bool WaitForWindowGone(HWND window, Duration timeout) {
    return WaitUntil([&] { return !IsWindow(window); }, timeout);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, static_cast<int>(sizeof(name) / sizeof(*name)));
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Duration timeout,
                LRESULT* result) {
    DWORD_PTR answer = 0;
    const LRESULT sent = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                             static_cast<UINT>(timeout.count()), &answer);
    if (result != nullptr) {
        *result = static_cast<LRESULT>(answer);
    }
    return sent != 0;
}

std::wstring TextOf(HWND window, Duration timeout) {
    LRESULT length = 0;
    if (!SendWithin(window, WM_GETTEXTLENGTH, 0, 0, timeout, &length) || length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendWithin(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), timeout,
                    &copied)) {
        return std::wstring();
    }
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring ControlText(HWND dialog, int id, Duration timeout) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? TextOf(control, timeout) : std::wstring();
}

std::wstring CaptionOf(HWND window) {
    wchar_t text[1024] = {};
    const int length =
        InternalGetWindowText(window, text, static_cast<int>(sizeof(text) / sizeof(*text)));
    return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool IsMessageBox(HWND window) {
    return ClassOf(window) == dialogClass && GetDlgItem(window, messageBoxTextId) != nullptr;
}

std::vector<MessageBoxView> FindMessageBoxes(WindowQuery query) {
    query.className = dialogClass;
    std::vector<MessageBoxView> boxes;
    for (HWND window : FindWindows(query)) {
        if (IsMessageBox(window)) {
            boxes.push_back({window, CaptionOf(window), ControlText(window, messageBoxTextId)});
        }
    }
    return boxes;
}

std::optional<MessageBoxView> WaitForMessageBox(WindowQuery query, Duration timeout) {
    std::optional<MessageBoxView> found;
    WaitUntil(
        [&] {
            const std::vector<MessageBoxView> boxes = FindMessageBoxes(query);
            if (!boxes.empty()) {
                found = boxes.front();
            }
            return found.has_value();
        },
        timeout);
    return found;
}

bool PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != 0;
}

bool Answer(const MessageBoxView& box, int buttonId, Duration timeout) {
    return PressButton(box.window, buttonId) && WaitForWindowGone(box.window, timeout);
}

} // namespace driver
