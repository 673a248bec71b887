#include "tools/demo-driver/DemoRun.h"

#include "memory/MOwnedHandle.h"
#include "res/ResourceIds.h"
#include "tools/demo-driver/ProcessList.h"
#include "tools/demo-driver/ScreenShot.h"

#include <shlobj.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using driver::Duration;
using namespace std::chrono_literals;

// The Explorer-style Save dialog keeps its file name in this Edit, inside a ComboBoxEx of the
// same id.
constexpr int fileNameId = 1148;
constexpr const wchar_t* installerName = L"msiexec.exe";
// Answers of the program's dialog thread take no longer unless it is busy elsewhere, as while
// it probes the server.
constexpr Duration readLimit = 1000ms;
constexpr Duration pollInterval = 20ms;

StageLimits LimitsFor(DemoMode mode) {
    if (mode == DemoMode::Drive) {
        return {90s, 60s, 120s, 120s};
    }
    return {120s, 30min, 30min, 30min};
}

// A text of the program's own string table, so the driver recognises what the program shows
// in whatever words it carries.
std::wstring ProgramText(const std::wstring& program, UINT id) {
    MLibraryHandle module(LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const wchar_t* text = nullptr;
    const int length =
        module.IsValid() ? LoadStringW(module.Get(), id, reinterpret_cast<LPWSTR>(&text), 0) : 0;
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// The number in a label such as "12,288" or "out of 40,960 bytes"; none when it holds no digit.
std::optional<std::uint64_t> NumberIn(const std::wstring& text) {
    std::optional<std::uint64_t> number;
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9') {
            number = number.value_or(0) * 10 + static_cast<std::uint64_t>(c - L'0');
        }
    }
    return number;
}

std::wstring Grouped(std::uint64_t value) {
    std::wstring digits = std::to_wstring(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, L",");
    }
    return digits;
}

struct DescendantSearch {
    int id;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND window, LPARAM context) {
    DescendantSearch& search = *reinterpret_cast<DescendantSearch*>(context);
    if (GetDlgCtrlID(window) == search.id && driver::ClassOf(window) == search.className) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindDescendant(HWND parent, int id, const wchar_t* className) {
    DescendantSearch search{id, className, nullptr};
    EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The read-me that Windows Installer put into either Program Files folder; empty when there is
// none.
std::wstring InstalledReadMe() {
    for (int folder : {CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES}) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path))) {
            const std::wstring readMe = std::wstring(path) + L"\\Veltrane\\ReadMe.txt";
            if (GetFileAttributesW(readMe.c_str()) != INVALID_FILE_ATTRIBUTES) {
                return readMe;
            }
        }
    }
    return std::wstring();
}

// The number, from 0, of the file's last line that holds both words; none when no line does
// or the file cannot be read.
std::optional<int> LastLineWith(const std::wstring& path, const char* first, const char* second) {
    std::ifstream file(path.c_str());
    std::optional<int> found;
    std::string text;
    for (int number = 0; std::getline(file, text); ++number) {
        if (text.find(first) != std::string::npos && text.find(second) != std::string::npos) {
            found = number;
        }
    }
    return found;
}

std::wstring SystemProgram(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0) + L"\\" + name;
}

} // namespace

DemoRun::DemoRun(DemoMode mode, const std::wstring& program, const std::wstring& shotFolder,
                 const std::wstring& installerLog, RunReport& report)
    : mode(mode), limits(LimitsFor(mode)), shotFolder(shotFolder), installerLog(installerLog),
      report(report), verifyingCaption(ProgramText(program, IDS_VERIFYING)),
      installersBefore(ProcessesNamed(installerName)), program(program) {}

void DemoRun::Run() {
    if (!program.IsStarted()) {
        report.Line(L"end", L"the program could not be started");
        return;
    }
    report.Line(L"program", L"started");
    if (Follow()) {
        report.Line(L"end", L"complete");
    }
    if (const std::optional<DWORD> code = program.WaitForExit(0ms)) {
        report.Line(L"program", L"ended with exit code " + std::to_wstring(*code));
    }
}

