#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>

// Loads the named library from the system folder by its full path. The program runs from the
// user's Downloads folder, where any web page can leave a file: a bare name would let a file of
// that name in the program's folder or the current directory run with the user's rights. The
// library's own dependencies are searched in the system folder first as well, also on systems
// that cannot set the default search directories. Null when the library cannot be loaded there.
HMODULE LoadSystemLibrary(const wchar_t* name);

// An entry point of a module as the given function pointer type, or null.
template <class Function> Function ModuleFunction(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // The detour through the generic function type keeps the compiler from comparing the two
    // signatures.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// An entry point of a loaded library as the given function pointer type, or null.
template <class Function>
Function LibraryFunction(const MLibraryHandle& library, const char* name) {
    return ModuleFunction<Function>(library.Get(), name);
}

// An entry point of kernel32, which every process has loaded (so nothing is loaded here), or null
// where this system's kernel32 lacks it.
template <class Function> Function KernelFunction(const char* name) {
    return ModuleFunction<Function>(GetModuleHandleW(L"kernel32.dll"), name);
}
