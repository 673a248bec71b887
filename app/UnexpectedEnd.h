#pragma once

#include <windows.h>

// The last line against an exception on the dialog's thread, for the procedures that the
// platform calls (the dialog procedure, timer procedures): no exception may pass back into the
// platform's frames. Call it inside the handler of the exception. It tells the user that the
// program cannot go on (its own resources are missing or damaged, memory has run out) and ends
// the process with exit code 0 once the report has been read.
void EndAfterUnexpectedFailure(HWND dialog);
