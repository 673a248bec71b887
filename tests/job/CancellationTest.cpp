#include "job/Cancellation.h"

#include "app/window/PrivateMessages.h"
#include "res/ResourceIds.h"
#include "support/TemporaryPath.h"
#include "support/ChildProcess.h"
#include "support/HiddenDialog.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TestWindow.h"
#include "text/MStringEx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using driver::Duration;
using Clock = std::chrono::steady_clock;

constexpr const wchar_t* exitRecordVariable = L"TORNQUILL_EXIT_RECORD";

// The main dialog with the part of the dialog procedure that concerns cancelling: Cancel and
// the close box ask, UM_STATUS is counted.
class MainDialog : public HiddenDialog {
public:
    MainDialog() : HiddenDialog(Procedure) {}

    static std::atomic<int> statusCount;

private:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case UM_STATUS:
            ++statusCount;
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_CANCEL_BUTTON) {
                ConfirmCancel(dialog);
            }
            return 0;
        case WM_CLOSE:
            ConfirmCancel(dialog);
            return 0;
        }
        return 0;
    }
};

std::atomic<int> MainDialog::statusCount{0};

bool IsSignalled() {
    return WaitForSingleObject(cancelEvent, 0) == WAIT_OBJECT_0;
}

// Handles this thread's messages, as the dialog thread does, until the condition holds.
bool PumpUntil(const std::function<bool()>& condition, Duration timeout = driver::defaultTimeout) {
    const Clock::time_point end = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        driver::PumpMessages();
    }
    return true;
}

bool IsDefaultButton(HWND box, int id) {
    return (GetWindowLongW(GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// What a watcher saw of one question.
struct SeenQuestion {
    driver::MessageBoxView view;
    bool noIsDefault = false;
    bool lockTakenByQuestion = false;
    bool workerHadLetGo = false;
};

// Watches the questions of the dialog thread from a thread of its own, notes what it finds at
// the moment each appears, lets the test act while it is open, and answers it.
class QuestionWatcher {
public:
    QuestionWatcher(int answer, const std::atomic<bool>* workerLetGo = nullptr,
                    std::function<void(HWND)> whileOpen = nullptr)
        : query(driver::ThreadWindows()), thread([=] {
              while (!stop) {
                  for (const driver::MessageBoxView& box : driver::FindMessageBoxes(query)) {
                      SeenQuestion seen;
                      seen.view = box;
                      seen.workerHadLetGo = workerLetGo != nullptr && *workerLetGo;
                      seen.noIsDefault =
                          IsDefaultButton(box.window, IDNO) && !IsDefaultButton(box.window, IDYES);
                      seen.lockTakenByQuestion = !TryEnterCriticalSection(&jobLock);
                      if (!seen.lockTakenByQuestion) {
                          LeaveCriticalSection(&jobLock);
                      }
                      if (whileOpen) {
                          whileOpen(box.window);
                      }
                      driver::Answer(box, answer);
                      const std::lock_guard<std::mutex> guard(mutex);
                      questions.push_back(seen);
                  }
                  Sleep(5);
              }
          }) {}
    QuestionWatcher(const QuestionWatcher&) = delete;
    QuestionWatcher& operator=(const QuestionWatcher&) = delete;
    ~QuestionWatcher() { Stop(); }

    size_t Count() {
        const std::lock_guard<std::mutex> guard(mutex);
        return questions.size();
    }

    std::vector<SeenQuestion> Stop() {
        stop = true;
        if (thread.joinable()) {
            thread.join();
        }
        return questions;
    }

private:
    driver::WindowQuery query;
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<SeenQuestion> questions;
    std::thread thread;
};

class ConfirmCancelTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, dialog.Handle());
        ResetEvent(cancelEvent);
        MainDialog::statusCount = 0;
    }

    void Request(bool byCloseBox) {
        if (byCloseBox) {
            PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
        } else {
            driver::PressButton(dialog.Handle(), IDC_CANCEL_BUTTON);
        }
    }

    MainDialog dialog;
};

