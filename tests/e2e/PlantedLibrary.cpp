// A library that someone has left beside the program under the name of a system library. Each
// process that loads it leaves a marker file beside it, named after the file it was loaded as
// with ".loaded" appended, so that a test can tell whether the program took it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 16];
        const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
        if (length != 0 && length < MAX_PATH) {
            lstrcatW(path, L".loaded");
            const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr);
            if (marker != INVALID_HANDLE_VALUE) {
                CloseHandle(marker);
            }
        }
    }
    return TRUE;
}
