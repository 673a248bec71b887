// The main dialog whose cancel question fails while the request waits for the job lock: a
// stand-in worker holds the lock when Cancel is pressed, and the program's texts become
// unreadable before it lets go. The question's texts are read on the retry timer, which the
// message loop calls outside the dialog procedure.
//
//   LostTextDuringCancel.exe

#include "app/MainDialog.h"
#include "app/window/PrivateMessages.h"
#include "job/Cancellation.h"
#include "job/MessageCatalogue.h"
#include "res/ResourceIds.h"

#include <windows.h>

namespace {

DWORD WINAPI HoldLockDuringCancel(LPVOID parameter) {
    const HWND dialog = static_cast<HWND>(parameter);
    EnterCriticalSection(&jobLock);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_BUTTON, BN_CLICKED), 0);
    Sleep(4 * cancelRetryPeriod);
    // A module without the program's string table.
    appInstance = GetModuleHandleW(L"kernel32.dll");
    LeaveCriticalSection(&jobLock);
    return 0;
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != UM_START) {
        return MainDialogProc(dialog, message, wParam, lParam);
    }
    const HANDLE worker = CreateThread(nullptr, 0, HoldLockDuringCancel, dialog, 0, nullptr);
    if (worker != nullptr) {
        CloseHandle(worker);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    appInstance = instance;
    appIcon = LoadProgramIcon();
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), GetDesktopWindow(), Proc, 0);
    appIcon.Close();
    return 0;
}
