#pragma once

#include <string>

// Saves what the screen shows, all of it, as a 24-bit BMP file; false when it cannot. Taken
// with GDI from inside the Wine session, so it is as quick as one copy of the screen and can
// catch a stage that lasts only a moment.
bool SaveScreenShot(const std::wstring& path);
