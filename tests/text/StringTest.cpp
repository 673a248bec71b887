#include "text/MStringEx.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using String = MStringEx<wchar_t>;

TEST(StringConstruction, EmptyStringsHoldOnlyTheTerminator) {
    const String made;
    const String fromNull(static_cast<const wchar_t*>(nullptr));
    const String withLength = String::WithLength(0);
    for (const String* s : {&made, &fromNull, &withLength}) {
        EXPECT_TRUE(HoldsText(*s, L""));
        EXPECT_TRUE(s->IsEmpty());
        EXPECT_EQ(s->Length(), 0u);
        EXPECT_EQ(s->numberBase, 10);
    }
}

TEST(StringConstruction, WithLengthZeroesBothEnds) {
    const String s = String::WithLength(5);
    EXPECT_EQ(s.count, 6u);
    EXPECT_EQ(s.data[0], 0);
    EXPECT_EQ(s.data[5], 0);
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_THROW(String::WithLength(0xFFFFFFFFu), MUnitException);
    try {
        String::WithLength(0xFFFFFFFFu);
    } catch (const MUnitException& e) {
        EXPECT_EQ(e.code, 2);
    }
}

TEST(StringConstruction, FromBufferStopsAtTheFirstZeroOrTheEndOfTheView) {
    wchar_t withZero[] = {L'a', L'b', 0, L'c', L'd'};
    wchar_t withoutZero[] = {L'a', L'b', L'c'};
    EXPECT_TRUE(HoldsText(String::FromBuffer(ShellMemory<wchar_t>(5, withZero)), L"ab"));
    EXPECT_TRUE(HoldsText(String::FromBuffer(ShellMemory<wchar_t>(3, withoutZero)), L"abc"));
    EXPECT_TRUE(HoldsText(String::FromBuffer(ShellMemory<wchar_t>(0, withoutZero)), L""));
}

TEST(StringConstruction, AViewOfNullCannotBeMade) {
    try {
        String::FromBuffer(ShellMemory<wchar_t>(3, nullptr));
        FAIL() << "no exception";
    } catch (const MAtomException& e) {
        EXPECT_EQ(e.code, 0);
    }
}

TEST(StringConstruction, CutAtNulKeepsTheTextBeforeAnEmbeddedZero) {
    String s = String::WithLength(4);
    s.data[0] = L'x';
    s.data[1] = L'y';
    s.data[2] = 0;
    s.data[3] = L'z';
    EXPECT_TRUE(HoldsText(s.CutAtNul(), L"xy"));
}

TEST(StringConstruction, NarrowStringsFollowTheSameRule) {
    const MStringEx<char> empty(static_cast<const char*>(nullptr));
    const MStringEx<char> abc("abc");
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(Bytes(empty), std::string(1, '\0'));
    EXPECT_EQ(Bytes(abc), std::string("abc", 4));
}

TEST(StringAssignment, EqualCountsReuseTheBuffer) {
    String target(L"abc");
    const String source(L"xyz");
    const wchar_t* buffer = target.data;
    target = source;
    EXPECT_EQ(target.data, buffer);
    EXPECT_TRUE(HoldsText(target, L"xyz"));
}

TEST(StringAssignment, DifferentCountsTakeTheSourceCount) {
    String target(L"abc");
    String longer(L"abcdefgh");
    target = longer;
    EXPECT_TRUE(HoldsText(target, L"abcdefgh"));
    target = String(L"");
    EXPECT_TRUE(HoldsText(target, L""));
    target = target;
    EXPECT_TRUE(HoldsText(target, L""));
}

TEST(StringAssignment, AssignmentCopiesTheNumberBaseAndAssignKeepsIt) {
    String hex(L"ff");
    hex.numberBase = 16;
    String copied(L"1");
    copied = hex;
    EXPECT_EQ(copied.numberBase, 16);
    EXPECT_EQ(String(hex).numberBase, 16);

    hex.Assign(L"a0");
    EXPECT_TRUE(HoldsText(hex, L"a0"));
    EXPECT_EQ(hex.numberBase, 16);
    hex.Assign(nullptr);
    EXPECT_TRUE(HoldsText(hex, L""));
    EXPECT_EQ(hex.numberBase, 16);
}

TEST(StringAssignment, ClearGivesTheEmptyStringInDecimal) {
    String s(L"1010");
    s.numberBase = 2;
    s.Clear();
    EXPECT_TRUE(HoldsText(s, L""));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.numberBase, 10);
}

TEST(StringConcatenation, OperandsInEveryCombination) {
    const String ab(L"ab");
    const String cd(L"cd");
    const String empty;
    EXPECT_TRUE(HoldsText(ab + cd, L"abcd"));
    EXPECT_TRUE(HoldsText(ab + empty, L"ab"));
    EXPECT_TRUE(HoldsText(empty + cd, L"cd"));
    EXPECT_TRUE(HoldsText(ab + L"xyz", L"abxyz"));
    EXPECT_TRUE(HoldsText(L"xyz" + cd, L"xyzcd"));
    EXPECT_TRUE(HoldsText(L"" + cd, L"cd"));
    EXPECT_TRUE(HoldsText(ab + L"", L"ab"));
}

