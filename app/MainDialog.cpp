#include "app/MainDialog.h"

#include "app/window/PrivateMessages.h"
#include "app/window/ProgressDisplay.h"
#include "app/window/UnexpectedFailure.h"
#include "app/window/WindowPlacement.h"
#include "job/Cancellation.h"
#include "job/MessageCatalogue.h"
#include "job/StartUp.h"
#include "res/ResourceIds.h"
#include "text/MStringEx.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>

#if !defined(_WIN64)
static_assert(sizeof(LOGFONTW) == 92, "the wide logical font record");
#endif

MIconHandle appIcon;

HWND captionLabel = nullptr;
HWND osLabel = nullptr;
HWND thanksLabel = nullptr;

ControlFont captionFont;
ControlFont osFont;
ControlFont thanksFont;

namespace {

constexpr int iconViewSize = 48;
constexpr UINT iconViewResize =
    SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER;
// The static's type bits: the text static of the template becomes an icon static.
constexpr LONG staticTypeCleared = 0x0C;
constexpr LONG staticTypeIcon = SS_ICON;

constexpr int barRange = 5000;

void MakeIconView(HWND dialog) {
    const HWND iconView = GetDlgItem(dialog, IDC_ICON_VIEW);
    SetWindowTextW(iconView, L"");
    SetWindowPos(iconView, nullptr, 0, 0, iconViewSize, iconViewSize, iconViewResize);
    const LONG style = GetWindowLongW(iconView, GWL_STYLE);
    SetWindowLongW(iconView, GWL_STYLE, (style & ~staticTypeCleared) | staticTypeIcon);
    SendMessageW(iconView, STM_SETICON, reinterpret_cast<WPARAM>(appIcon.Get()), 0);
}

void InitialiseDialog(HWND dialog) {
    const MStringEx<wchar_t> productName = MStringEx<wchar_t>::FromVersionInfo(L"ProductName");
    const MStringEx<wchar_t> internalName = MStringEx<wchar_t>::FromVersionInfo(L"InternalName");

    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon.Get()));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon.Get()));
    SetWindowTextW(dialog, MStringEx<wchar_t>::Printf(L"%s %s", productName, internalName).data);

    MakeIconView(dialog);

    osLabel = GetDlgItem(dialog, IDC_OS_LABEL);
    SetWindowTextW(osLabel, L"");

    captionLabel = GetDlgItem(dialog, IDC_CAPTION_LABEL);
    captionFont.Apply(captionLabel, -2, FW_BOLD);
    osFont.Apply(osLabel, -4, FW_BOLD);
    thanksLabel = GetDlgItem(dialog, IDC_THANKS_LABEL);
    thanksFont.Apply(thanksLabel, 1, FW_NORMAL);

    byteCountLabel = GetDlgItem(dialog, IDC_BYTE_COUNT_LABEL);
    totalLabel = GetDlgItem(dialog, IDC_TOTAL_LABEL);
    SetWindowTextW(byteCountLabel, L"");
    SetWindowTextW(totalLabel, L"");

    progressBar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    SendMessageW(progressBar, PBM_SETRANGE32, 0, barRange);

    CentreOnPrimaryWorkArea(dialog);
}

void OpenDownloadPage(HWND dialog) {
    ShellExecuteW(dialog, L"open", MStringEx<wchar_t>::FromResource(IDS_DOWNLOAD_PAGE).data,
                  nullptr, nullptr, SW_SHOWNORMAL);
}

std::uint64_t Count(std::uintptr_t address) {
    return *reinterpret_cast<const std::uint64_t*>(address);
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitialiseDialog(dialog);
        return TRUE;
    case WM_SHOWWINDOW:
        // Posted, so that the run starts only after the dialog has been drawn.
        if (wParam != 0) {
            PostMessageA(dialog, UM_START, 0, 0);
        }
        return 0;
    case UM_START:
        if (!RunStartUp(dialog)) {
            PostQuitMessage(0);
        }
        return 0;
    case UM_PROGRESS:
        ShowProgress(Count(wParam), Count(lParam));
        return 0;
    case UM_STATUS:
        ShowByteCount(Count(lParam));
        return 0;
    case UM_FINISH:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_WEBSITE_BUTTON) {
            OpenDownloadPage(dialog);
        } else if (LOWORD(wParam) == IDC_CANCEL_BUTTON) {
            ConfirmCancel(dialog);
        }
        return 0;
    case WM_CLOSE:
        ConfirmCancel(dialog);
        return 0;
    case WM_DESTROY:
        captionFont.Restore();
        osFont.Restore();
        thanksFont.Restore();
        return 0;
    default:
        return 0;
    }
}

} // namespace

void ControlFont::Apply(HWND label, LONG heightChange, LONG weight) {
    control = label;
    previousFont = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW description = {};
    GetObjectW(previousFont, sizeof(description), &description);
    description.lfHeight += heightChange;
    description.lfWeight = weight;
    description.lfItalic = FALSE;
    description.lfUnderline = FALSE;
    font = CreateFontIndirectW(&description);
    if (font.IsValid()) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
}

void ControlFont::Restore() {
    if (font.IsValid()) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(previousFont), FALSE);
        font.Close();
    }
}

HICON LoadProgramIcon() {
    return static_cast<HICON>(
        LoadImageW(appInstance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(dialog, message, wParam, lParam);
    } catch (...) {
        EndAfterUnexpectedFailure(dialog);
        return 0;
    }
}
