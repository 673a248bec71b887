#include "job/SystemIdentification.h"

#include "app/window/CentredMessageBox.h"
#include "job/MessageCatalogue.h"
#include "res/ResourceIds.h"
#include "text/MStringEx.h"
#include "text/SystemLibrary.h"

#include <shellapi.h>

static_assert(sizeof(OSVERSIONINFOW) == 276, "the plain version record, not the extended one");

namespace {

struct Edition {
    const wchar_t* text;
    UINT refusal;
};

// The first matching row decides; numbers compare unsigned, so no reported value passes as an
// old one.
Edition EditionOf(DWORD major, DWORD minor) {
    if (major < 5 || (major == 5 && minor == 0)) {
        return {nullptr, IDS_OS_TOO_OLD};
    }
    if (major == 5) {
        return {L"XP", 0};
    }
    if (major == 6) {
        return {minor == 0 ? L"Vista" : L"7", 0};
    }
    return {nullptr, IDS_OS_UNRECOGNISED};
}

} // namespace

bool WindowsVersionQuery::Query(OSVERSIONINFOW& version) const {
    return GetVersionExW(&version) != FALSE;
}

bool IdentifySystem(DownloadJob& job, const SystemVersionQuery& query) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    const Edition edition = query.Query(version)
                                ? EditionOf(version.dwMajorVersion, version.dwMinorVersion)
                                : Edition{nullptr, IDS_OS_UNDETERMINED};
    if (edition.text == nullptr) {
        RefuseSystem(job, edition.refusal);
        return false;
    }
    job.osEdition = MStringEx<wchar_t>(edition.text);
    job.isXp = version.dwMajorVersion == 5;
    return true;
}

bool IdentifySystem(DownloadJob& job) {
    return IdentifySystem(job, WindowsVersionQuery());
}

void RefuseSystem(const DownloadJob& job, UINT messageId) {
    const MStringEx<wchar_t> caption = job.productName + L" - " + job.internalName;
    // The refusals name the product once or twice; a text that names it once ignores the second.
    const MStringEx<wchar_t> message =
        MStringEx<wchar_t>::FormatResource(messageId, job.productName, job.productName);
    CentredMessageBox(job.dialog, message.data, caption.data, MB_OK | MB_ICONERROR);
    const MStringEx<wchar_t> downloadPage = MStringEx<wchar_t>::FromResource(IDS_DOWNLOAD_PAGE);
    ShellExecuteW(job.dialog, L"open", downloadPage.data, nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowOsLine(const DownloadJob& job) {
    const MStringEx<wchar_t> osLine = MStringEx<wchar_t>::FormatResource(
        IDS_PACKAGE_TITLE, job.productName, job.osEdition, Is64BitWindows() ? L"64" : L"32");
    SetWindowTextW(GetDlgItem(job.dialog, IDC_OS_LABEL), osLine.data);
}

bool Is64BitWindows() {
#if defined(_WIN64)
    // A 64-bit process runs on 64-bit Windows only.
    return true;
#else
    // Looked up at run time: kernel32 exports it from XP SP2 on.
    return RunsUnderWow64(KernelFunction<IsWow64ProcessFunction>("IsWow64Process"),
                          GetCurrentProcess());
#endif
}

bool RunsUnderWow64(IsWow64ProcessFunction isWow64Process, HANDLE process) {
    if (isWow64Process == nullptr) {
        return false;
    }
    BOOL isWow64 = FALSE;
    return isWow64Process(process, &isWow64) != FALSE && isWow64 != FALSE;
}