TEST_F(ConfirmCancelTest, AsksAndConfirmsOnlyOnYes) {
    struct Case {
        const char* name;
        bool byCloseBox;
        int answer;
        bool confirmed;
    };
    const Case cases[] = {
        {"Cancel, Yes", false, IDYES, true},
        {"Cancel, No", false, IDNO, false},
        {"close box, Yes", true, IDYES, true},
        {"close box, No", true, IDNO, false},
    };
    const std::wstring question = MStringEx<wchar_t>::FromResource(IDS_CANCEL_QUESTION).data;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetEvent(cancelEvent);
        QuestionWatcher watcher(c.answer);
        Request(c.byCloseBox);
        ASSERT_TRUE(PumpUntil([&] { return watcher.Count() == 1; }));
        const std::vector<SeenQuestion> seen = watcher.Stop();
        EXPECT_EQ(L"Veltrane Tornquill", seen[0].view.caption);
        EXPECT_EQ(question, seen[0].view.text);
        EXPECT_TRUE(seen[0].noIsDefault);
        EXPECT_TRUE(seen[0].lockTakenByQuestion);
        EXPECT_EQ(c.confirmed, IsSignalled());
        EXPECT_TRUE(TryEnterCriticalSection(&jobLock));
        LeaveCriticalSection(&jobLock);
    }
}

TEST_F(ConfirmCancelTest, RequestWhileTheQuestionIsOpenAddsNoSecondOne) {
    QuestionWatcher watcher(IDNO, nullptr, [this](HWND) {
        Request(true);
        Request(false);
        Sleep(300);
    });
    Request(false);
    ASSERT_TRUE(PumpUntil([&] { return watcher.Count() >= 1; }));
    PumpUntil([] { return false; }, Duration{500});
    EXPECT_EQ(1u, watcher.Stop().size());
}

// A worker whose download ends while the question is open waits for the answer: after Yes it
// finds the confirmation, after No it goes on.
TEST_F(ConfirmCancelTest, WorkerFinishingMeanwhileWaitsForTheAnswer) {
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        ResetEvent(cancelEvent);
        std::atomic<bool> workerHasLock{false};
        std::atomic<bool> lockedWhileOpen{false};
        DWORD workerFound = 0;
        std::thread worker;
        QuestionWatcher watcher(answer, nullptr, [&](HWND) {
            worker = std::thread([&] {
                EnterCriticalSection(&jobLock);
                workerHasLock = true;
                workerFound = WaitForSingleObject(cancelEvent, 0);
                LeaveCriticalSection(&jobLock);
            });
            Sleep(300);
            lockedWhileOpen = workerHasLock.load();
        });
        Request(false);
        EXPECT_TRUE(PumpUntil([&] { return watcher.Count() == 1 && workerHasLock; }));
        watcher.Stop();
        if (worker.joinable()) {
            worker.join();
        }
        EXPECT_FALSE(lockedWhileOpen);
        EXPECT_EQ(answer == IDYES ? WAIT_OBJECT_0 : WAIT_TIMEOUT, workerFound);
    }
}

