// The main dialog as it looks during a download, for screenshots: the real dialog, with the OS
// line of this system and a download half done, shown the way the worker would show them.
//
//   DialogPreview.exe

#include "app/MainDialog.h"
#include "app/window/PrivateMessages.h"
#include "app/window/ProgressDisplay.h"
#include "job/DownloadJob.h"
#include "job/MessageCatalogue.h"
#include "job/SystemIdentification.h"
#include "res/ResourceIds.h"

#include <windows.h>

namespace {

INT_PTR CALLBACK PreviewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != UM_START) {
        return MainDialogProc(dialog, message, wParam, lParam);
    }
    DownloadJob job(dialog);
    if (IdentifySystem(job)) {
        ShowOsLine(job);
    }
    SetWindowTextW(totalLabel, L"...");
    ShowProgress(41943040, 23068672);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    appInstance = instance;
    appIcon = LoadProgramIcon();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), GetDesktopWindow(), PreviewProc,
                    0);
    appIcon.Close();
    return 0;
}