// The stages in the order the program goes through them; false when the run stopped early,
// which the report then says.
bool DemoRun::Follow() {
    HWND saveDialog = nullptr;
    if (!Await(L"the Save dialog", limits.start,
               [&] { return (saveDialog = FindSaveDialog()) != nullptr; })) {
        return false;
    }
    const std::wstring proposal =
        driver::TextOf(FindDescendant(saveDialog, fileNameId, L"Edit"), readLimit);
    report.Line(L"save-dialog", driver::TextOf(saveDialog, readLimit));
    report.Line(L"proposed-name", proposal);
    if (mode == DemoMode::Drive) {
        if (Shooting()) {
            // Let the dialog settle where the program centres it before the picture is taken.
            std::this_thread::sleep_for(500ms);
            Shoot(L"save-dialog");
        }
        driver::PressButton(saveDialog, IDOK);
    }

    if (!Await(L"the download", limits.user, [&] {
            return lastView.received.value_or(0) > 0 || verificationBegan || !installers.empty();
        })) {
        return false;
    }
    // A third of the way, so the picture shows the bar moving; a quick download may be over
    // before the driver looks again.
    if (!Await(L"the download to progress", limits.transfer, [&] {
            return verificationBegan || !installers.empty() || lastView.Downloaded() ||
                   (lastView.total && lastView.received.value_or(0) * 3 >= *lastView.total);
        })) {
        return false;
    }
    if (lastView.Downloading()) {
        report.Line(L"downloading",
                    Grouped(*lastView.received) +
                        (lastView.total ? L" out of " + Grouped(*lastView.total) + L" bytes"
                                        : std::wstring(L" bytes, total not given")));
        Shoot(L"downloading");
    } else {
        report.Line(L"downloading", L"not seen");
    }

    if (!Await(L"the verification", limits.transfer,
               [&] { return verificationBegan || !installers.empty(); })) {
        return false;
    }
    if (!verificationBegan) {
        report.Line(L"verifying", L"not seen");
    } else if (!Shooting()) {
        report.Line(L"verifying", L"seen");
    } else {
        // The first report counts no bytes yet; the picture waits for one from the middle, and
        // the view read after it tells whether the verification was still going on meanwhile.
        if (!Await(L"the verification to progress", limits.transfer,
                   [&] { return lastView.VerifyingMidway() || !lastView.verifying; })) {
            return false;
        }
        if (lastView.VerifyingMidway()) {
            const DialogView before = lastView;
            Shoot(L"verifying");
            const DialogView after = ViewDialog();
            report.Line(L"verifying", L"seen");
            report.Line(L"verifying-shot", after.VerifyingMidway()
                                               ? L"between " + Grouped(*before.received) +
                                                     L" and " + Grouped(*after.received) +
                                                     L" out of " + Grouped(*after.total) + L" bytes"
                                               : L"from " + Grouped(*before.received) +
                                                     L" out of " + Grouped(*before.total) +
                                                     L" bytes on; over while it was taken");
        } else {
            report.Line(L"verifying", L"seen");
            report.Line(L"verifying-shot",
                        L"nowhere in its middle: over before a count between 0 and the size");
        }
    }

    if (!Await(L"Windows Installer", limits.transfer, [&] { return !installers.empty(); })) {
        return false;
    }
    report.Line(L"installer", L"started");
    // The program does not wait for the installer; the driver waits for both.
    const bool ended = Await(
        L"Windows Installer to end", limits.installer,
        [&] {
            for (DWORD id : ProcessesNamed(installerName)) {
                if (installers.count(id) != 0) {
                    return false;
                }
            }
            return true;
        },
        OnProgramEnd::GoOn);
    if (!ended) {
        return false;
    }
    report.Line(L"installer", L"ended");
    if (Shooting()) {
        ShowInstallerLog();
        ShowInstalledFile();
    }
    return Await(L"the program to end", limits.installer,
                 [&] { return program.WaitForExit(0ms).has_value(); });
}

// Windows Installer shows no window for a package without a user interface; its log of the
// install, opened in Notepad at the copying of the files, is the picture of that stage.
void DemoRun::ShowInstallerLog() {
    if (installerLog.empty()) {
        return;
    }
    const std::optional<int> line = LastLineWith(installerLog, "Action start", "InstallFiles");
    if (!line) {
        report.Line(L"installer-log", L"none, or no copying of files in it");
        return;
    }
    report.Line(L"installer-log", installerLog);
    driver::ChildProcess notepad(SystemProgram(L"notepad.exe"), L"\"" + installerLog + L"\"");
    const HWND window = driver::WaitForWindow(notepad.Windows(), 10s);
    const HWND edit = window ? FindWindowExW(window, nullptr, L"Edit", nullptr) : nullptr;
    if (edit == nullptr) {
        return;
    }
    MoveWindow(window, 40, 40, 944, 688, TRUE);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(edit, EM_LINESCROLL, 0, *line, SMTO_ABORTIFHUNG,
                        static_cast<UINT>(readLimit.count()), &result);
    std::this_thread::sleep_for(500ms);
    Shoot(L"installer");
}

// The installed read-me, opened in Notepad, is the picture of the installer's result.
void DemoRun::ShowInstalledFile() {
    const std::wstring readMe = InstalledReadMe();
    if (readMe.empty()) {
        report.Line(L"installed-file", L"none");
        return;
    }
    report.Line(L"installed-file", readMe);
    driver::ChildProcess notepad(SystemProgram(L"notepad.exe"), L"\"" + readMe + L"\"");
    if (driver::WaitForWindow(notepad.Windows(), 10s) != nullptr) {
        std::this_thread::sleep_for(500ms);
        Shoot(L"installed");
    }
}

