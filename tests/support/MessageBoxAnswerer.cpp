#include "support/MessageBoxAnswerer.h"

namespace driver {

MessageBoxAnswerer::MessageBoxAnswerer(WindowQuery query, int buttonId, Duration timeout)
    : thread([this, query, buttonId, timeout] {
          std::optional<MessageBoxView> box = WaitForMessageBox(query, timeout);
          if (box) {
              answered = AnsweredBox{*box, WindowRect(box->window)};
              Answer(*box, buttonId, timeout);
          }
      }) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    if (thread.joinable()) {
        thread.join();
    }
}

std::optional<AnsweredBox> MessageBoxAnswerer::Result() {
    if (thread.joinable()) {
        thread.join();
    }
    return answered;
}

WindowQuery ThreadWindows(DWORD threadId) {
    WindowQuery query;
    query.processId = GetCurrentProcessId();
    query.threadId = threadId;
    return query;
}

} // namespace driver
