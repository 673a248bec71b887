#include "app/MainDialog.h"
#include "job/MessageCatalogue.h"
#include "res/ResourceIds.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    appInstance = instance;
    appIcon = LoadProgramIcon();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), GetDesktopWindow(),
                    MainDialogProc, 0);
    appIcon.Close();
    return 0;
}
