#pragma once

#include <windows.h>

#include <set>
#include <string>

// The ids of the running processes whose executable file has the given name, letter case
// ignored; empty when the process list cannot be read.
std::set<DWORD> ProcessesNamed(const std::wstring& fileName);
