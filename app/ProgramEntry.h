#pragma once

#include <windows.h>

// Keeps the program's folder and the current directory out of the search for every library
// loaded from here on, as far as this system can: the program runs from the user's Downloads
// folder, where any web page can leave a file. Call it first, before anything loads a library.
void RestrictLibrarySearch();

// Runs the main dialog from the given template of appInstance and waits until it has ended. A
// dialog that cannot be created is reported to the user with the system's reason. Returns the
// process exit code, always 0.
int RunMainDialog(const wchar_t* dialogTemplate);
