#pragma once

#include <windows.h>

#include <string>

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::wstring Path(const std::wstring& name) const { return folder + L"\\" + name; }

private:
    std::wstring folder;
};
