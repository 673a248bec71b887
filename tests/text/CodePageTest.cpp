#include "text/CodePage.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using String = MStringEx<wchar_t>;

TEST(CodePage, EmptyAndAsciiText) {
    EXPECT_EQ(Bytes(ToNarrow(String())), std::string(1, '\0'));
    const MStringEx<char> abc = ToNarrow(String(L"abc"));
    EXPECT_EQ(Bytes(abc), std::string("abc", 4));
    EXPECT_EQ(abc.numberBase, 10);
}

TEST(CodePage, CharactersWithoutAnEquivalentBecomeTheDefaultCharacter) {
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(Bytes(ToNarrow(String(L"a\x4E00z"))), std::string("a?z", 4));
    EXPECT_EQ(Bytes(ToNarrow(String(L"\x00E9\x20AC"))), std::string("\xE9\x80", 3));
}

TEST(CodePage, NarrowTextCutsAtTheFirstZero) {
    String wide = String::WithLength(3);
    wide.data[0] = L'a';
    wide.data[1] = 0;
    wide.data[2] = L'b';
    EXPECT_EQ(Bytes(ToNarrow(wide)), std::string("a\0b\0", 4));
    EXPECT_EQ(Bytes(ToNarrowText(wide)), std::string("a", 2));
    const String plain(L"vendor.tornquill.test");
    EXPECT_EQ(Bytes(ToNarrowText(plain)), Bytes(ToNarrow(plain)));
}

// The system's conversion, except that the n-th call that writes produces nothing.
int failingWrite = 0;
int writes = 0;
int FailsOneWrite(const wchar_t* text, int units, char* out, int room) {
    if (room != 0 && ++writes == failingWrite) {
        return 0;
    }
    return WideCharToMultiByte(CP_ACP, 0, text, units, out, room, nullptr, nullptr);
}

TEST(CodePage, AConversionThatProducesNothingIsAFailure) {
    const String text(L"abcde");
    for (failingWrite = 1; failingWrite <= 3; ++failingWrite) {
        SCOPED_TRACE(failingWrite);
        writes = 0;
        try {
            const MStringEx<char> narrow = ToNarrowWith(text, FailsOneWrite, 2);
            ADD_FAILURE() << "returned \"" << Bytes(narrow) << "\"";
        } catch (const MUnitException& e) {
            EXPECT_EQ(e.code, 4);
        }
    }
    failingWrite = 0;
    writes = 0;
    EXPECT_EQ(Bytes(ToNarrowWith(text, FailsOneWrite, 2)), std::string("abcde", 6));
}

} // namespace