TEST(StringConcatenation, ANullTextGivesACopyWithTheNumberBase) {
    String hex(L"ff");
    hex.numberBase = 16;
    const wchar_t* none = nullptr;
    const String right = hex + none;
    const String left = none + hex;
    EXPECT_TRUE(HoldsText(right, L"ff"));
    EXPECT_EQ(right.numberBase, 16);
    EXPECT_TRUE(HoldsText(left, L"ff"));
    EXPECT_EQ(left.numberBase, 16);
    EXPECT_EQ((hex + L"0").numberBase, 10);
}

TEST(StringConcatenation, AppendWorksInPlaceAndKeepsTheNumberBase) {
    String s(L"12");
    s.numberBase = 8;
    s.Append(String());
    EXPECT_TRUE(HoldsText(s, L"12"));
    s.Append(String(L"34"));
    EXPECT_TRUE(HoldsText(s, L"1234"));
    s.Append(s);
    EXPECT_TRUE(HoldsText(s, L"12341234"));
    EXPECT_EQ(s.numberBase, 8);
}

TEST(StringComparison, EqualityIsExactAndIgnoresTheNumberBase) {
    String a(L"msi");
    String b(L"msi");
    b.numberBase = 16;
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a != String(L"MSI"));
    EXPECT_TRUE(a != String(L"msi "));
}

TEST(StringComparison, EqualsNoCaseFoldsOnlyAsciiLetters) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        bool equal;
    };
    const Case cases[] = {
        {L"MSI", L"msi", true},
        {L"Package.Msi", L"pACKAGE.mSI", true},
        {L"", L"", true},
        {L"msi", L"ms", false},
        // Characters 32 apart that are not letters must stay apart.
        {L"[", L"{", false},
        {L"@", L"`", false},
        {L"^_", L"~\x7F", false},
        // Letters beyond ASCII are compared as they are.
        {L"\x00C4", L"\x00E4", false},
        {L"\x00C4", L"\x00C4", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.a << "\" / \"" << c.b << '"');
        EXPECT_EQ(String::EqualsNoCase(c.a, c.b), c.equal);
    }
}

TEST(StringComparison, EqualsNoCaseTellsNumberBasesApart) {
    String hex(L"ff");
    hex.numberBase = 16;
    EXPECT_FALSE(String::EqualsNoCase(hex, String(L"FF")));
    String alsoHex(L"FF");
    alsoHex.numberBase = 16;
    EXPECT_TRUE(String::EqualsNoCase(hex, alsoHex));
    EXPECT_TRUE(HoldsText(hex, L"ff"));
}

TEST(StringSearch, Find) {
    struct Case {
        const wchar_t* text;
        const wchar_t* needle;
        std::int64_t index;
    };
    const Case cases[] = {
        {L"", L"", -1},      {L"", L"a", -1},      {L"abc", L"", 0},    {L"abc", L"abcd", -1},
        {L"abc", L"abc", 0}, {L"abc", L"c", 2},    {L"aab", L"ab", 1},  {L"ABC", L"b", -1},
        {L"a.b.c", L".", 1}, {L"abab", L"bab", 1}, {L"abc", L"bd", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.needle << '"');
        EXPECT_EQ(String(c.text).Find(c.needle), c.index);
    }
}

TEST(StringSearch, FindCharNoCase) {
    struct Case {
        const wchar_t* text;
        wchar_t ch;
        std::uint32_t start;
        std::int64_t index;
    };
    const Case cases[] = {
        {L"Package.MSI", L'm', 0, 8},
        {L"Package.MSI", L'P', 0, 0},
        {L"Package.MSI", L'p', 1, -1},
        {L"aXa", L'a', 1, 2},
        {L"abc", L'c', 3, -1},
        {L"", L'a', 0, -1},
        {L"\x00C4", L'\x00E4', 0, -1},
        {L"[", L'{', 0, -1},
        // A start beyond the text finds nothing.
        {L"abc", L'c', 4, -1},
        {L"abc", L'a', 0xFFFFFFFFu, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" from " << c.start);
        EXPECT_EQ(String(c.text).FindCharNoCase(c.ch, c.start), c.index);
    }
}

TEST(StringExtraction, LeftAndRightTakeAtMostTheWholeText) {
    const String abc(L"abc");
    EXPECT_TRUE(HoldsText(abc.Left(10), L"abc"));
    EXPECT_TRUE(HoldsText(abc.Left(2), L"ab"));
    EXPECT_TRUE(HoldsText(abc.Left(0), L""));
    EXPECT_TRUE(HoldsText(abc.Right(0), L""));
    EXPECT_TRUE(HoldsText(abc.Right(2), L"bc"));
    EXPECT_TRUE(HoldsText(abc.Right(0xFFFFFFFFu), L"abc"));
    EXPECT_TRUE(HoldsText(String().Right(3), L""));
}

