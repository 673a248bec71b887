#include "tools/demo-driver/RunReport.h"

#include <vector>

namespace {

std::wstring Escaped(const std::wstring& value) {
    std::wstring escaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const wchar_t c = value[i];
        if (c == L'\\') {
            escaped += L"\\\\";
        } else if (c == L'\n') {
            escaped += L"\\n";
        } else if (c == L'\r') {
            if (i + 1 == value.size() || value[i + 1] != L'\n') {
                escaped += L"\\n";
            }
        } else {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

RunReport::RunReport(const std::wstring& path)
    : file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void RunReport::Line(const std::wstring& key, const std::wstring& value) {
    const std::wstring line = key + L": " + Escaped(value) + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (!file.IsValid() || size <= 0) {
        return;
    }
    std::vector<char> bytes(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
