// The ways a run of the program begins: each check before the download that can
// end it, and the hand-over to the worker.
#include "e2e/ProgramRun.h"
#include "e2e/VendorControl.h"

#include "res/ResourceIds.h"
#include "text/MStringEx.h"

namespace {

using driver::Duration;

// Four unanswered echo requests of five seconds each.
constexpr Duration unanswered{30000};

constexpr const wchar_t* downloadPage =
    L"http://vendor.tornquill.test/Products/Veltrane/2012/Download.aspx";

class StartUpPaths : public ProgramRunTest {
protected:
    void ExpectNoPackageFile() {
        EXPECT_FALSE(Exists(InDownloads(PackageName() + L".msi")));
        EXPECT_FALSE(Exists(InDownloads(PackageName() + L" (1).msi")));
    }
};

TEST_F(StartUpPaths, AnUnreachableServerIsTheOnlyMessage) {
    vendor::SetSilent(true);
    Start();
    const auto box = WaitForMessageBox(nullptr, unanswered);
    ASSERT_TRUE(box);
    EXPECT_EQ(expected::internalName, box->caption);
    EXPECT_EQ(expected::Message(IDS_UNREACHABLE, expected::productName, expected::internalName),
              box->text);
    EXPECT_EQ(nullptr, WaitForSaveDialog(Duration{0}));
    ASSERT_TRUE(driver::Answer(*box, IDOK));
    ExpectQuietEnd();
    ExpectNoPackageFile();
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(DownloadRequests().empty());
}

TEST_F(StartUpPaths, ARefusedSystemGetsTheRefusalAndThenTheDownloadPage) {
    const auto version = ReportWindowsVersion(L"win2k");
    Start();
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(L"Veltrane - Tornquill", box->caption);
    EXPECT_EQ(expected::Message(IDS_OS_TOO_OLD, expected::productName, expected::productName),
              box->text);
    EXPECT_TRUE(Opened().empty()) << "the page opened before the message was closed";
    ASSERT_TRUE(driver::Answer(*box, IDOK));
    ExpectQuietEnd();
    const std::vector<std::wstring> opened = Opened();
    ASSERT_EQ(1u, opened.size());
    EXPECT_NE(std::wstring::npos, opened[0].find(downloadPage)) << opened[0];
    ExpectNoPackageFile();
    EXPECT_TRUE(DownloadRequests().empty());
}

TEST_F(StartUpPaths, CancellingTheSaveDialogEndsTheRunWithoutAFile) {
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    ASSERT_TRUE(driver::PressButton(saveDialog, IDCANCEL));
    ASSERT_TRUE(driver::WaitForWindowGone(saveDialog));
    ExpectQuietEnd();
    ExpectNoPackageFile();
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(DownloadRequests().empty());
}

TEST_F(StartUpPaths, AFileThatCannotBeCreatedIsReportedWithTheSystemsReason) {
    const std::wstring path = InDownloads(PackageName() + L".msi");
    const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    Save(saveDialog, PackageName() + L".msi");
    const auto overwrite = WaitForMessageBox(expected::saveTitle);
    ASSERT_TRUE(overwrite) << "the Save dialog did not ask about the existing file";
    ASSERT_TRUE(driver::Answer(*overwrite, IDYES));

    const auto box = WaitForMessageBox(expected::internalName);
    ASSERT_TRUE(box);
    const std::wstring reason = MStringEx<wchar_t>::FromSystemError(ERROR_SHARING_VIOLATION).data;
    EXPECT_EQ(expected::Message(IDS_CREATE_FAILED, expected::productName, expected::internalName,
                                path.c_str(), reason.c_str()),
              box->text);
    ASSERT_TRUE(driver::Answer(*box, IDOK));
    ExpectQuietEnd();
    CloseHandle(held);
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(DownloadRequests().empty());
}

TEST_F(StartUpPaths, AfterTheSaveDialogTheWorkerRunsOnTheNewEmptyFile) {
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    EXPECT_EQ(PackageName(), driver::ControlText(MainDialog(), 1004));
    // Without echo replies the worker's own probe fails slowly, which keeps the
    // file empty long enough to look at it, and then ends the run without a
    // request.
    vendor::SetSilent(true);
    const std::wstring path = InDownloads(PackageName() + L".msi");
    Save(saveDialog);
    ASSERT_TRUE(driver::WaitUntil([&] { return Exists(path); }));
    EXPECT_EQ(std::optional<std::uint64_t>(0), SizeOf(path));
    EXPECT_TRUE(IsWindow(MainDialog()));
    EXPECT_EQ(PackageName(), driver::ControlText(MainDialog(), 1004));
    EXPECT_EQ(expected::Message(IDS_CONNECTING), driver::ControlText(MainDialog(), 1008));
    EXPECT_EQ(L"...", driver::ControlText(MainDialog(), 1007));
    ExpectQuietEnd(unanswered);
    EXPECT_EQ(std::optional<std::uint64_t>(0), SizeOf(path));
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(DownloadRequests().empty());
}

} // namespace
