#include "text/MStringEx.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using String = MStringEx<wchar_t>;

TEST(StringPrintf, TheConversionsOfTheProgramsFormats) {
    const String product(L"Veltrane");
    EXPECT_TRUE(HoldsText(String::Printf(L"%s %s", product, L"Tornquill"), L"Veltrane Tornquill"));
    EXPECT_TRUE(HoldsText(String::Printf(L"%d|%d", -2147483647 - 1, 42), L"-2147483648|42"));
    EXPECT_TRUE(HoldsText(String::Printf(L"%04x%04x", 0x0409u, 0x04b0u), L"040904b0"));
    EXPECT_TRUE(HoldsText(String::Printf(L"%04x", 0x12345u), L"12345"));
    EXPECT_TRUE(HoldsText(String::Printf(L"%I64u", std::uint64_t(18446744073709551615ull)),
                          L"18446744073709551615"));
    EXPECT_TRUE(HoldsText(String::Printf(L"%I64u|%s", std::uint64_t(1) << 32, product),
                          L"4294967296|Veltrane"));
}

TEST(StringPrintf, NonAsciiTextPassesUnchanged) {
    const String apostrophe(L"What\x2019s \x2013 \x4E00");
    EXPECT_TRUE(HoldsText(String::Printf(L"[%s]", apostrophe), L"[What\x2019s \x2013 \x4E00]"));
}

TEST(StringPrintf, EdgeFormats) {
    EXPECT_TRUE(HoldsText(String::Printf(nullptr), L""));
    EXPECT_TRUE(HoldsText(String::Printf(L""), L""));
    EXPECT_TRUE(HoldsText(String::Printf(L"100%%"), L"100%"));
    EXPECT_TRUE(HoldsText(String::Printf(L"%s", String()), L""));
    String hex(L"ff");
    hex.numberBase = 16;
    EXPECT_EQ(String::Printf(L"%s", hex).numberBase, 10);
}

TEST(StringPrintf, LongResultsAreMeasuredExactly) {
    String piece(L"0123456789");
    String long_text;
    for (int i = 0; i < 200; ++i) {
        long_text.Append(piece);
    }
    const String formatted = String::Printf(L"<%s>", long_text);
    EXPECT_EQ(formatted.count, 2003u);
    EXPECT_EQ(formatted.data[0], L'<');
    EXPECT_EQ(formatted.data[2001], L'>');
    EXPECT_EQ(formatted.data[2002], 0);
}

} // namespace
