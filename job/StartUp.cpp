#include "job/StartUp.h"

#include "app/window/CentredMessageBox.h"
#include "app/window/UnexpectedFailure.h"
#include "job/DownloadWorker.h"
#include "job/MessageCatalogue.h"
#include "job/PackageDestination.h"
#include "job/SystemIdentification.h"
#include "memory/MOwnedHandle.h"
#include "net/ServerProbe.h"
#include "res/ResourceIds.h"
#include "text/MStringEx.h"

namespace {

bool RunStartUpSteps(HWND dialog) {
    MSmartPtr<DownloadJob> job(new DownloadJob(dialog));
    MStringEx<wchar_t> siteAddress;
    LoadResourceString(appInstance, siteAddress, IDS_SITE_ADDRESS);
    if (!IsServerReachable(siteAddress)) {
        const MStringEx<wchar_t> message = MStringEx<wchar_t>::FormatResource(
            IDS_UNREACHABLE, job->productName, job->internalName, siteAddress);
        CentredMessageBox(dialog, message.data, job->internalName.data, MB_ICONERROR);
        return false;
    }
    if (!IdentifySystem(*job)) {
        return false;
    }
    ShowOsLine(*job);
    if (!ChoosePackageDestination(*job)) {
        return false;
    }
    return StartDownloadWorker(job, 0);
}

} // namespace

bool StartDownloadWorker(MSmartPtr<DownloadJob>& job, SIZE_T stackSize) {
    // The pointer gives the job up only once the thread exists: a thread that
    // could not be created must not leave the job and its open file without an
    // owner.
    const MKernelHandle thread(
        CreateThread(nullptr, stackSize, DownloadWorker, job.Get(), 0, nullptr));
    if (!thread.IsValid()) {
        return false;
    }
    job.Release();
    return true;
}

bool RunStartUp(HWND dialog) {
    try {
        return RunStartUpSteps(dialog);
    } catch (...) {
        ReportUnexpectedFailure(dialog);
        return false;
    }
}
