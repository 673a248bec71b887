// The program entry's run of the main dialog, on a thread of the test as the program runs it.
#include "app/ProgramEntry.h"
#include "job/MessageCatalogue.h"
#include "support/WindowDriver.h"
#include "text/MStringEx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A dialog that cannot be created (here: its template does not exist) is reported once, with the
// system's reason, and the run still ends with exit code 0.
TEST(ProgramEntry, ADialogThatCannotBeCreatedIsReportedWithTheSystemsReason) {
    appInstance = GetModuleHandleW(nullptr);
    std::atomic<DWORD> threadId{0};
    std::atomic<int> exitCode{-1};
    std::thread entry([&] {
        threadId = GetCurrentThreadId();
        exitCode = RunMainDialog(MAKEINTRESOURCEW(4242));
    });
    driver::WaitUntil([&] { return threadId != 0; });
    driver::WindowQuery query;
    query.processId = GetCurrentProcessId();
    query.threadId = threadId;
    const auto box = driver::WaitForMessageBox(query);
    ASSERT_TRUE(box) << "no report";
    EXPECT_EQ(L"Tornquill", box->caption);
    const std::wstring reason =
        MStringEx<wchar_t>::FromSystemError(ERROR_RESOURCE_NAME_NOT_FOUND).data;
    EXPECT_EQ(L"The Tornquill cannot show its window because: " + reason, box->text);
    EXPECT_TRUE(driver::Answer(*box, IDOK));
    const bool ended = driver::WaitUntil([&] { return exitCode != -1; });
    for (const driver::MessageBoxView& extra : driver::FindMessageBoxes(query)) {
        ADD_FAILURE() << "a second message box: " << ::testing::PrintToString(extra.text);
        driver::Answer(extra, IDOK);
    }
    entry.join();
    EXPECT_TRUE(ended);
    EXPECT_EQ(0, exitCode);
}

} // namespace
