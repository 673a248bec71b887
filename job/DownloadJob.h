#pragma once

#include "memory/MOwnedHandle.h"
#include "text/MStringEx.h"

#include <windows.h>

// The record of the one download of a run. The start-up sequence creates it on the dialog's
// thread and fills it in, then hands it to the worker thread, which owns it from then on. Only
// one thread at a time touches it, so it has no lock.
//
// Fields are released in the reverse of their order here: the path strings, then the file handle,
// then the product identity.
struct DownloadJob {
    // The product identity, copied out of the program's own version resource.
    MStringEx<wchar_t> productName;
    MStringEx<wchar_t> productVersion;
    MStringEx<wchar_t> internalName;

    // The main dialog: owner of every message box and receiver of the worker's messages.
    HWND dialog;

    // The package file, open for reading and writing once its destination is chosen.
    MKernelHandle packageFile;
    MStringEx<wchar_t> packagePath;

    // "XP", "Vista" or "7".
    MStringEx<wchar_t> osEdition;
    bool isXp;

    // MStringExException when the version resource lacks one of the identity keys.
    explicit DownloadJob(HWND dialog);
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;
};
