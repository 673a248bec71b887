#pragma once

// Answers the next message box from a thread of its own, for code under test that shows the box
// on the calling thread and returns only once it has been answered.

#include "support/WindowDriver.h"

#include <optional>
#include <thread>

namespace driver {

struct AnsweredBox {
    MessageBoxView view;
    RECT rect = {};
};

class MessageBoxAnswerer {
public:
    // Waits for a message box among the matching windows and presses the given button in it.
    MessageBoxAnswerer(WindowQuery query, int buttonId, Duration timeout = defaultTimeout);
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    ~MessageBoxAnswerer();

    // The box that was answered, once the answering thread has ended; empty when none appeared.
    std::optional<AnsweredBox> Result();

private:
    std::optional<AnsweredBox> answered;
    std::thread thread;
};

// The query for the windows of one thread of this process.
WindowQuery ThreadWindows(DWORD threadId = GetCurrentThreadId());

} // namespace driver
