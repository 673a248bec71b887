// One package transfer as the program makes it, measured: the time the transfer takes and the
// peak memory of this process. transfer-bench.py runs it and compares it with curl.
//
//   transfer_bench URL SIZE
//
// fetches URL into a temporary file, checks that SIZE bytes arrived and prints one line: the
// seconds, the peak working set and the peak pagefile usage in bytes, the progress messages.
#include "app/window/PrivateMessages.h"
#include "bench/Clock.h"
#include "net/PackageTransfer.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct TransferRun {
    const wchar_t* address;
    HANDLE file;
    HWND window;
    HANDLE cancelEvent;
    bool result;
    double seconds;
};

// The worker's call, with its identity headers and the hash header wanted.
DWORD WINAPI TransferThread(void* parameter) {
    TransferRun& run = *static_cast<TransferRun*>(parameter);
    ResponseHeaders headers;
    headers.Insert(new ResponseHeader(MStringEx<wchar_t>(L"QUORVEX-DOWNLOAD-HASHCODE")));
    const double start = Now();
    run.result =
        TransferPackage(MStringEx<wchar_t>(run.address),
                        MStringEx<wchar_t>(L"QUORVEX_PRODUCT: Veltrane\r\nQUORVEX_PRODUCT_VERSION: "
                                           L"2\r\nZEPH_OS_VERSION: 7\r\nZEPH_CPU_TYPE: x64"),
                        MStringEx<wchar_t>(L"Tornquill"), run.file, run.window, UM_PROGRESS,
                        run.cancelEvent, headers);
    run.seconds = Now() - start;
    return 0;
}

// One progress message per read of the body.
std::uint64_t progressMessages = 0;

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_PROGRESS) {
        ++progressMessages;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// The transfer runs on a thread of its own and sends its progress to a window of the thread that
// handles messages, as in the program, so each read costs one switch between the two threads.
int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: transfer_bench URL SIZE\n");
        return 2;
    }
    const std::uint64_t size = std::wcstoull(argv[2], nullptr, 10);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProgressWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TransferBenchProgress";
    RegisterClassW(&windowClass);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring target = std::wstring(folder) + L"transfer-bench.bin";

    TransferRun run = {};
    run.address = argv[1];
    run.window = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    run.cancelEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    run.file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (run.window == nullptr || run.cancelEvent == nullptr || run.file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "transfer_bench: cannot prepare the transfer (%lu)\n", GetLastError());
        return 1;
    }
    HANDLE thread = CreateThread(nullptr, 0, TransferThread, &run, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    CloseHandle(thread);
    LARGE_INTEGER written = {};
    GetFileSizeEx(run.file, &written);
    CloseHandle(run.file);
    DeleteFileW(target.c_str());
    CloseHandle(run.cancelEvent);
    DestroyWindow(run.window);
    if (!run.result || static_cast<std::uint64_t>(written.QuadPart) != size) {
        std::fprintf(stderr, "transfer_bench: transfer failed after %lld bytes\n",
                     static_cast<long long>(written.QuadPart));
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("%.6f %llu %llu %llu\n", run.seconds,
                static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                static_cast<unsigned long long>(memory.PeakPagefileUsage),
                static_cast<unsigned long long>(progressMessages));
    return 0;
}
