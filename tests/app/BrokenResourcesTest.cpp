// The real program, started beside the test from a copy whose resources lack a part, as a damaged
// download would.

#include "support/TemporaryPath.h"
#include "support/ChildProcess.h"
#include "support/OpenRecord.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using driver::Duration;

constexpr WORD englishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

class BrokenProgram {
public:
    // A copy of the program in which the resource of the given type, name and language has lost
    // its contents: it holds only zero bytes.
    BrokenProgram(const wchar_t* fileName, LPCWSTR type, LPCWSTR name, WORD language) {
        path = TemporaryPath(fileName);
        const std::wstring program = driver::FromHostPath("TORNQUILL_PROGRAM");
        if (!CopyFileW(program.c_str(), path.c_str(), FALSE)) {
            return;
        }
        char zeros[16] = {};
        HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
        made = update != nullptr &&
               UpdateResourceW(update, type, name, language, zeros, sizeof(zeros)) &&
               EndUpdateResourceW(update, FALSE);
    }
    BrokenProgram(const BrokenProgram&) = delete;
    BrokenProgram& operator=(const BrokenProgram&) = delete;
    ~BrokenProgram() { DeleteFileW(path.c_str()); }

    bool IsMade() const { return made; }
    const std::wstring& Path() const { return path; }

private:
    std::wstring path;
    bool made = false;
};

// True when the file's version information names the program.
bool NamesItself(const std::wstring& path) {
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
    std::string data(size, '\0');
    void* value = nullptr;
    UINT length = 0;
    return size != 0 && GetFileVersionInfoW(path.c_str(), 0, size, &data[0]) &&
           VerQueryValueW(data.data(), L"\\StringFileInfo\\040904b0\\InternalName", &value,
                          &length);
}

TEST(BrokenResources, AProgramWithoutItsVersionInformationSaysSoAndEndsWithExitCode0) {
    const BrokenProgram broken(L"TornquillWithoutVersion.exe", RT_VERSION, MAKEINTRESOURCEW(1),
                               englishUs);
    ASSERT_TRUE(broken.IsMade());
    ASSERT_TRUE(NamesItself(driver::FromHostPath("TORNQUILL_PROGRAM")));
    ASSERT_FALSE(NamesItself(broken.Path())) << "the copy still has its version information";

    driver::ChildProcess program(broken.Path());
    ASSERT_TRUE(program.IsStarted());
    const std::optional<driver::MessageBoxView> report =
        driver::WaitForMessageBox(program.Windows());
    ASSERT_TRUE(report.has_value()) << "no message";
    EXPECT_EQ(report->caption, L"Tornquill");
    EXPECT_NE(report->text.find(L"unexpected error (MStringExException 0)"), std::wstring::npos)
        << testing::PrintToString(report->text);
    EXPECT_EQ(GetWindow(report->window, GW_OWNER), nullptr)
        << "the report is owned by a dialog that was never shown";

    const std::vector<driver::MessageBoxView> open = driver::FindMessageBoxes(program.Windows());
    EXPECT_EQ(open.size(), 1u) << "more than one message";
    ASSERT_TRUE(driver::Answer(*report, IDOK));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

TEST(BrokenResources, ATextLostWhileACancelRequestWaitsIsReportedAndEndsWithExitCode0) {
    driver::ChildProcess program(driver::FromHostPath("TORNQUILL_LOST_TEXT"));
    ASSERT_TRUE(program.IsStarted());
    const std::optional<driver::MessageBoxView> report =
        driver::WaitForMessageBox(program.Windows());
    ASSERT_TRUE(report.has_value()) << "no message";
    EXPECT_NE(report->text.find(L"unexpected error (MStringExException 0)"), std::wstring::npos)
        << testing::PrintToString(report->text);
    const HWND owner = GetWindow(report->window, GW_OWNER);
    EXPECT_EQ(driver::TextOf(owner), L"Veltrane Tornquill") << "not owned by the main dialog";
    ASSERT_TRUE(driver::Answer(*report, IDOK));
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

} // namespace
