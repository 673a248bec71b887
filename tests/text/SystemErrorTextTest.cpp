#include "text/MStringEx.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using String = MStringEx<wchar_t>;

// The system's text as FormatMessageW gives it, line break included.
std::wstring RawSystemText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer, length);
    LocalFree(buffer);
    return text;
}

TEST(SystemErrorText, AccessDeniedWithoutTheLineBreak) {
    const std::wstring raw = RawSystemText(ERROR_ACCESS_DENIED);
    ASSERT_GE(raw.size(), 2u);
    ASSERT_EQ(raw.back(), L'\n');
    const String text = String::FromSystemError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(HoldsText(text, raw.substr(0, raw.find_last_not_of(L"\r\n ") + 1)));
    EXPECT_NE(Text(text).find(L"denied"), std::wstring::npos) << Text(text);
}

TEST(SystemErrorText, UnknownCodes) {
    for (DWORD code : {0xFFFFFFFFu, 0x2000FFFFu}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(HoldsText(String::FromSystemError(code), L"Unknown."));
    }
}

TEST(SystemErrorText, LastErrorOfAFailedOpen) {
    HANDLE file = CreateFileW(L"C:\\no such folder\\no such file.msi", GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(file, INVALID_HANDLE_VALUE);
    const DWORD error = GetLastError();
    const String text = String::FromLastError();
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(text == String::FromSystemError(error));
    EXPECT_FALSE(text.IsEmpty());
    EXPECT_FALSE(text == String(L"Unknown."));
}

} // namespace
