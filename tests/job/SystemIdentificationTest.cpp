#include "job/SystemIdentification.h"

#include "job/DownloadJob.h"
#include "res/ResourceIds.h"
#include "support/TemporaryPath.h"
#include "support/ChildProcess.h"
#include "support/HiddenDialog.h"
#include "support/MessageBoxAnswerer.h"
#include "support/ScopedRegistryValue.h"
#include "support/TestWindow.h"
#include "text/MStringEx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using driver::Duration;

constexpr const wchar_t* reportVariable = L"TORNQUILL_SYSID_REPORT";
constexpr const wchar_t* recordVariable = L"TORNQUILL_OPEN_RECORD";

std::wstring ThisProgram() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    return path;
}

// The file's text, read as UTF-16 without a byte-order mark; empty when it does not exist.
std::wstring FileText(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

struct Reported {
    bool succeeds;
    DWORD major;
    DWORD minor;
};

class ReportedVersion : public SystemVersionQuery {
public:
    explicit ReportedVersion(Reported reported) : reported(reported) {}
    bool Query(OSVERSIONINFOW& version) const override {
        recordArrivedPlain = version.dwOSVersionInfoSize == 276 && version.dwMajorVersion == 0 &&
                             version.dwMinorVersion == 0 && version.dwBuildNumber == 0 &&
                             version.szCSDVersion[0] == L'\0';
        version.dwMajorVersion = reported.major;
        version.dwMinorVersion = reported.minor;
        version.dwBuildNumber = 7601;
        version.dwPlatformId = VER_PLATFORM_WIN32_NT;
        return reported.succeeds;
    }
    mutable bool recordArrivedPlain = false;

private:
    Reported reported;
};

// Answers every message box of this thread with OK and keeps what it saw, with whether the
// download page had been opened by then.
class BoxWatcher {
public:
    explicit BoxWatcher(const std::wstring& recordPath)
        : query(driver::ThreadWindows()), thread([this, recordPath] {
              while (!stop) {
                  for (const driver::MessageBoxView& box : driver::FindMessageBoxes(query)) {
                      boxes.push_back(box);
                      pageOpenedBeforeAnswer =
                          pageOpenedBeforeAnswer || !FileText(recordPath).empty();
                      driver::Answer(box, IDOK);
                  }
                  Sleep(20);
              }
          }) {}
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    ~BoxWatcher() { Stop(); }

    void Stop() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
    }

    std::vector<driver::MessageBoxView> boxes;
    bool pageOpenedBeforeAnswer = false;

private:
    driver::WindowQuery query;
    std::atomic<bool> stop{false};
    std::thread thread;
};

TEST(IdentifySystem, NamesTheSupportedEditions) {
    struct Case {
        Reported reported;
        const wchar_t* edition;
        bool isXp;
    };
    const Case cases[] = {
        {{true, 5, 1}, L"XP", true},          {{true, 5, 2}, L"XP", true},
        {{true, 5, 0xFFFFFFFF}, L"XP", true}, {{true, 6, 0}, L"Vista", false},
        {{true, 6, 1}, L"7", false},          {{true, 6, 2}, L"7", false},
        {{true, 6, 3}, L"7", false},          {{true, 6, 0xFFFFFFFF}, L"7", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.reported.major << "." << c.reported.minor);
        DownloadJob job(nullptr);
        const ReportedVersion query(c.reported);
        EXPECT_TRUE(IdentifySystem(job, query));
        EXPECT_TRUE(query.recordArrivedPlain);
        EXPECT_STREQ(c.edition, job.osEdition.data);
        EXPECT_EQ(c.isXp, job.isXp);
    }
}

class Refusal : public testing::Test {
protected:
    Refusal()
        : recordPath(TemporaryPath(L"tornquill-sysid-opened.txt")),
          browser(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"",
                  L"\"" + RecorderPath() + L"\" \"%1\"") {}

    void SetUp() override {
        ASSERT_TRUE(browser.IsSet());
        ASSERT_NE(nullptr, dialog.Handle());
        DeleteFileW(recordPath.c_str());
        SetEnvironmentVariableW(recordVariable, recordPath.c_str());
    }
    void TearDown() override { DeleteFileW(recordPath.c_str()); }

    // The build tree arrives as a host path; Wine shows the host's root as drive Z.
    static std::wstring RecorderPath() {
        const char* path = std::getenv("TORNQUILL_RECORDER");
        std::wstring windowsPath = L"Z:";
        for (const char* c = path == nullptr ? "" : path; *c != '\0'; ++c) {
            windowsPath += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
        }
        return windowsPath;
    }

    std::wstring recordPath;
    driver::ScopedRegistryValue browser;
    HiddenDialog dialog;
};

