#pragma once

#include <windows.h>

// Tells the user that the run ends because an exception reached a point that has no answer for
// it. Call it inside a catch block: it names the exception being handled. It allocates nothing
// and raises nothing, so it also works when memory or the program's own resources fail.
void ReportUnexpectedFailure(HWND owner) noexcept;

// Tells the user that the program's window cannot be shown, with the system's text for the error
// code. Like the report above it raises nothing and has no owner window.
void ReportWindowFailure(DWORD error) noexcept;

// The last line against an exception on the dialog's thread, for the procedures that the
// platform calls (the dialog procedure, timer procedures): no exception may pass back into the
// platform's frames. Call it inside the handler of the exception. It tells the user that the
// program cannot go on (its own resources are missing or damaged, memory has run out) and ends
// the process with exit code 0 once the report has been read.
void EndAfterUnexpectedFailure(HWND dialog);
