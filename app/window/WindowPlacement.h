#pragma once

#include <windows.h>

// Where a window of the size of `window` goes when it is centred over `reference`: the middle of
// the reference, less half the window's size (halves truncate toward zero).
POINT CentredOver(const RECT& reference, const RECT& window);

// Where a window of the size of `window` goes when it is centred on a monitor's work area.
POINT CentredOnArea(const RECT& area, const RECT& window);

// Moves `window` over the middle of `reference`, keeping its size. A reference that is not a
// window stands for the desktop; one whose rectangle cannot be read, for (0, 0)-(500, 500).
void CentreOver(HWND reference, HWND window);

// Centres a window over its parent, which for a top-level window is its owner.
void CentreOverParent(HWND window);

// Centres a window on the work area of a monitor (the monitor without its taskbar). When the
// monitor's information cannot be read, the window is centred over the desktop instead, which
// keeps it on the screen.
void CentreOnWorkArea(HMONITOR monitor, HWND window);

// Centres a window on the work area of the primary monitor.
void CentreOnPrimaryWorkArea(HWND window);
