#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>

// A label of the main dialog drawn in a font derived from the one it had: the font it had is given
// back and the derived one deleted when the dialog is destroyed.
class ControlFont {
public:
    // Derives the font from the control's current one: lfHeight changed by heightChange (the
    // dialog's height is negative, so a negative change makes the text larger), the given weight,
    // neither italic nor underlined. A font that cannot be created leaves the control as it was.
    void Apply(HWND label, LONG heightChange, LONG weight);
    void Restore();

    HFONT Font() const { return font.Get(); }

private:
    HWND control = nullptr;
    HFONT previousFont = nullptr;
    MFontHandle font;
};

// The program's icon, shown in the dialog's caption and beside its texts.
extern MIconHandle appIcon;

// The labels of the main dialog that carry the product, the system and the thanks; set when the
// dialog is initialised.
extern HWND captionLabel;
extern HWND osLabel;
extern HWND thanksLabel;

extern ControlFont captionFont;
extern ControlFont osFont;
extern ControlFont thanksFont;

// Icon group 100 at its stored size.
HICON LoadProgramIcon();

// The dialog procedure of the main dialog. It starts the run when the dialog is shown, shows the
// worker's progress, asks before cancelling and ends the dialog when the worker has finished.
//
// No exception leaves it: one that reaches it means that the program cannot go on (its own
// resources are missing or damaged, memory has run out). The user is told so and the process
// ends with exit code 0.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
