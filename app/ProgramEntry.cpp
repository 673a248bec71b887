#include "app/ProgramEntry.h"

#include "app/MainDialog.h"
#include "app/window/UnexpectedFailure.h"
#include "text/ResourceString.h"
#include "text/SystemLibrary.h"

#include <commctrl.h>

namespace {

// Windows 7 with its security update and later.
using DefaultDirectoriesSetter = BOOL(WINAPI*)(DWORD directoryFlags);
constexpr DWORD searchSystemFolderOnly = 0x800;
// Windows XP SP1 and later; an empty folder removes the current directory from the search.
using LibraryFolderSetter = BOOL(WINAPI*)(const wchar_t* folder);

} // namespace

void RestrictLibrarySearch() {
    if (const auto setDefault =
            KernelFunction<DefaultDirectoriesSetter>("SetDefaultDllDirectories")) {
        setDefault(searchSystemFolderOnly);
    }
    if (const auto setFolder = KernelFunction<LibraryFolderSetter>("SetDllDirectoryW")) {
        setFolder(L"");
    }
}

// The manifest asks for the common controls that carry the progress bar's class, but only the
// program can have them registered: without it Windows XP cannot create the dialog.
int RunMainDialog(const wchar_t* dialogTemplate) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    appIcon = LoadProgramIcon();
    if (DialogBoxParamW(appInstance, dialogTemplate, GetDesktopWindow(), MainDialogProc, 0) == -1) {
        ReportWindowFailure(GetLastError());
    }
    appIcon.Close();
    return 0;
}
