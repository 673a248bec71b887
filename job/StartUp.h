#pragma once

#include "job/DownloadJob.h"
#include "memory/MSmartPtr.h"

#include <windows.h>

// Turns the shown main dialog into a running download: the reachability check,
// the system check, the OS line, the package file and the worker thread. True
// when the worker runs; false when the run is over, everything the user needs
// to know having been shown.
bool RunStartUp(HWND dialog);

// Starts the worker thread on the job. On success the worker owns the job and
// the pointer is empty; on failure the pointer still owns it, so that the
// caller's end destroys it and closes its file. stackSize 0 gives the default
// stack.
bool StartDownloadWorker(MSmartPtr<DownloadJob>& job, SIZE_T stackSize);
