#include "app/UnexpectedEnd.h"

#include "job/UnexpectedFailure.h"

namespace {

// Set once an unexpected failure is being reported; the process ends when the user has read the
// report, so a failure of a message handled meanwhile adds no second report.
bool failureReported = false;

} // namespace

// The process ends at once after the report, the worker with it, so that nothing of the run goes
// on behind the report and nothing the worker still uses is destroyed under it. The report's box
// handles the dialog's messages while it is open, so a worker waiting for this thread is not left
// waiting. A dialog that was never shown does not own the report.
void EndAfterUnexpectedFailure(HWND dialog) {
    if (failureReported) {
        return;
    }
    failureReported = true;
    ReportUnexpectedFailure(IsWindowVisible(dialog) ? dialog : nullptr);
    ExitProcess(0);
}
