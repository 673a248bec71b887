#include "app/window/UnexpectedFailure.h"

#include "app/window/CentredMessageBox.h"
#include "memory/MExceptions.h"
#include "text/MStringEx.h"

#include <cwchar>
#include <new>

namespace {

constexpr std::size_t causeCapacity = 160;
constexpr std::size_t messageCapacity = 400;
constexpr std::size_t captionCapacity = 80;

// Set once an unexpected failure is being reported; the process ends when the user has read the
// report, so a failure of a message handled meanwhile adds no second report.
bool failureReported = false;

// The exception being handled, by class, code and system error where it has them.
void DescribeCurrentException(wchar_t* cause) {
    try {
        throw;
    } catch (const MUnitException& failure) {
        _snwprintf(cause, causeCapacity, L"MUnitException %ld", static_cast<long>(failure.code));
    } catch (const MAtomException& failure) {
        _snwprintf(cause, causeCapacity, L"MAtomException %ld, system error %lu",
                   static_cast<long>(failure.code), static_cast<unsigned long>(failure.win32Error));
    } catch (const MCryptException& failure) {
        _snwprintf(cause, causeCapacity, L"MCryptException %ld, system error %lu",
                   static_cast<long>(failure.code), static_cast<unsigned long>(failure.win32Error));
    } catch (const MStringExException& failure) {
        _snwprintf(cause, causeCapacity, L"MStringExException %ld",
                   static_cast<long>(failure.code));
    } catch (const DictionaryException& failure) {
        _snwprintf(cause, causeCapacity, L"DictionaryException %ld",
                   static_cast<long>(failure.code));
    } catch (const MSmartPtrError& failure) {
        _snwprintf(cause, causeCapacity, L"MSmartPtrError %ld", static_cast<long>(failure.code));
    } catch (const NumericDataException& failure) {
        _snwprintf(cause, causeCapacity, L"NumericDataException: %ls",
                   failure.message != nullptr ? failure.message : L"");
    } catch (const std::bad_alloc&) {
        _snwprintf(cause, causeCapacity, L"out of memory");
    } catch (...) {
        _snwprintf(cause, causeCapacity, L"unknown exception");
    }
    cause[causeCapacity - 1] = L'\0';
}

// The program's internal name from its version resource, unless that is what fails.
void InternalName(wchar_t* caption) {
    lstrcpynW(caption, L"Tornquill", captionCapacity);
    try {
        const MStringEx<wchar_t> name = MStringEx<wchar_t>::FromVersionInfo(L"InternalName");
        lstrcpynW(caption, name.data, captionCapacity);
    } catch (...) {
    }
}

} // namespace

void ReportUnexpectedFailure(HWND owner) noexcept {
    wchar_t cause[causeCapacity];
    DescribeCurrentException(cause);
    wchar_t message[messageCapacity];
    _snwprintf(message, messageCapacity,
               L"The Tornquill has stopped because of an unexpected error (%ls). A package file "
               L"that it has created stays where it is.",
               cause);
    message[messageCapacity - 1] = L'\0';
    wchar_t caption[captionCapacity];
    InternalName(caption);
    CentredMessageBox(owner, message, caption, MB_ICONERROR);
}

void ReportWindowFailure(DWORD error) noexcept {
    wchar_t reason[causeCapacity];
    lstrcpynW(reason, L"Unknown.", causeCapacity);
    try {
        lstrcpynW(reason, MStringEx<wchar_t>::FromSystemError(error).data, causeCapacity);
    } catch (...) {
    }
    wchar_t message[messageCapacity];
    _snwprintf(message, messageCapacity, L"The Tornquill cannot show its window because: %ls",
               reason);
    message[messageCapacity - 1] = L'\0';
    wchar_t caption[captionCapacity];
    InternalName(caption);
    CentredMessageBox(nullptr, message, caption, MB_ICONERROR);
}

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
