#include "text/MStringEx.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using String = MStringEx<wchar_t>;

const std::uint64_t largest = 18446744073709551615ull;

TEST(GroupedNumbers, FromUInt64Grouped) {
    struct Case {
        std::uint64_t value;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, L"0"},
        {7, L"7"},
        {999, L"999"},
        {1000, L"1,000"},
        {100000, L"100,000"},
        {999999, L"999,999"},
        {1234567, L"1,234,567"},
        {4294967296ull, L"4,294,967,296"},
        {largest, L"18,446,744,073,709,551,615"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const String grouped = String::FromUInt64Grouped(c.value);
        EXPECT_TRUE(HoldsText(grouped, c.text));
        EXPECT_EQ(grouped.numberBase, 10);
    }
}

TEST(GroupedNumbers, InsertGroupSeparators) {
    struct Case {
        const wchar_t* text;
        const wchar_t* separator;
        const wchar_t* grouped;
    };
    const Case cases[] = {
        {L"", L",", L""},
        {L"123", L",", L"123"},
        {L"1234", L"", L"1234"},
        {L"1234", L",", L"1,234"},
        {L"abcdefg", L". ", L"a. bcd. efg"},
        {L"abcdef", L"--", L"abc--def"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" with \"" << c.separator << '"');
        String s(c.text);
        s.numberBase = 16;
        s.InsertGroupSeparators(c.separator);
        EXPECT_TRUE(HoldsText(s, c.grouped));
        EXPECT_EQ(s.numberBase, 16);
    }
}

struct ReadCase {
    std::wstring text;
    std::int32_t radix;
    bool read;
    std::uint64_t value;
};

TEST(NumberReading, ToUInt64) {
    const ReadCase cases[] = {
        {L"", 10, true, 0},
        {L"0", 10, true, 0},
        {L"0010", 10, true, 10},
        {L"18446744073709551615", 10, true, largest},
        {L"18446744073709551616", 10, false, largest},
        {L"20000000000000000000", 10, false, largest},
        {L"99999999999999999999", 10, false, largest},
        // Leading zeros never overflow, however many places they reach beyond 64 bits.
        {L"000000000000000000000000000000000000000001", 10, true, 1},
        {L"0000000000000000000000018446744073709551615", 10, true, largest},
        {L"1,000", 10, false, 0},
        {L"12a", 10, false, 0},
        {L" 12", 10, false, 0},
        {L"-1", 10, false, 0},
        {L"ff", 16, true, 255},
        {L"FF", 16, true, 255},
        {L"ffffffffffffffff", 16, true, largest},
        {L"10000000000000000", 16, false, largest},
        {L"0ffffffffffffffff", 16, true, largest},
        {L"g", 16, false, 0},
        {L"101", 2, true, 5},
        {L"1" + std::wstring(63, L'0'), 2, true, 1ull << 63},
        {L"1" + std::wstring(64, L'0'), 2, false, largest},
        {L"2", 2, false, 0},
        {L"1777777777777777777777", 8, true, largest},
        {L"2000000000000000000000", 8, false, largest},
        {L"8", 8, false, 0},
        {L"12", 7, false, 0},
        {L"", 7, true, 0},
        {L"1", 0, false, 0},
        {L"1", -10, false, 0},
        // The value overflows before the reader reaches the invalid character on its left.
        {L"x99999999999999999999", 10, false, largest},
        {L"x18446744073709551615", 10, false, 0},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" in radix " << c.radix);
        String s(c.text.c_str());
        s.numberBase = c.radix;
        std::uint64_t out = 12345;
        EXPECT_EQ(s.ToUInt64(out), c.read);
        EXPECT_EQ(out, c.value);
        EXPECT_TRUE(HoldsText(s, c.text));
    }
}

TEST(NumberReading, GroupedTextDoesNotReadBack) {
    std::uint64_t out = 1;
    EXPECT_TRUE(String::FromUInt64Grouped(999).ToUInt64(out));
    EXPECT_EQ(out, 999u);
    EXPECT_FALSE(String::FromUInt64Grouped(1000).ToUInt64(out));
    EXPECT_EQ(out, 0u);
}

TEST(NumberReading, DigitsOutsideTheRadixNameTheRadix) {
    struct Case {
        wchar_t ch;
        std::int32_t radix;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L'2', 2, L"Binary Data: Invalid Character."},
        {L'8', 8, L"Octal Data: Invalid Character."},
        {L'a', 10, L"Decimal Data: Invalid Character."},
        {L'Z', 16, L"Hexadecimal Data: Invalid Character."},
        {L'G', 16, L"Hexadecimal Data: Invalid Character."},
        {L'0', 7, L"Invalid number base system."},
        {L'0', 0, L"Invalid number base system."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ch << " in radix " << c.radix);
        try {
            String::DigitValue(c.ch, c.radix);
            ADD_FAILURE() << "no exception";
        } catch (const NumericDataException& e) {
            EXPECT_EQ(std::wstring(e.message), c.message);
        }
    }
}

TEST(NumberReading, DigitValues) {
    EXPECT_EQ(String::DigitValue(L'1', 2), 1u);
    EXPECT_EQ(String::DigitValue(L'7', 8), 7u);
    EXPECT_EQ(String::DigitValue(L'9', 10), 9u);
    EXPECT_EQ(String::DigitValue(L'a', 16), 10u);
    EXPECT_EQ(String::DigitValue(L'F', 16), 15u);
}

} // namespace
