#include "BlockTestSupport.h"

#include "memory/DecodeHex.h"

namespace {

TEST(Swap, OwningBlocksExchangeBuffersAndCounts) {
    MemoryPH<char, 0> a = CharBlock("first");
    MemoryPH<char, 1> b(MUnits(2));
    char* const aBuffer = a.data;
    char* const bBuffer = b.data;
    Swap<char>(a, b);
    EXPECT_EQ(bBuffer, a.data);
    EXPECT_EQ(std::string(2, '\0'), Text(a));
    EXPECT_EQ(aBuffer, b.data);
    EXPECT_EQ("first", Text(b));
}

TEST(Swap, ViewsExchangeWhatTheyShowButNotWithOwners) {
    MemoryPH<char, 0> owner = CharBlock("abcdef");
    ShellMemory<char> left(owner, 0, 2);
    ShellMemory<char> right(owner, 3, 3);
    Swap<char>(left, right);
    EXPECT_EQ("def", Text(left));
    EXPECT_EQ("ab", Text(right));

    ExpectAtomError(5, 0, [&] { Swap<char>(owner, left); });
    ExpectAtomError(5, 0, [&] { Swap<char>(left, owner); });
    EXPECT_EQ("abcdef", Text(owner));
    EXPECT_EQ("def", Text(left));
}

struct HexCase {
    const char* name;
    std::string text;
    Outcome outcome;
    std::string bytesAfter;
};

TEST(DecodeHex, DecodesCapitalHexInPlace) {
    const HexCase cases[] = {
        {"empty", "", Outcome::Ok(), ""},
        {"all digits", "0123456789ABCDEF", Outcome::Ok(), "\x01\x23\x45\x67\x89\xAB\xCD\xEF"},
        {"zero byte", "00FF", Outcome::Ok(), std::string("\0\xFF", 2)},
        {"odd count", "ABC", Outcome::AtomError(5), "ABC"},
        {"lower case in the first pair", "0aFF", Outcome::AtomError(10, ERROR_INVALID_DATA),
         "0aFF"},
        {"bad second pair", "3F7G", Outcome::AtomError(10, ERROR_INVALID_DATA), "?F7G"},
        {"lower case letters", "ff", Outcome::AtomError(10, ERROR_INVALID_DATA), "ff"},
        {"letter after F", "0G", Outcome::AtomError(10, ERROR_INVALID_DATA), "0G"},
        {"characters beside the digits", "/:@G", Outcome::AtomError(10, ERROR_INVALID_DATA),
         "/:@G"},
    };
    for (const HexCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPH<char, 0> text = CharBlock(c.text);
        ShellMemory<unsigned char> view(text, 0, text.count);
        ExpectOutcome(c.outcome, [&] { DecodeHex(view); });
        EXPECT_EQ(c.bytesAfter, Text(view));
    }
}

TEST(Fingerprint, WeightedSumOfTheBytes) {
    EXPECT_EQ(0.0L, (MemoryPH<unsigned char, 0>().Fingerprint()));
    EXPECT_EQ(0.0L, ByteBlock(std::string(1, '\0')).Fingerprint());
    EXPECT_EQ(255.0L / 256.0L, ByteBlock("\xFF").Fingerprint());
    EXPECT_NEAR(1.0L / 256 + 3.0L / 257 + 5.0L / 258, ByteBlock("\x01\x02\x03").Fingerprint(),
                1e-18L);
    EXPECT_NEAR(2.0L / 256 + 2.0L / 257, WideBlock(L"\x0102").Fingerprint(), 1e-18L);
}

} // namespace
