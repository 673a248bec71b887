#include "job/DownloadWorker.h"

#include "app/window/PrivateMessages.h"
#include "job/MessageCatalogue.h"
#include "support/TemporaryPath.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

TEST(IdentityHeaders, CarryTheProductItsMajorVersionTheEditionAndTheCpuType) {
    const struct {
        const wchar_t* version;
        const wchar_t* edition;
        const wchar_t* cpuType;
        const wchar_t* expected;
    } cases[] = {
        {L"2.30.0.0", L"7", L"x64",
         L"QUORVEX_PRODUCT: Veltrane\r\nQUORVEX_PRODUCT_VERSION: "
         L"2\r\nZEPH_OS_VERSION: "
         L"7\r\nZEPH_CPU_TYPE: x64"},
        {L"2.30.0.0", L"XP", L"Win32",
         L"QUORVEX_PRODUCT: Veltrane\r\nQUORVEX_PRODUCT_VERSION: "
         L"2\r\nZEPH_OS_VERSION: "
         L"XP\r\nZEPH_CPU_TYPE: Win32"},
        {L"12", L"Vista", L"x64",
         L"QUORVEX_PRODUCT: Veltrane\r\nQUORVEX_PRODUCT_VERSION: "
         L"12\r\nZEPH_OS_VERSION: "
         L"Vista\r\nZEPH_CPU_TYPE: x64"},
    };
    DownloadJob job(nullptr);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.expected);
        job.productVersion = MStringEx<wchar_t>(test.version);
        job.osEdition = MStringEx<wchar_t>(test.edition);
        EXPECT_EQ(std::wstring(test.expected), IdentityHeaders(job, test.cpuType).data);
    }
}

// The worker on a job of its own, reporting to a window of this thread.
class WorkerRun {
public:
    explicit WorkerRun(DownloadJob* job) {
        thread = CreateThread(nullptr, 0, DownloadWorker, job, CREATE_SUSPENDED, &threadId);
    }
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;
    ~WorkerRun() {
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
    }

    DWORD Id() const { return threadId; }
    void Go() const { ResumeThread(thread); }

    // Handles this thread's messages until UM_FINISH arrives for the window.
    static bool WaitForFinish(HWND window, MSG& finish) {
        return driver::WaitUntil([&] {
            const bool finished =
                PeekMessageW(&finish, window, UM_FINISH, UM_FINISH, PM_REMOVE) != 0;
            driver::PumpMessages();
            return finished;
        });
    }

private:
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};

TEST(DownloadWorker, ReportsAnUnexpectedExceptionClosesTheFileAndEndsTheRun) {
    const HINSTANCE saved = appInstance;
    appInstance = GetModuleHandleW(L"kernel32.dll");

    const std::wstring path = ProcessTemporaryPath(L"tornquill-worker-", L".msi");
    driver::TestWindow dialog(RECT{100, 100, 600, 400});
    auto* job = new DownloadJob(dialog.Handle());
    job->osEdition = MStringEx<wchar_t>(L"7");
    job->packagePath = MStringEx<wchar_t>(path.c_str());
    job->packageFile = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_TRUE(job->packageFile.IsValid());

    MSG finish = {};
    std::optional<driver::AnsweredBox> box;
    {
        WorkerRun worker(job);
        driver::MessageBoxAnswerer answerer(driver::ThreadWindows(worker.Id()), IDOK);
        worker.Go();
        EXPECT_TRUE(WorkerRun::WaitForFinish(dialog.Handle(), finish)) << "no UM_FINISH";
        box = answerer.Result();
    }
    appInstance = saved;

    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(L"Tornquill", box->view.caption);
    EXPECT_NE(std::wstring::npos, box->view.text.find(L"unexpected error (MStringExException 0)"))
        << testing::PrintToString(box->view.text);
    EXPECT_EQ(0u, finish.wParam);
    const HANDLE reopened = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, reopened) << "the package file was left open";
    CloseHandle(reopened);
    DeleteFileW(path.c_str());
}

} // namespace
