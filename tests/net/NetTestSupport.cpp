#include "NetTestSupport.h"

#include "support/TemporaryPath.h"

#include <gtest/gtest.h>

#include <wininet.h>

#include <sstream>
#include <thread>

namespace {

struct Response {
    DWORD status = 0;
    std::string body;
};

Response Get(const std::wstring& url) {
    Response response;
    HINTERNET internet =
        InternetOpenW(L"net-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (internet == nullptr) {
        ADD_FAILURE() << "InternetOpenW failed: " << GetLastError();
        return response;
    }
    HINTERNET request = InternetOpenUrlW(internet, url.c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (request == nullptr) {
        ADD_FAILURE() << "request failed: " << GetLastError();
    } else {
        DWORD size = sizeof response.status;
        HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &response.status,
                       &size, nullptr);
        char buffer[65536];
        DWORD read = 0;
        while (InternetReadFile(request, buffer, sizeof buffer, &read) && read != 0) {
            response.body.append(buffer, read);
        }
        InternetCloseHandle(request);
    }
    InternetCloseHandle(internet);
    return response;
}

} // namespace

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

std::string VendorControl(const std::string& command) {
    const Response response =
        Get(L"http://127.0.0.1/__control/" + std::wstring(command.begin(), command.end()));
    EXPECT_EQ(200u, response.status) << command << ": " << response.body;
    return response.body;
}

std::string FetchUrl(const std::wstring& url) {
    const Response response = Get(url);
    EXPECT_EQ(200u, response.status);
    return response.body;
}

// The kernel keeps the counters of the namespace in one table of names and one of values.
std::uint64_t IcmpEchoRequestsSent() {
    HANDLE file =
        CreateFileW(L"Z:\\proc\\net\\snmp", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "no ICMP counters: " << GetLastError();
        return 0;
    }
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0) {
        text.append(buffer, read);
    }
    CloseHandle(file);
    std::istringstream lines(text);
    std::string names, values;
    while (std::getline(lines, names)) {
        if (names.rfind("Icmp: ", 0) == 0 && std::getline(lines, values)) {
            std::istringstream nameList(names), valueList(values);
            std::string name, value;
            while (nameList >> name && valueList >> value) {
                if (name == "OutEchos") {
                    return std::stoull(value);
                }
            }
        }
    }
    ADD_FAILURE() << "no OutEchos counter";
    return 0;
}

ScratchFile::ScratchFile(DWORD access) : handle(INVALID_HANDLE_VALUE) {
    wchar_t name[MAX_PATH];
    GetTempFileNameW(TemporaryPath(L"").c_str(), L"pkg", 0, name);
    path = name;
    handle = CreateFileW(name, access, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, handle) << "cannot create " << GetLastError();
}

ScratchFile::~ScratchFile() {
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    DeleteFileW(path.c_str());
}

std::string ScratchFile::Content() const {
    std::string content;
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (reader == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot read back " << GetLastError();
        return content;
    }
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(reader, buffer, sizeof buffer, &read, nullptr) && read != 0) {
        content.append(buffer, read);
    }
    CloseHandle(reader);
    return content;
}

std::uint64_t ScratchFile::Position() const {
    LARGE_INTEGER distance = {};
    LARGE_INTEGER position = {};
    SetFilePointerEx(handle, distance, &position, FILE_CURRENT);
    return static_cast<std::uint64_t>(position.QuadPart);
}

ProgressRecorder::ProgressRecorder(UINT message) : message(message), window(nullptr) {
    static const wchar_t className[] = L"NetTestProgressRecorder";
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    window = CreateWindowW(className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(nullptr, window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ProgressRecorder::~ProgressRecorder() {
    DestroyWindow(window);
}

LRESULT CALLBACK ProgressRecorder::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* recorder = reinterpret_cast<ProgressRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (recorder != nullptr && message == recorder->message) {
        const Progress progress(*reinterpret_cast<const std::uint64_t*>(wParam),
                                *reinterpret_cast<const std::uint64_t*>(lParam));
        recorder->seen.push_back(progress);
        if (recorder->onProgress) {
            recorder->onProgress(progress);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool ProgressRecorder::RunElsewhere(const std::function<bool()>& work, DWORD limit,
                                    const std::function<void()>& late) {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool result = false;
    std::thread worker([&] {
        result = work();
        SetEvent(done);
    });
    const DWORD started = GetTickCount();
    bool waitingForLate = limit != INFINITE;
    for (;;) {
        DWORD wait = INFINITE;
        if (waitingForLate) {
            const DWORD elapsed = GetTickCount() - started;
            wait = elapsed < limit ? limit - elapsed : 0;
        }
        const DWORD woke = MsgWaitForMultipleObjects(1, &done, FALSE, wait, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
            break;
        }
        if (woke == WAIT_TIMEOUT) {
            waitingForLate = false;
            if (late) {
                late();
            }
            continue;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    worker.join();
    CloseHandle(done);
    return result;
}
