#include "app/ProgramEntry.h"
#include "res/ResourceIds.h"
#include "text/ResourceString.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictLibrarySearch();
    appInstance = instance;
    return RunMainDialog(MAKEINTRESOURCEW(IDD_MAIN_DIALOG));
}