TEST(StringExtraction, ResultsAreDecimalWhateverTheSourceBase) {
    String source(L"a/b/c.d");
    source.numberBase = 16;
    wchar_t buffer[] = {L'x', 0};
    const String results[] = {
        source.Left(2),
        source.Right(2),
        source.Extension(),
        source.LeftOfChar(L'/'),
        source.AfterSecondSlash(),
        source.CutAtNul(),
        String::FromBuffer(ShellMemory<wchar_t>(2, buffer)),
    };
    for (const String& result : results) {
        SCOPED_TRACE(testing::Message() << '"' << Text(result) << '"');
        EXPECT_EQ(result.numberBase, 10);
    }
}

TEST(StringExtraction, LeftOfChar) {
    EXPECT_TRUE(HoldsText(String(L"2.30.0.0").LeftOfChar(L'.'), L"2"));
    EXPECT_TRUE(HoldsText(String(L"abc").LeftOfChar(L'.'), L"abc"));
    EXPECT_TRUE(HoldsText(String(L".msi").LeftOfChar(L'.'), L""));
}

TEST(StringExtraction, AfterSecondSlash) {
    struct Case {
        const wchar_t* text;
        const wchar_t* rest;
    };
    const Case cases[] = {
        {L"a://b/c", L"b/c"},
        {L"http://host/path", L"host/path"},
        // Without a second slash the whole text comes back.
        {L"b", L"b"},
        {L"a/b", L"a/b"},
        {L"", L""},
        {L"a//", L""},
        {L"//x", L"x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_TRUE(HoldsText(String(c.text).AfterSecondSlash(), c.rest));
    }
}

TEST(StringExtraction, Extension) {
    struct Case {
        const wchar_t* text;
        const wchar_t* extension;
    };
    const Case cases[] = {
        {L"package.msi", L"msi"},
        {L"a.tar.gz", L"gz"},
        {L"name.", L""},
        {L"name", L""},
        {L"", L""},
        {L".msi", L"msi"},
        // Folders are not told apart: the dot of the folder counts when the file has none.
        {L"C:\\my.folder\\package", L"folder\\package"},
        {L"C:\\my.folder\\package.MSI", L"MSI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_TRUE(HoldsText(String(c.text).Extension(), c.extension));
    }
}

TEST(StringTrimming, WhiteSpaceAtTheEndsGoesAndInnerWhiteSpaceStays) {
    struct Case {
        const wchar_t* text;
        const wchar_t* trimmed;
    };
    const Case cases[] = {
        {L"Access is denied.\r\n", L"Access is denied."},
        {L" \t\v\f a b \r\n", L"a b"},
        {L"   ", L""},
        {L"", L""},
        {L"\x3000\x00A0x\x2028\x0085", L"x"},
        {L"\x200Bx\x200B", L"\x200Bx\x200B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        String s(c.text);
        EXPECT_TRUE(HoldsText(s.Trim(), c.trimmed));
    }
}

TEST(StringTrimming, OneSidedTrimmingKeepsTheOtherSideAndTheNumberBase) {
    String s(L"  ff  ");
    s.numberBase = 16;
    s.TrimLeft();
    EXPECT_TRUE(HoldsText(s, L"ff  "));
    s.TrimRight();
    EXPECT_TRUE(HoldsText(s, L"ff"));
    EXPECT_EQ(s.numberBase, 16);
}

TEST(StringTrimming, TrimOfACharacterRemovesRunsAtBothEndsOnly) {
    String s(L"xxaxxbxx");
    EXPECT_TRUE(HoldsText(s.Trim(L'x'), L"axxb"));
    String left(L"//a//");
    EXPECT_TRUE(HoldsText(left.TrimLeft(L'/'), L"a//"));
    String right(L"//a//");
    EXPECT_TRUE(HoldsText(right.TrimRight(L'/'), L"//a"));
    String all(L"xxxx");
    EXPECT_TRUE(HoldsText(all.Trim(L'x'), L""));
}

TEST(StringTrimming, WhiteSpaceIsExactlyTheListedSet) {
    const wchar_t white[] = {0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020,
                             0x0085, 0x00A0, 0x1680, 0x180E, 0x2000, 0x2005,
                             0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
    const wchar_t other[] = {0x0000, 0x0008, 0x000E, 0x001F, 0x0021, 0x0084, 0x0086, 0x009F, 0x00A1,
                             0x167F, 0x1681, 0x180D, 0x180F, 0x1FFF, 0x200B, 0x2027, 0x202A, 0x202E,
                             0x2030, 0x205E, 0x2060, 0x2FFF, 0x3001, 0xFEFF, 0xFFFF};
    for (wchar_t ch : white) {
        EXPECT_TRUE(IsWhiteSpace(ch)) << std::hex << static_cast<unsigned>(ch);
    }
    for (wchar_t ch : other) {
        EXPECT_FALSE(IsWhiteSpace(ch)) << std::hex << static_cast<unsigned>(ch);
    }
}

} // namespace
