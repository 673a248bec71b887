#pragma once

#include "job/DownloadJob.h"

#include <windows.h>

// Where the version numbers of the running system come from.
class SystemVersionQuery {
public:
    virtual ~SystemVersionQuery() = default;
    // Fills the record, which arrives zeroed with its size field set; false when the system
    // does not tell.
    virtual bool Query(OSVERSIONINFOW& version) const = 0;
};

// The numbers Windows reports through GetVersionExW.
class WindowsVersionQuery : public SystemVersionQuery {
public:
    bool Query(OSVERSIONINFOW& version) const override;
};

// Names the Windows edition ("XP", "Vista" or "7") in the job and returns true; refuses every
// other system, or one that does not tell its version, and returns false.
bool IdentifySystem(DownloadJob& job, const SystemVersionQuery& query);
bool IdentifySystem(DownloadJob& job);

// Tells the user that the program cannot serve this system, with the given message of the
// catalogue, and then opens the vendor's download page in the browser.
void RefuseSystem(const DownloadJob& job, UINT messageId);

// Writes the package title with edition and bitness into the dialog's OS line.
void ShowOsLine(const DownloadJob& job);

// Whether Windows itself is 64-bit, whatever the bitness of this process.
bool Is64BitWindows();

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE process, PBOOL isWow64);

// The rule for a 32-bit process: it runs on 64-bit Windows when the query exists, succeeds and
// says so. Without the query (systems before XP SP2) or when it fails the system counts as
// 32-bit.
bool RunsUnderWow64(IsWow64ProcessFunction isWow64Process, HANDLE process);