// Looks until the condition holds, meanwhile noting every message box, the verification and the
// installer. False, with the reason reported, when the time is up or, unless told to go on, the
// program has ended without the condition holding.
bool DemoRun::Await(const std::wstring& what, Duration limit,
                    const std::function<bool()>& condition, OnProgramEnd onEnd) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const bool running = !program.WaitForExit(0ms).has_value();
        if (running) {
            lastView = ViewDialog();
            if (lastView.Downloading() && !downloadBegan) {
                downloadBegan = std::chrono::steady_clock::now();
            }
            if (lastView.verifying && !verificationBegan) {
                verificationBegan = std::chrono::steady_clock::now();
                if (downloadBegan) {
                    ReportTime(L"download-time", *downloadBegan);
                }
            }
        }
        WatchInstaller();
        TimeVerification();
        WatchMessageBoxes();
        if (condition()) {
            return true;
        }
        if (!running && onEnd == OnProgramEnd::Stop) {
            report.Line(L"end", L"the program ended before " + what);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            report.Line(L"end",
                        L"no " + what + L" within " +
                            std::to_wstring(
                                std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
                            L" s");
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

// A question that comes once the whole package has arrived is the program asking whether to
// install a package it could not vouch for. In drive mode questions get No and messages OK.
void DemoRun::WatchMessageBoxes() {
    std::set<DWORD> owners = installers;
    owners.insert(program.Id());
    for (DWORD owner : owners) {
        driver::WindowQuery query;
        query.processId = owner;
        for (const driver::MessageBoxView& box : driver::FindMessageBoxes(query)) {
            if (!boxesSeen.insert(box.window).second) {
                continue;
            }
            const bool question = GetDlgItem(box.window, IDNO) != nullptr;
            const bool afterDownload = verificationBegan || lastView.Downloaded();
            const wchar_t* key = !question       ? L"message"
                                 : afterDownload ? L"hash-question"
                                                 : L"question";
            report.Line(key, box.caption + L" | " + box.text);
            if (mode == DemoMode::Drive) {
                Shoot(question ? L"question" : L"message");
                driver::Answer(box, question ? IDNO : IDOK);
            }
        }
    }
    for (auto seen = boxesSeen.begin(); seen != boxesSeen.end();) {
        seen = IsWindow(*seen) ? std::next(seen) : boxesSeen.erase(seen);
    }
}

// From the first sight of the verifying caption to the installer's start, which follows the end
// of the verification at once when the package is sound. The download is timed from the first
// bytes the dialog shows to the verifying caption.
void DemoRun::TimeVerification() {
    if (verificationBegan && !verificationTimed && !installers.empty()) {
        verificationTimed = true;
        ReportTime(L"verification-time", *verificationBegan);
    }
}

// Milliseconds from then to now, as far as the driver's looks can tell.
void DemoRun::ReportTime(const wchar_t* key, std::chrono::steady_clock::time_point began) {
    const auto time = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - began);
    report.Line(key, std::to_wstring(time.count()) + L" ms");
}

void DemoRun::WatchInstaller() {
    for (DWORD id : ProcessesNamed(installerName)) {
        if (installersBefore.count(id) == 0) {
            installers.insert(id);
        }
    }
}

HWND DemoRun::FindSaveDialog() const {
    driver::WindowQuery query = program.Windows();
    query.className = driver::dialogClass;
    for (HWND dialog : driver::FindWindows(query)) {
        if (FindDescendant(dialog, fileNameId, L"Edit") != nullptr) {
            return dialog;
        }
    }
    return nullptr;
}

DemoRun::DialogView DemoRun::ViewDialog() const {
    driver::WindowQuery query = program.Windows();
    query.className = driver::dialogClass;
    for (HWND dialog : driver::FindWindows(query)) {
        if (GetDlgItem(dialog, IDC_BYTE_COUNT_LABEL) == nullptr) {
            continue;
        }
        DialogView view;
        view.verifying =
            !verifyingCaption.empty() &&
            driver::ControlText(dialog, IDC_CAPTION_LABEL, readLimit) == verifyingCaption;
        view.received = NumberIn(driver::ControlText(dialog, IDC_BYTE_COUNT_LABEL, readLimit));
        view.total = NumberIn(driver::ControlText(dialog, IDC_TOTAL_LABEL, readLimit));
        return view;
    }
    return DialogView();
}

void DemoRun::Shoot(const std::wstring& stage) {
    if (!Shooting()) {
        return;
    }
    const std::wstring name = std::to_wstring(++shots) + L"-" + stage + L".bmp";
    report.Line(SaveScreenShot(shotFolder + L"\\" + name) ? L"screenshot" : L"screenshot-failed",
                name);
}
