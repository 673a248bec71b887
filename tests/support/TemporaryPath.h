#pragma once

#include <string>

// The path of the named file or folder in the temporary folder.
std::wstring TemporaryPath(const std::wstring& name);

// The same, with this process's number after the stem: test programs that run at the same time
// do not share the file.
std::wstring ProcessTemporaryPath(const std::wstring& stem, const std::wstring& extension = L"");
