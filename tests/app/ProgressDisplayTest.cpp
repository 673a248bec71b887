#include "DialogHost.h"

#include "app/window/LocalObserver.h"
#include "app/window/PrivateMessages.h"
#include "app/window/ProgressDisplay.h"
#include "res/ResourceIds.h"
#include "text/MStringEx.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using driver::Duration;

constexpr std::uint64_t unknown = 0;

// The test thread plays the worker: it writes the labels and sends the progress messages as the
// worker does, with the counts in its own frame.
class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, host.Dialog()); }

    void StartJob() {
        SetWindowTextW(host.Control(IDC_BYTE_COUNT_LABEL), L"Connecting");
        SetWindowTextW(host.Control(IDC_TOTAL_LABEL), L"...");
    }

    void SendProgress(std::uint64_t total, std::uint64_t received) {
        ASSERT_TRUE(driver::SendWithin(host.Dialog(), UM_PROGRESS, reinterpret_cast<WPARAM>(&total),
                                       reinterpret_cast<LPARAM>(&received), Duration{5000}));
    }

    void SendStatus(std::uint64_t size, std::uint64_t done) {
        ASSERT_TRUE(driver::SendWithin(host.Dialog(), UM_STATUS, reinterpret_cast<WPARAM>(&size),
                                       reinterpret_cast<LPARAM>(&done), Duration{5000}));
    }

    std::wstring ByteCount() { return driver::ControlText(host.Dialog(), IDC_BYTE_COUNT_LABEL); }
    std::wstring Total() { return driver::ControlText(host.Dialog(), IDC_TOTAL_LABEL); }
    LRESULT BarPosition() {
        LRESULT position = -1;
        EXPECT_TRUE(driver::SendWithin(host.Control(IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0,
                                       Duration{5000}, &position));
        return position;
    }

    DialogHost host;
};

struct ProgressStep {
    std::uint64_t total;
    std::uint64_t received;
    const wchar_t* byteCount;
    const wchar_t* totalText;
    LRESULT bar;
};

struct ProgressCase {
    const char* name;
    std::vector<ProgressStep> steps;
};

TEST_F(ProgressTest, ShowsCountsTotalAndBarMessageByMessage) {
    const ProgressCase cases[] = {
        {"one byte of three truncates the bar",
         {{3, 0, L"0", L"out of 3 bytes", 0}, {3, 1, L"1", L"out of 3 bytes", 1666}}},
        {"a stated length of 1 MiB",
         {{1048576, 0, L"0", L"out of 1,048,576 bytes", 0},
          {1048576, 524288, L"524,288", L"out of 1,048,576 bytes", 2500},
          {1048576, 1048576, L"1,048,576", L"out of 1,048,576 bytes", 5000},
          {1048576, 1048576, L"1,048,576", L"out of 1,048,576 bytes", 5000}}},
        {"no stated length keeps the bar in the middle",
         {{unknown, 0, L"0", L"out of [unknown] bytes", 2500},
          {unknown, 1234567, L"1,234,567", L"out of [unknown] bytes", 2500},
          {unknown, 18446744073709551615ull, L"18,446,744,073,709,551,615",
           L"out of [unknown] bytes", 2500}}},
        {"the total is written once per job",
         {{2000, 1000, L"1,000", L"out of 2,000 bytes", 2500},
          {unknown, 1500, L"1,500", L"out of 2,000 bytes", 2500},
          {4000, 3000, L"3,000", L"out of 2,000 bytes", 3750}}},
        {"more than announced fills the bar",
         {{1000, 1500, L"1,500", L"out of 1,000 bytes", 5000},
          {1, 4294967296ull, L"4,294,967,296", L"out of 1,000 bytes", 5000}}},
    };
    for (const ProgressCase& c : cases) {
        SCOPED_TRACE(c.name);
        StartJob();
        for (const ProgressStep& step : c.steps) {
            SCOPED_TRACE(testing::Message() << step.received << " of " << step.total);
            SendProgress(step.total, step.received);
            EXPECT_EQ(ByteCount(), step.byteCount);
            EXPECT_EQ(Total(), step.totalText);
            EXPECT_EQ(BarPosition(), step.bar);
        }
    }
}

