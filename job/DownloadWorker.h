#pragma once

#include "job/DownloadJob.h"
#include "text/MStringEx.h"

#include <windows.h>

// The worker thread: downloads the package into the job's file, settles a
// pending cancel question, verifies the file against the server's hash code,
// lets the user decide when that cannot vouch for it, opens the package and
// tells the dialog to end. The parameter is the job, which the worker owns and
// destroys; the result is always 0.
DWORD WINAPI DownloadWorker(LPVOID parameter);

// The four identity headers of the package request, for a CPU type of "x64" or
// "Win32".
MStringEx<wchar_t> IdentityHeaders(const DownloadJob& job, const wchar_t* cpuType);