// A worker holds jobLock while it keeps the dialog thread busy, as during the verification: label
// texts and UM_STATUS, each of which waits for the dialog thread. Every one must be served while
// requests arrive, and the question must come only once the worker has let go.
TEST_F(ConfirmCancelTest, WorkerHoldingTheLockIsServedAndAskedAfter) {
    const HWND label = GetDlgItem(dialog.Handle(), IDC_BYTE_COUNT_LABEL);
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        ResetEvent(cancelEvent);
        MainDialog::statusCount = 0;
        const int answer = round % 2 == 0 ? IDYES : IDNO;
        std::atomic<bool> holding{false};
        std::atomic<bool> letGo{false};
        std::atomic<int> sent{0};
        std::atomic<int> unanswered{0};
        const HWND target = dialog.Handle();
        QuestionWatcher watcher(answer, &letGo);
        std::thread worker([&, round] {
            EnterCriticalSection(&jobLock);
            holding = true;
            const Clock::time_point end =
                Clock::now() + std::chrono::milliseconds(80 + round % 5 * 20);
            for (unsigned long long count = 0; Clock::now() < end; count += 65536) {
                unsigned long long size = 1 << 24;
                DWORD_PTR result = 0;
                if (!SendMessageTimeoutW(target, UM_STATUS, reinterpret_cast<WPARAM>(&size),
                                         reinterpret_cast<LPARAM>(&count), SMTO_NORMAL, 5000,
                                         &result)) {
                    ++unanswered;
                }
                const std::wstring text = std::to_wstring(count);
                if (!SendMessageTimeoutW(label, WM_SETTEXT, 0,
                                         reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                                         &result)) {
                    ++unanswered;
                }
                ++sent;
            }
            letGo = true;
            LeaveCriticalSection(&jobLock);
        });
        EXPECT_TRUE(PumpUntil([&] { return holding.load(); }));
        // Requests at varying points of the worker's hold, repeated: one question in all.
        const Clock::time_point start = Clock::now();
        PumpUntil([&] { return Clock::now() - start > std::chrono::milliseconds(round % 4 * 15); });
        Request(round % 3 == 0);
        PumpUntil([] { return false; }, Duration{10});
        Request(false);
        Request(true);
        const bool answered = PumpUntil([&] { return watcher.Count() >= 1 && letGo; });
        worker.join();
        PumpUntil([] { return false; }, Duration{100});
        const std::vector<SeenQuestion> seen = watcher.Stop();
        ASSERT_TRUE(answered);
        EXPECT_EQ(0, unanswered.load());
        EXPECT_EQ(sent.load(), MainDialog::statusCount.load());
        EXPECT_GT(sent.load(), 0);
        ASSERT_EQ(1u, seen.size());
        EXPECT_TRUE(seen[0].workerHadLetGo);
        EXPECT_TRUE(seen[0].lockTakenByQuestion);
        EXPECT_EQ(answer == IDYES, IsSignalled());
    }
}

// Run as a child: a worker still holds jobLock when the program ends. It notes whether the event
// is still open just before it lets go; the process then ends.
TEST(ChildAtExit, EndsWhileTheWorkerHoldsTheLock) {
    static wchar_t recordPath[MAX_PATH * 4];
    if (GetEnvironmentVariableW(exitRecordVariable, recordPath, MAX_PATH * 4) == 0) {
        GTEST_SKIP() << "runs only as the child of ProgramExit";
    }
    static HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE worker = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            EnterCriticalSection(&jobLock);
            SetEvent(held);
            Sleep(500);
            MStringEx<wchar_t> record(WaitForSingleObject(cancelEvent, 0) == WAIT_TIMEOUT
                                          ? L"event open"
                                          : L"event gone");
            record.AppendToFile(recordPath, false);
            LeaveCriticalSection(&jobLock);
            Sleep(INFINITE);
            return 0;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(nullptr, worker);
    CloseHandle(worker);
    WaitForSingleObject(held, INFINITE);
    std::exit(0);
}

TEST(ProgramExit, WaitsForTheWorkerToLetGoOfTheLock) {
    const std::wstring recordPath = TemporaryPath(L"tornquill-exit-record.txt");
    DeleteFileW(recordPath.c_str());
    SetEnvironmentVariableW(exitRecordVariable, recordPath.c_str());
    std::wstring program(MAX_PATH * 4, L'\0');
    program.resize(GetModuleFileNameW(nullptr, &program[0], static_cast<DWORD>(program.size())));
    driver::ChildProcess child(program, L"--gtest_filter=ChildAtExit.*");
    SetEnvironmentVariableW(exitRecordVariable, nullptr);
    ASSERT_TRUE(child.IsStarted());
    EXPECT_EQ(0u, child.WaitForExit().value_or(1));
    std::ifstream file(recordPath.c_str(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    file.close();
    EXPECT_EQ(std::wstring(L"event open"),
              std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2));
    DeleteFileW(recordPath.c_str());
}

} // namespace