TEST_F(ProgressTest, StatusShowsTheBytesHashedAndLeavesTotalAndBar) {
    StartJob();
    SendProgress(1048576, 1048576);
    SetWindowTextW(host.Control(IDC_BYTE_COUNT_LABEL), L"0");
    for (const std::uint64_t done : {0ull, 524288ull, 1048576ull}) {
        SendStatus(1048576, done);
        EXPECT_EQ(ByteCount(), MStringEx<wchar_t>::FromUInt64Grouped(done).data);
        EXPECT_EQ(Total(), L"out of 1,048,576 bytes");
        EXPECT_EQ(BarPosition(), 5000);
    }
}

TEST(ProgressPosition, IsTheTruncatedShareOf5000) {
    struct Case {
        std::uint64_t total;
        std::uint64_t received;
        std::int64_t position;
    };
    const Case cases[] = {
        {3, 1, 1666},
        {3, 2, 3333},
        {1048576, 524288, 2500},
        {unknown, 0, 2500},
        {unknown, 18446744073709551615ull, 2500},
        {18446744073709551615ull, 18446744073709551615ull, 5000},
        {18446744073709551615ull, 1, 0},
        {1, 4294967296ull, 5000},
        {1, 18446744073709551615ull, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.received << " of " << c.total);
        EXPECT_EQ(ProgressPosition(c.total, c.received), c.position);
    }
}

// A window of the test thread that keeps what UM_STATUS brings.
class StatusReceiver {
public:
    StatusReceiver() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Receive;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TornquillStatusReceiver";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, windowClass.hInstance, nullptr);
        received = &reports;
    }
    StatusReceiver(const StatusReceiver&) = delete;
    StatusReceiver& operator=(const StatusReceiver&) = delete;
    ~StatusReceiver() {
        DestroyWindow(window);
        received = nullptr;
    }

    HWND Window() const { return window; }

    struct Report {
        std::uint64_t size;
        std::uint64_t done;
    };
    std::vector<Report> reports;

private:
    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == UM_STATUS && received != nullptr) {
            received->push_back({*reinterpret_cast<const std::uint64_t*>(wParam),
                                 *reinterpret_cast<const std::uint64_t*>(lParam)});
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static std::vector<Report>* received;
    HWND window;
};

std::vector<StatusReceiver::Report>* StatusReceiver::received = nullptr;

double MillisecondsOf(const std::function<void()>& action) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    action();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

class LocalObserverTest : public ::testing::Test {
protected:
    void TearDown() override { CloseHandle(event); }

    StatusReceiver receiver;
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

TEST_F(LocalObserverTest, ReportsEachBlockToTheDialogAndPauses) {
    LocalObserver observer(receiver.Window(), event);
    bool goOn = false;
    const double elapsed = MillisecondsOf([&] { goOn = observer.Notify(65536, 1048576, 65536); });
    EXPECT_TRUE(goOn);
    ASSERT_EQ(receiver.reports.size(), 1u);
    EXPECT_EQ(receiver.reports[0].size, 1048576u);
    EXPECT_EQ(receiver.reports[0].done, 65536u);
    EXPECT_GE(elapsed, 35.0) << "no pause after the report";
}

TEST_F(LocalObserverTest, StopsAtOnceWithoutReportWhenTheUserHasCancelled) {
    LocalObserver observer(receiver.Window(), event);
    SetEvent(event);
    bool goOn = true;
    const double elapsed = MillisecondsOf([&] { goOn = observer.Notify(0, 1048576, 65536); });
    EXPECT_FALSE(goOn);
    EXPECT_TRUE(receiver.reports.empty());
    EXPECT_LT(elapsed, 30.0) << "paused after a cancellation";
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the confirmation was not taken";
}

TEST_F(LocalObserverTest, StopsWhenTheCancelEventCannotBeRead) {
    HANDLE closed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(closed);
    for (const HANDLE unreadable : {static_cast<HANDLE>(nullptr), closed}) {
        LocalObserver observer(receiver.Window(), unreadable);
        EXPECT_FALSE(observer.Notify(0, 10, 10));
    }
    EXPECT_TRUE(receiver.reports.empty());
}

} // namespace
