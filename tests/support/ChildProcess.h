#pragma once

// A program started beside the test, in the same Wine session. The driver functions find its
// windows by its process id. A program still running when the object goes is terminated, so a
// failed test leaves nothing behind.

#include "support/WindowDriver.h"

#include <windows.h>

#include <optional>
#include <string>

namespace driver {

class ChildProcess {
public:
    // Starts the program with the command line (the program's quoted path comes first); the
    // process is invalid when it cannot be started.
    explicit ChildProcess(const std::wstring& program, const std::wstring& arguments = L"");
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool IsStarted() const { return process != nullptr; }
    DWORD Id() const { return processId; }
    WindowQuery Windows() const;

    // The exit code once the process has ended in time.
    std::optional<DWORD> WaitForExit(Duration timeout = defaultTimeout);

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// The full path of a file beside the running executable.
std::wstring BesideThisProgram(const std::wstring& fileName);

} // namespace driver
