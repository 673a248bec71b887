#include "support/HiddenDialog.h"

#include "res/ResourceIds.h"
#include "support/TestWindow.h"

HiddenDialog::HiddenDialog(DLGPROC procedure)
    : window(
          CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), nullptr, procedure, 0)) {}

HiddenDialog::~HiddenDialog() {
    DestroyWindow(window);
    driver::PumpMessages();
}

INT_PTR CALLBACK HiddenDialog::AcceptCreation(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}
