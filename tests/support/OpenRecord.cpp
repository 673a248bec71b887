#include "support/OpenRecord.h"

#include "support/TemporaryPath.h"
#include "support/WindowDriver.h"

#include <cstdlib>

namespace driver {

std::wstring FromHostPath(const char* variable) {
    const char* path = std::getenv(variable);
    if (path == nullptr) {
        return std::wstring();
    }
    std::wstring windowsPath = L"Z:";
    for (const char* c = path; *c != '\0'; ++c) {
        windowsPath += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return windowsPath;
}

OpenRecord::OpenRecord(const char* recorderVariable) {
    recordPath = ProcessTemporaryPath(L"tornquill-opened-", L".txt");
    DeleteFileW(recordPath.c_str());
    SetEnvironmentVariableW(L"TORNQUILL_OPEN_RECORD", recordPath.c_str());
    const std::wstring recorder = FromHostPath(recorderVariable);
    if (!recorder.empty()) {
        association.emplace(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"",
                            L"\"" + recorder + L"\" \"%1\"");
    }
}

OpenRecord::~OpenRecord() {
    association.reset();
    SetEnvironmentVariableW(L"TORNQUILL_OPEN_RECORD", nullptr);
    DeleteFileW(recordPath.c_str());
}

bool OpenRecord::IsReady() const {
    return association && association->IsSet();
}

std::vector<std::wstring> OpenRecord::Lines() const {
    std::vector<std::wstring> lines;
    const HANDLE file = CreateFileW(recordPath.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return lines;
    }
    std::wstring text;
    wchar_t buffer[1024];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read != 0) {
        text.append(buffer, read / sizeof(wchar_t));
    }
    CloseHandle(file);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

bool OpenRecord::WaitForLines(std::size_t count, Duration timeout) const {
    return WaitUntil([&] { return Lines().size() >= count; }, timeout);
}

} // namespace driver
