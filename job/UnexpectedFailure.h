#pragma once

#include <windows.h>

// Tells the user that the run ends because an exception reached a point that has no answer for
// it. Call it inside a catch block: it names the exception being handled. It allocates nothing
// and raises nothing, so it also works when memory or the program's own resources fail.
void ReportUnexpectedFailure(HWND owner) noexcept;

// Tells the user that the program's window cannot be shown, with the system's text for the error
// code. Like the report above it raises nothing and has no owner window.
void ReportWindowFailure(DWORD error) noexcept;
