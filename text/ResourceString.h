#pragma once

#include "text/MStringEx.h"

#include <windows.h>

// The module whose resources hold the program's texts. The program entry stores its instance
// here; null stands for the executable's own module.
extern HINSTANCE appInstance;

// Replaces target's text by string-table entry id of module (null: the executable itself).
// MStringExException 0 when the entry does not exist or is empty.
void LoadResourceString(HINSTANCE module, MStringEx<wchar_t>& target, UINT id);
