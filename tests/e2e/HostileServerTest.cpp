// Servers that do not play along: one that goes silent in the middle of the exchange, and one
// that answers with an error page. The run ends as for any failed download: quietly, the file
// kept, nothing opened.
#include "e2e/ProgramRun.h"
#include "e2e/VendorControl.h"

#include "res/ResourceIds.h"

#include <chrono>

namespace {

using driver::Duration;
using Clock = std::chrono::steady_clock;

class HostileServer : public ProgramRunTest {
protected:
    // The request has reached the server: the worker waits for it now.
    void WaitForTheRequest() {
        ASSERT_TRUE(driver::WaitUntil([] { return DownloadRequests().size() == 1; }))
            << "the program sent no request";
    }

    const std::wstring path = InDownloads(PackageName() + L".msi");
};

struct Stall {
    const char* mode;
    std::size_t bytesBeforeSilence;
};

std::ostream& operator<<(std::ostream& out, const Stall& stall) {
    return out << stall.mode;
}

class Stalls : public HostileServer, public ::testing::WithParamInterface<Stall> {};

// The user has answered: the run ends at once, also while the worker waits for a silent server.
// (Without a window manager Wine spends 2 s on every window it hides, which the test bed's
// virtual desktop avoids.) Without the bound on the wait the run waits for the server.
constexpr Duration cancelledRunEnds{2000};

TEST_P(Stalls, ConfirmedCancelEndsTheRunPromptly) {
    const Stall& stall = GetParam();
    vendor::Select(stall.mode, "cut=" + std::to_string(stall.bytesBeforeSilence));
    StartDownload();
    WaitForTheRequest();
    ASSERT_TRUE(driver::WaitUntil([&] {
        const auto size = SizeOf(path);
        return size && *size == stall.bytesBeforeSilence;
    }));
    // Long enough for the worker to sit in its wait for the silent server.
    Sleep(1000);
    driver::PressButton(MainDialog(), cancelButton);
    const auto question = WaitForMessageBox();
    ASSERT_TRUE(question);
    ASSERT_EQ(expected::Message(IDS_CANCEL_QUESTION), question->text);

    const Clock::time_point confirmed = Clock::now();
    ASSERT_TRUE(driver::PressButton(question->window, IDYES));
    const std::optional<DWORD> exitCode = program->WaitForExit(cancelledRunEnds);
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - confirmed);
    ASSERT_TRUE(exitCode.has_value()) << "the program still runs after the confirmation";
    EXPECT_EQ(0u, *exitCode);
    EXPECT_GE(cancelledRunEnds, took);
    ExpectQuietEnd();

    const std::string partial = ReadBytes(path);
    EXPECT_TRUE(
        SameBytes(vendor::Package("7", CpuType(), packageSize).substr(0, partial.size()), partial));
    EXPECT_EQ(stall.bytesBeforeSilence, partial.size());
    EXPECT_TRUE(Opened().empty());
}

INSTANTIATE_TEST_SUITE_P(HostileServer, Stalls,
                         ::testing::Values(Stall{"stall-request", 0}, Stall{"stall-headers", 0},
                                           Stall{"stall-body", 100000}));

TEST_F(HostileServer, SilentServerEndsTheRunAfterThirtySeconds) {
    vendor::Select("stall-body", "cut=100000");
    StartDownload();
    WaitForTheRequest();
    const Clock::time_point requested = Clock::now();
    ExpectQuietEnd(Duration{45000});
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - requested);
    EXPECT_LE(Duration{29000}, took);
    EXPECT_GE(Duration{36000}, took);
    EXPECT_TRUE(
        SameBytes(vendor::Package("7", CpuType(), packageSize).substr(0, 100000), ReadBytes(path)));
    EXPECT_TRUE(Opened().empty());
}

class ErrorPages : public HostileServer, public ::testing::WithParamInterface<const char*> {};

// Not the question about a missing hash code, which would call the page a download; and an error
// page that comes with its own hash code is not opened either.
TEST_P(ErrorPages, EndTheRunQuietlyWithoutALaunch) {
    vendor::Select(GetParam());
    StartDownload();
    ExpectQuietEnd();
    EXPECT_EQ(1u, DownloadRequests().size());
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ("", ReadBytes(path));
    EXPECT_TRUE(Opened().empty());
}

INSTANTIATE_TEST_SUITE_P(HostileServer, ErrorPages,
                         ::testing::Values("not-found", "server-error", "redirect-missing"));

// The error page that a redirect leads to counts; a redirect to the package is a download.
TEST_F(HostileServer, RedirectToThePackageStillDownloadsAndOpensIt) {
    vendor::Select("redirect");
    StartDownload();
    ExpectQuietEnd();
    EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), packageSize), ReadBytes(path)));
    const std::vector<std::wstring> opened = Opened();
    ASSERT_EQ(1u, opened.size());
    EXPECT_NE(std::wstring::npos, opened[0].find(L"\"" + path + L"\"")) << opened[0];
}

} // namespace
