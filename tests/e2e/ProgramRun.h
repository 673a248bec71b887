#pragma once

// Runs the real program beside the test, in the same Wine session, against the
// vendor test server, and drives its windows as a user would. The shell's
// associations for installer packages and web addresses point at the open
// recorder for the life of the fixture, so a test learns whether and what the
// program opened.

#include "support/ChildProcess.h"
#include "support/ScopedRegistryValue.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ProgramRunTest : public ::testing::Test {
protected:
    // The size of the vendor test server's packages, and the main dialog's Cancel button.
    static constexpr std::size_t packageSize = 204800;
    static constexpr int cancelButton = 1005;

    ProgramRunTest();
    ~ProgramRunTest() override;

    void SetUp() override;
    void TearDown() override;

    // Starts the program; the test fails at once when its main dialog does not
    // appear.
    void Start();
    // The same with a copy of the program, given by its full path.
    void Start(const std::wstring& programPath);
    // The program under test.
    static std::wstring ProgramPath();

    HWND MainDialog() const { return mainDialog; }
    driver::WindowQuery ProgramWindows() const;

    // The Save dialog of the package file, or null when it does not appear in
    // time.
    HWND WaitForSaveDialog(driver::Duration timeout = driver::defaultTimeout);

    // Puts the name into the Save dialog's file name box, unless it is empty, and
    // presses Save. A bare file name lands in the folder the dialog shows.
    void Save(HWND saveDialog, const std::wstring& name = L"");

    // Starts the program and accepts the proposed package file.
    void StartDownload();

    // The next message box of the program with the given caption, or with any
    // caption.
    std::optional<driver::MessageBoxView>
    WaitForMessageBox(const wchar_t* caption = nullptr,
                      driver::Duration timeout = driver::defaultTimeout);

    // Expects the program to end with exit code 0 and no process of it left
    // behind, showing nothing more on the way: a message box or Save dialog that
    // appears meanwhile fails the test (and is answered, so that the run still
    // ends).
    void ExpectQuietEnd(driver::Duration timeout = driver::defaultTimeout);

    // The requests for the download page that the vendor server received.
    static std::vector<std::string> DownloadRequests();

    // The lines the open recorder wrote, once no recorder runs any more.
    std::vector<std::wstring> Opened();

    // The user's Downloads folder, as the program sees it, and a file in it.
    static std::wstring Downloads();
    static std::wstring InDownloads(const std::wstring& name);

    // The bitness of the Windows the program runs on, 32 or 64, as the run of the
    // tests declares it (TORNQUILL_WINDOWS_BITS): the same program proposes and
    // requests other packages on each.
    static unsigned WindowsBits();

    // The CPU type the program sends and the vendor's packages are made for.
    static std::string CpuType();

    // The package name the program proposes on this system for an edition.
    static std::wstring PackageName(const std::wstring& edition = L"7");

    static std::string ReadBytes(const std::wstring& path);
    static bool Exists(const std::wstring& path);
    static void WriteBytes(const std::wstring& path, const std::string& bytes,
                           DWORD attributes = FILE_ATTRIBUTE_NORMAL);

    // The size of a file that another process holds open, without opening it.
    static std::optional<std::uint64_t> SizeOf(const std::wstring& path);

    // The Windows version that Wine reports to the program, by Wine's name
    // ("winxp", "vista", "win2k" ...), for the life of the returned object.
    static std::unique_ptr<driver::ScopedRegistryValue>
    ReportWindowsVersion(const std::wstring& name);

    std::optional<driver::ChildProcess> program;

private:
    void RemoveOwnFiles();

    std::wstring recordPath;
    std::vector<std::unique_ptr<driver::ScopedRegistryValue>> associations;
    HWND mainDialog = nullptr;
};

// Byte-for-byte equality, reported by sizes and the first differing offset.
::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual);

// Texts the program shows, as the catalogue formats them with the product's
// identity.
namespace expected {

constexpr const wchar_t* productName = L"Veltrane";
constexpr const wchar_t* internalName = L"Tornquill";
constexpr const wchar_t* mainCaption = L"Veltrane Tornquill";
constexpr const wchar_t* saveTitle = L"Veltrane Tornquill - Please select "
                                     L"convenient download folder and filename";

std::wstring Message(unsigned id);
std::wstring Message(unsigned id, const wchar_t* first);
std::wstring Message(unsigned id, const wchar_t* first, const wchar_t* second);
std::wstring Message(unsigned id, const wchar_t* first, const wchar_t* second, const wchar_t* third,
                     const wchar_t* fourth);

} // namespace expected
