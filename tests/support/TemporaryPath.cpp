#include "support/TemporaryPath.h"

#include <windows.h>

std::wstring TemporaryPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::wstring ProcessTemporaryPath(const std::wstring& stem, const std::wstring& extension) {
    return TemporaryPath(stem + std::to_wstring(GetCurrentProcessId()) + extension);
}
