// Stands in for the program that the shell starts for a file type or protocol: it appends its
// command line, one line per start, to the file named by TORNQUILL_OPEN_RECORD. A test points an
// association at it and reads what was opened.

#include <windows.h>

int wmain() {
    wchar_t recordPath[MAX_PATH * 4] = {};
    if (GetEnvironmentVariableW(L"TORNQUILL_OPEN_RECORD", recordPath, MAX_PATH * 4) == 0) {
        return 2;
    }
    HANDLE file = CreateFileW(recordPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    const wchar_t* commandLine = GetCommandLineW();
    DWORD written = 0;
    WriteFile(file, commandLine, static_cast<DWORD>(lstrlenW(commandLine) * sizeof(wchar_t)),
              &written, nullptr);
    WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return 0;
}
