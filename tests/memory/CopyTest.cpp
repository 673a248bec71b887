#include "BlockTestSupport.h"

#include <functional>

namespace {

const std::uint32_t largest = 0xFFFFFFFFu;

struct CopyCase {
    const char* name;
    const char* destination;
    const char* source;
    std::uint32_t dstPos;
    std::uint32_t srcPos;
    std::uint32_t n;
    Outcome outcome;
    const char* result;
};

// Checks come before anything is written: a failing copy leaves the destination as it was.
TEST(CopyFamily, PositionsAndLengthsAreCheckedBeforeAnythingIsCopied) {
    const CopyCase cases[] = {
        {"empty into empty", "", "", 0, 0, 0, Outcome::Ok(), ""},
        {"one element into empty", "", "a", 0, 0, 1, Outcome::AtomError(6), ""},
        {"nothing at the end", "abc", "xyz", 3, 0, 0, Outcome::Ok(), "abc"},
        {"one element at the end", "abc", "xyz", 3, 0, 1, Outcome::AtomError(6), "abc"},
        {"nothing from beyond either end", "abc", "xyz", 99, 99, 0, Outcome::Ok(), "abc"},
        {"into the middle", "abcdef", "xyz", 2, 1, 2, Outcome::Ok(), "abyzef"},
        {"last element of both", "abc", "xyz", 2, 2, 1, Outcome::Ok(), "abz"},
        {"reading past the source", "abcdef", "xyz", 0, 2, 2, Outcome::AtomError(7), "abcdef"},
        {"destination checked first", "abc", "xyz", 2, 2, 2, Outcome::AtomError(6), "abc"},
        {"destination sum overflows", "abc", "xyz", largest, 0, 1, Outcome::UnitError(2), "abc"},
        {"source sum overflows", "abc", "xyz", 0, largest, 1, Outcome::UnitError(2), "abc"},
        {"length overflows", "abc", "xyz", 1, 0, largest, Outcome::UnitError(2), "abc"},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPH<char, 0> destination = CharBlock(c.destination);
        const MemoryPH<char, 0> source = CharBlock(c.source);
        MUnits dstPos = c.dstPos;
        MUnits srcPos = c.srcPos;
        ExpectOutcome(c.outcome,
                      [&] { destination.Copy(dstPos, true, source, srcPos, true, c.n); });
        EXPECT_EQ(c.result, Text(destination));
        const std::uint32_t advance = c.outcome.kind == Outcome::Success ? c.n : 0;
        EXPECT_EQ(c.dstPos + advance, dstPos.Value());
        EXPECT_EQ(c.srcPos + advance, srcPos.Value());

        MemoryPH<char, 0> byRange = CharBlock(c.destination);
        ExpectOutcome(c.outcome, [&] { byRange.CopyRange(c.dstPos, source, c.srcPos, c.n); });
        EXPECT_EQ(c.result, Text(byRange));
    }
}

struct WholeSourceCase {
    const char* name;
    std::function<void(MAtom<char>& destination, const MAtom<char>& source, MUnits& pos)> operation;
    std::uint32_t pos;
    Outcome outcome;
    const char* result;
    std::uint32_t posAfter;
};

TEST(CopyFamily, WholeSourceAndHeadOperations) {
    const WholeSourceCase cases[] = {
        {"CopyFrom", [](auto& d, auto& s, MUnits&) { d.CopyFrom(s); }, 0, Outcome::Ok(), "xyzdef",
         0},
        {"Put advancing", [](auto& d, auto& s, MUnits& p) { d.Put(p, true, s); }, 2, Outcome::Ok(),
         "abxyzf", 5},
        {"Put in place", [](auto& d, auto& s, MUnits& p) { d.Put(p, false, s); }, 3, Outcome::Ok(),
         "abcxyz", 3},
        {"Put past the end", [](auto& d, auto& s, MUnits& p) { d.Put(p, true, s); }, 4,
         Outcome::AtomError(6), "abcdef", 4},
        {"PutShell advancing",
         [](auto& d, auto& s, MUnits& p) { d.PutShell(p, true, ShellMemory<char>(s, 1, 2)); }, 0,
         Outcome::Ok(), "yzcdef", 2},
        {"PutAt", [](auto& d, auto& s, MUnits& p) { d.PutAt(p, s); }, 1, Outcome::Ok(), "axyzef",
         1},
        {"PutHead advancing", [](auto& d, auto& s, MUnits& p) { d.PutHead(p, true, s, 2); }, 4,
         Outcome::Ok(), "abcdxy", 6},
        {"PutHead longer than the source",
         [](auto& d, auto& s, MUnits& p) { d.PutHead(p, true, s, 4); }, 0, Outcome::AtomError(7),
         "abcdef", 0},
        {"GetRange advancing the source",
         [](auto& d, auto& s, MUnits& p) { d.GetRange(s, p, true, 2); }, 1, Outcome::Ok(), "yzcdef",
         3},
        {"GetRange past the source", [](auto& d, auto& s, MUnits& p) { d.GetRange(s, p, true, 3); },
         1, Outcome::AtomError(7), "abcdef", 1},
    };
    const MemoryPH<char, 0> source = CharBlock("xyz");
    for (const WholeSourceCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPH<char, 0> destination = CharBlock("abcdef");
        MUnits pos = c.pos;
        ExpectOutcome(c.outcome, [&] { c.operation(destination, source, pos); });
        EXPECT_EQ(c.result, Text(destination));
        EXPECT_EQ(c.posAfter, pos.Value());
    }
}

TEST(CopyFamily, EmptySourceCopiesNothingWherever) {
    MemoryPH<char, 0> destination = CharBlock("abc");
    const MemoryPH<char, 0> empty;
    MUnits pos = 1000;
    destination.Put(pos, true, empty);
    destination.PutAt(largest, empty);
    EXPECT_EQ(1000u, pos.Value());
    EXPECT_EQ("abc", Text(destination));
}

TEST(CopyFamily, OverlappingRangesOfOneBlock) {
    MemoryPH<char, 0> block = CharBlock("abcdefgh");
    block.CopyRange(2, block, 0, 5);
    EXPECT_EQ("ababcdeh", Text(block));
    block.CopyRange(0, block, 3, 5);
    EXPECT_EQ("bcdehdeh", Text(block));
}

TEST(CopyFamily, WideElementsAreCopiedWhole) {
    MemoryPH<wchar_t, 0> destination = WideBlock(L"\x4E00\x4E01\x4E02\x4E03");
    destination.CopyRange(1, WideBlock(L"\xABCD\x1234"), 0, 2);
    EXPECT_EQ(L"\x4E00\xABCD\x1234\x4E03", WideText(destination));
}

} // namespace