TEST_F(Refusal, ShowsOneMessageAndThenOpensTheDownloadPage) {
    struct Case {
        Reported reported;
        UINT message;
    };
    const Case cases[] = {
        {{false, 6, 1}, IDS_OS_UNDETERMINED},
        {{true, 0, 0}, IDS_OS_TOO_OLD},
        {{true, 4, 90}, IDS_OS_TOO_OLD},
        {{true, 5, 0}, IDS_OS_TOO_OLD},
        {{true, 7, 0}, IDS_OS_UNRECOGNISED},
        {{true, 10, 0}, IDS_OS_UNRECOGNISED},
        {{true, 0xFFFFFFFF, 1}, IDS_OS_UNRECOGNISED},
    };
    const std::wstring pageLine = L"\"" + RecorderPath() + L"\" \"" +
                                  MStringEx<wchar_t>::FromResource(IDS_DOWNLOAD_PAGE).data +
                                  L"\"\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.reported.succeeds << " " << c.reported.major << "." << c.reported.minor);
        DeleteFileW(recordPath.c_str());
        DownloadJob job(dialog.Handle());
        BoxWatcher watcher(recordPath);
        EXPECT_FALSE(IdentifySystem(job, ReportedVersion(c.reported)));
        EXPECT_TRUE(driver::WaitUntil([&] { return !FileText(recordPath).empty(); }));
        Sleep(300);
        watcher.Stop();

        ASSERT_EQ(1u, watcher.boxes.size());
        EXPECT_EQ(L"Veltrane - Tornquill", watcher.boxes[0].caption);
        EXPECT_EQ(std::wstring(
                      MStringEx<wchar_t>::FormatResource(c.message, L"Veltrane", L"Veltrane").data),
                  watcher.boxes[0].text);
        EXPECT_FALSE(watcher.pageOpenedBeforeAnswer);
        EXPECT_EQ(pageLine, FileText(recordPath));
        EXPECT_TRUE(job.osEdition.IsEmpty());
    }
}

// Run as a child under a Windows version set for this program only: identifies the system the
// child sees and writes the edition and the XP flag to the report file.
TEST(ChildOfRealVersion, ReportsTheEdition) {
    wchar_t reportPath[MAX_PATH * 4];
    if (GetEnvironmentVariableW(reportVariable, reportPath, MAX_PATH * 4) == 0) {
        GTEST_SKIP() << "runs only as the child of RealVersion";
    }
    DownloadJob job(nullptr);
    MStringEx<wchar_t> report = IdentifySystem(job)
                                    ? job.osEdition + (job.isXp ? L" xp" : L" not xp")
                                    : MStringEx<wchar_t>(L"refused");
    ASSERT_TRUE(report.AppendToFile(reportPath, false));
}

TEST(RealVersion, WineVersionsGiveTheirEditions) {
    struct Case {
        const wchar_t* wineVersion;
        const wchar_t* report;
    };
    const Case cases[] = {
        {L"vista", L"Vista not xp"}, {L"win7", L"7 not xp"}, {L"win8", L"7 not xp"},
        {L"win10", L"7 not xp"},     {L"winxp64", L"XP xp"},
    };
    const std::wstring program = ThisProgram();
    const std::wstring programName = program.substr(program.find_last_of(L"\\/") + 1);
    const std::wstring reportPath = TemporaryPath(L"tornquill-sysid-report.txt");
    SetEnvironmentVariableW(reportVariable, reportPath.c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wineVersion);
        DeleteFileW(reportPath.c_str());
        const driver::ScopedRegistryValue version(HKEY_CURRENT_USER,
                                                  L"Software\\Wine\\AppDefaults\\" + programName,
                                                  L"Version", c.wineVersion);
        ASSERT_TRUE(version.IsSet());
        driver::ChildProcess child(program, L"--gtest_filter=ChildOfRealVersion.*");
        ASSERT_TRUE(child.IsStarted());
        EXPECT_EQ(0u, child.WaitForExit(Duration{30000}).value_or(1));
        EXPECT_EQ(std::wstring(c.report), FileText(reportPath));
    }
    SetEnvironmentVariableW(reportVariable, nullptr);
    DeleteFileW(reportPath.c_str());
}

TEST(ShowOsLine, WritesEditionAndBitnessIntoTheOsLabel) {
    HiddenDialog dialog;
    DownloadJob job(dialog.Handle());
    job.osEdition = MStringEx<wchar_t>(L"7");
    ShowOsLine(job);
    EXPECT_EQ(L"Veltrane, 2012 - Windows 7, 64 bit", driver::ControlText(dialog.Handle(), 1004));
}

TEST(Is64BitWindows, HoldsForThisSixtyFourBitProcess) {
    EXPECT_TRUE(Is64BitWindows());
}

BOOL WINAPI FailsSayingTrue(HANDLE, PBOOL isWow64) {
    *isWow64 = TRUE;
    return FALSE;
}
BOOL WINAPI SaysFalse(HANDLE, PBOOL isWow64) {
    *isWow64 = FALSE;
    return TRUE;
}
BOOL WINAPI SaysTrue(HANDLE, PBOOL isWow64) {
    *isWow64 = TRUE;
    return TRUE;
}
BOOL WINAPI SucceedsSayingNothing(HANDLE, PBOOL) {
    return TRUE;
}

TEST(RunsUnderWow64, OnlyASuccessfulTrueCounts) {
    struct Case {
        const char* name;
        IsWow64ProcessFunction query;
        bool expected;
    };
    const Case cases[] = {
        {"no such function", nullptr, false},
        {"fails", FailsSayingTrue, false},
        {"says false", SaysFalse, false},
        {"says true", SaysTrue, true},
        {"succeeds without an answer", SucceedsSayingNothing, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, RunsUnderWow64(c.query, GetCurrentProcess()));
    }
}

} // namespace
