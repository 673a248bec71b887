#include "job/StartUp.h"

#include "job/MessageCatalogue.h"
#include "support/TemporaryPath.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// A file of the temporary folder, held open without sharing as a package file
// is.
std::wstring TemporaryFile() {
    return ProcessTemporaryPath(L"tornquill-start-up-");
}

HANDLE OpenUnshared(const std::wstring& path, DWORD disposition) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Lets the program's texts come from a module that has none of them, for one
// test.
class ModuleWithoutTexts {
public:
    ModuleWithoutTexts() : saved(appInstance) { appInstance = GetModuleHandleW(L"kernel32.dll"); }
    ModuleWithoutTexts(const ModuleWithoutTexts&) = delete;
    ModuleWithoutTexts& operator=(const ModuleWithoutTexts&) = delete;
    ~ModuleWithoutTexts() { appInstance = saved; }

private:
    HINSTANCE saved;
};

TEST(StartDownloadWorker, KeepsTheJobWhenNoThreadCanBeMade) {
    const std::wstring path = TemporaryFile();
    MSmartPtr<DownloadJob> job(new DownloadJob(nullptr));
    job->packageFile = OpenUnshared(path, CREATE_ALWAYS);
    ASSERT_TRUE(job->packageFile.IsValid());

    // No system commits a stack of 64 TiB.
    EXPECT_FALSE(StartDownloadWorker(job, static_cast<SIZE_T>(1) << 46));
    ASSERT_FALSE(job.IsEmpty()) << "the job was given away to a thread that does not exist";
    job.Reset();
    const HANDLE reopened = OpenUnshared(path, OPEN_EXISTING);
    EXPECT_NE(INVALID_HANDLE_VALUE, reopened) << "the package file was left open";
    CloseHandle(reopened);
    DeleteFileW(path.c_str());
}

TEST(RunStartUp, ReportsAnUnexpectedExceptionAndEndsTheRun) {
    const ModuleWithoutTexts texts;
    MStringEx<wchar_t> probe;
    ASSERT_THROW(LoadResourceString(appInstance, probe, IDS_SITE_ADDRESS), MStringExException);

    driver::TestWindow dialog(RECT{100, 100, 600, 400});
    driver::MessageBoxAnswerer answerer(driver::ThreadWindows(), IDOK);
    EXPECT_FALSE(RunStartUp(dialog.Handle()));
    const auto box = answerer.Result();
    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(L"Tornquill", box->view.caption);
    EXPECT_NE(std::wstring::npos, box->view.text.find(L"unexpected error (MStringExException 0)"))
        << testing::PrintToString(box->view.text);
}

} // namespace
