#include "job/DownloadWorker.h"

#include "app/window/CentredMessageBox.h"
#include "app/window/LocalObserver.h"
#include "app/window/PrivateMessages.h"
#include "app/window/UnexpectedFailure.h"
#include "crypt/MAAuthenticator.h"
#include "job/Cancellation.h"
#include "job/MessageCatalogue.h"
#include "job/SystemIdentification.h"
#include "memory/MSmartPtr.h"
#include "net/PackageTransfer.h"
#include "res/ResourceIds.h"

#include <shellapi.h>

namespace {

constexpr const wchar_t* hashCodeHeader = L"QUORVEX-DOWNLOAD-HASHCODE";

#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOW) == 60);
#endif

// jobLock held for the life of the guard, also when an exception passes.
class JobLockGuard {
public:
    JobLockGuard() { EnterCriticalSection(&jobLock); }
    JobLockGuard(const JobLockGuard&) = delete;
    JobLockGuard& operator=(const JobLockGuard&) = delete;
    ~JobLockGuard() { LeaveCriticalSection(&jobLock); }
};

void SetLabel(HWND dialog, int control, const MStringEx<wchar_t>& text) {
    SetWindowTextW(GetDlgItem(dialog, control), text.data);
}

MStringEx<wchar_t> Resource(UINT id) {
    MStringEx<wchar_t> text;
    LoadResourceString(appInstance, text, id);
    return text;
}

int Tell(const DownloadJob& job, const MStringEx<wchar_t>& message, UINT type) {
    return CentredMessageBox(job.dialog, message.data, job.internalName.data, type);
}

bool Ask(const DownloadJob& job, const MStringEx<wchar_t>& question) {
    return Tell(job, question, MB_YESNO | MB_ICONWARNING) == IDYES;
}

enum class Verification { matched, differs, failed };

// Every exception in here, of any kind, means that the package could not be
// checked.
Verification VerifyPackage(DownloadJob& job, const MemoryPH<unsigned char, 0>& hashCode) {
    try {
        SetLabel(job.dialog, IDC_CAPTION_LABEL, Resource(IDS_VERIFYING));
        SetLabel(job.dialog, IDC_BYTE_COUNT_LABEL, MStringEx<wchar_t>::FromUInt64Grouped(0));
        const MStringEx<wchar_t> containerName = MStringEx<wchar_t>::Printf(
            L"%s %s %s", job.productName, job.productVersion, job.internalName);
        MAAuthenticator authenticator(containerName, MAsymmetric::KeyLength(),
                                      MAAuthenticator::MAAuthAlgHash(CALG_SHA1));
        LocalObserver observer(job.dialog, cancelEvent);
        MemoryPH<unsigned char, 0> digest;
        authenticator.HashFile(job.packageFile.Get(), digest, observer);
        const MemoryPH<unsigned char, 0> expectedDigest = MAAuthenticator::DecodeHashCode(hashCode);
        return digest == expectedDigest ? Verification::matched : Verification::differs;
    } catch (...) {
        return Verification::failed;
    }
}

// Whether the package may be opened, asking the user when the server's hash
// code cannot vouch for it.
bool MayLaunch(DownloadJob& job, ResponseHeaders& responseHeaders) {
    if (responseHeaders.Count() == 0) {
        return Ask(job, Resource(IDS_NO_HASH));
    }
    switch (VerifyPackage(job, responseHeaders.Item(0)->value)) {
    case Verification::matched:
        return true;
    case Verification::differs:
        return Ask(job, MStringEx<wchar_t>::FormatResource(IDS_HASH_MISMATCH, job.internalName,
                                                           job.internalName));
    case Verification::failed:
        break;
    }
    return Ask(job, MStringEx<wchar_t>::FormatResource(IDS_VERIFY_EXCEPTION, job.internalName));
}

void LaunchPackage(DownloadJob& job) {
    job.packageFile.Close();
    SHELLEXECUTEINFOW launch = {};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_FLAG_NO_UI;
    launch.lpVerb = L"open";
    launch.lpFile = job.packagePath.data;
    launch.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&launch)) {
        Tell(job, Resource(IDS_LAUNCH_FAILED), MB_OK | MB_ICONERROR);
    }
}

void RunDownload(DownloadJob& job) {
    const MStringEx<wchar_t> headerBlock =
        IdentityHeaders(job, Is64BitWindows() ? L"x64" : L"Win32");
    // A confirmation given before the download began is not about this download.
    ResetEvent(cancelEvent);
    SetLabel(job.dialog, IDC_BYTE_COUNT_LABEL, Resource(IDS_CONNECTING));
    SetLabel(job.dialog, IDC_TOTAL_LABEL, MStringEx<wchar_t>(L"..."));

    ResponseHeaders responseHeaders(new Pair<MStringEx<wchar_t>, MemoryPH<unsigned char, 0>>(
                                        MStringEx<wchar_t>(hashCodeHeader)),
                                    nullptr);
    if (!TransferPackage(Resource(IDS_DOWNLOAD_PAGE), headerBlock, job.internalName,
                         job.packageFile.Get(), job.dialog, UM_PROGRESS, cancelEvent,
                         responseHeaders)) {
        return;
    }

    // Waits while the cancel question is open; its answer decides what follows.
    const JobLockGuard lock;
    if (WaitForSingleObject(cancelEvent, 0) != WAIT_TIMEOUT) {
        Tell(job,
             MStringEx<wchar_t>::FormatResource(IDS_COMPLETED_AFTER_CANCEL, job.productName,
                                                job.productName),
             MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (MayLaunch(job, responseHeaders)) {
        LaunchPackage(job);
    }
}

} // namespace

MStringEx<wchar_t> IdentityHeaders(const DownloadJob& job, const wchar_t* cpuType) {
    const MStringEx<wchar_t> majorVersion = job.productVersion.LeftOfChar(L'.');
    return MStringEx<wchar_t>::Printf(L"QUORVEX_PRODUCT: %s\r\nQUORVEX_PRODUCT_VERSION: "
                                      L"%s\r\nZEPH_OS_VERSION: %s\r\nZEPH_CPU_TYPE: %s",
                                      job.productName, majorVersion, job.osEdition, cpuType);
}

DWORD WINAPI DownloadWorker(LPVOID parameter) {
    MSmartPtr<DownloadJob> job(static_cast<DownloadJob*>(parameter));
    const HWND dialog = job.Get()->dialog;
    try {
        RunDownload(*job.Get());
    } catch (...) {
        // Message boxes of the worker are shown under the lock, as every other one.
        const JobLockGuard lock;
        ReportUnexpectedFailure(dialog);
    }
    // The package file is closed before the dialog learns that the run is over.
    job.Reset();
    PostMessageW(dialog, UM_FINISH, 0, 0);
    return 0;
}
