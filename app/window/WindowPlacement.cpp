#include "app/window/WindowPlacement.h"

#include <cstdlib>

namespace {

LONG Width(const RECT& rect) {
    return std::labs(rect.right - rect.left);
}

LONG Height(const RECT& rect) {
    return std::labs(rect.bottom - rect.top);
}

void MoveKeepingSize(HWND window, const RECT& rect, POINT position) {
    MoveWindow(window, position.x, position.y, Width(rect), Height(rect), TRUE);
}

} // namespace

POINT CentredOver(const RECT& reference, const RECT& window) {
    return {reference.left + Width(reference) / 2 - Width(window) / 2,
            reference.top + Height(reference) / 2 - Height(window) / 2};
}

POINT CentredOnArea(const RECT& area, const RECT& window) {
    return {(area.left + area.right) / 2 - Width(window) / 2,
            (area.top + area.bottom) / 2 - Height(window) / 2};
}

void CentreOver(HWND reference, HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (!IsWindow(reference)) {
        reference = GetDesktopWindow();
    }
    RECT referenceRect = {};
    if (!GetWindowRect(reference, &referenceRect)) {
        referenceRect = {0, 0, 500, 500};
    }
    MoveKeepingSize(window, rect, CentredOver(referenceRect, rect));
}

void CentreOverParent(HWND window) {
    CentreOver(GetParent(window), window);
}

void CentreOnWorkArea(HMONITOR monitor, HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) {
        CentreOver(GetDesktopWindow(), window);
        return;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    MoveKeepingSize(window, rect, CentredOnArea(info.rcWork, rect));
}

void CentreOnPrimaryWorkArea(HWND window) {
    CentreOnWorkArea(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), window);
}
