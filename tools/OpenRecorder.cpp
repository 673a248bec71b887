// Stands in for the programs that the shell starts for a file type or a protocol: the end-to-end
// tests point associations at it, so that a test learns whether and what was opened.
//
//   OpenRecorder.exe LOG ARGUMENT...
//
// Appends one line to LOG: the arguments after LOG, separated by tabs, in UTF-16 with CR LF.
#include <windows.h>

#include <shellapi.h>

namespace {

bool WriteAll(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 2) {
        return 2;
    }
    // Appending keeps the line whole even when two recorders run at once.
    HANDLE log = CreateFileW(arguments[1], FILE_APPEND_DATA,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        LocalFree(arguments);
        return 3;
    }
    DWORD length = 0;
    for (int i = 2; i < count; ++i) {
        length += lstrlenW(arguments[i]) + 1;
    }
    wchar_t* line = static_cast<wchar_t*>(
        HeapAlloc(GetProcessHeap(), 0, (static_cast<SIZE_T>(length) + 2) * sizeof(wchar_t)));
    bool written = false;
    if (line != nullptr) {
        DWORD end = 0;
        for (int i = 2; i < count; ++i) {
            if (i > 2) {
                line[end++] = L'\t';
            }
            const int size = lstrlenW(arguments[i]);
            CopyMemory(line + end, arguments[i], size * sizeof(wchar_t));
            end += size;
        }
        line[end++] = L'\r';
        line[end++] = L'\n';
        written = WriteAll(log, line, end * sizeof(wchar_t));
        HeapFree(GetProcessHeap(), 0, line);
    }
    CloseHandle(log);
    LocalFree(arguments);
    return written ? 0 : 4;
}
