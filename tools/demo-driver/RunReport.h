#pragma once

#include "memory/MOwnedHandle.h"

#include <string>

// What the driver saw, one "key: value" line per finding in UTF-8, written at once so that a run
// cut short still leaves everything seen until then. In values a line break is written as \n
// and a backslash as \\, so every finding stays on its line.
class RunReport {
public:
    explicit RunReport(const std::wstring& path);

    bool IsOpen() const { return file.IsValid(); }
    void Line(const std::wstring& key, const std::wstring& value);

private:
    MKernelHandle file;
};
