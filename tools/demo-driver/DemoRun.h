#pragma once

#include "support/ChildProcess.h"
#include "tools/demo-driver/RunReport.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

// Drive: the driver plays the user who accepts every proposal: it saves the package under the
//   proposed name, answers a question with No and a message with OK, and, given a folder for
//   them, takes a screenshot of every stage. Watch: the user at the screen clicks; the driver
//   only looks and reports.
enum class DemoMode { Drive, Watch };

// How long each stage may take before the driver gives up on it.
struct StageLimits {
    driver::Duration start;     // from the program's start to its Save dialog
    driver::Duration user;      // from the Save dialog to the first bytes of the download
    driver::Duration transfer;  // from the first bytes to Windows Installer
    driver::Duration installer; // for Windows Installer and the program to end
};

// One run of the program, followed from its start to the end of Windows Installer.
class DemoRun {
public:
    // installerLog: where Windows Installer writes its log of the install, for its picture;
    // empty when it writes none.
    DemoRun(DemoMode mode, const std::wstring& program, const std::wstring& shotFolder,
            const std::wstring& installerLog, RunReport& report);
    DemoRun(const DemoRun&) = delete;
    DemoRun& operator=(const DemoRun&) = delete;

    void Run();

private:
    // What the program's main dialog shows at one moment.
    struct DialogView {
        bool verifying = false;
        std::optional<std::uint64_t> received;
        std::optional<std::uint64_t> total;

        bool Downloading() const { return !verifying && received.value_or(0) > 0; }
        bool Downloaded() const { return total && received == total; }
        // Between its first and its last report: some bytes hashed, some still to come.
        bool VerifyingMidway() const {
            return verifying && received.value_or(0) > 0 && total && *received < *total;
        }
    };

    // Whether a wait ends when the program does.
    enum class OnProgramEnd { Stop, GoOn };

    bool Follow();
    bool Await(const std::wstring& what, driver::Duration limit,
               const std::function<bool()>& condition, OnProgramEnd onEnd = OnProgramEnd::Stop);
    void WatchMessageBoxes();
    void WatchInstaller();
    void TimeVerification();
    void ReportTime(const wchar_t* key, std::chrono::steady_clock::time_point began);
    void ShowInstallerLog();
    void ShowInstalledFile();
    HWND FindSaveDialog() const;
    DialogView ViewDialog() const;
    bool Shooting() const { return !shotFolder.empty(); }
    void Shoot(const std::wstring& stage);

    DemoMode mode;
    StageLimits limits;
    std::wstring shotFolder;
    std::wstring installerLog;
    RunReport& report;
    std::wstring verifyingCaption;
    std::set<DWORD> installersBefore;
    std::set<DWORD> installers;
    std::set<HWND> boxesSeen;
    DialogView lastView;
    std::optional<std::chrono::steady_clock::time_point> downloadBegan;
    std::optional<std::chrono::steady_clock::time_point> verificationBegan;
    bool verificationTimed = false;
    int shots = 0;
    driver::ChildProcess program;
};
