#include "BlockTestSupport.h"

#include <algorithm>

namespace {

TEST(MemoryPH, EmptyBlockHasABufferAndEqualsEveryEmptyBlock) {
    MemoryPH<wchar_t, 0> empty;
    MemoryPH<wchar_t, 0> sized(MUnits(0));
    EXPECT_NE(nullptr, empty.data);
    EXPECT_NE(nullptr, sized.data);
    EXPECT_NE(empty.data, sized.data);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty == sized);
    EXPECT_FALSE(empty != sized);

    ShellMemory<wchar_t> cleared(MUnits(0), sized.data);
    cleared.Clear();
    EXPECT_TRUE(empty == cleared);
}

TEST(MemoryPH, ComparisonIsBinaryOverTheWholeCount) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"abc", "abc", true}, {"abc", "abd", false}, {"abc", "ABC", false},
        {"abc", "ab", false}, {"", "a", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        const MemoryPH<char, 0> a = CharBlock(c.a);
        const MemoryPH<char, 0> b = CharBlock(c.b);
        EXPECT_EQ(c.equal, a == b);
        EXPECT_EQ(!c.equal, a != b);
    }
    const std::string withZeros("a\0b", 3);
    EXPECT_FALSE(CharBlock(withZeros) == CharBlock(std::string("a\0c", 3)));
}

TEST(MemoryPH, ZeroFillingBlocksStartZeroedAfterEveryAllocation) {
    MemoryPH<unsigned char, 1> block(MUnits(64));
    EXPECT_TRUE(std::all_of(block.data, block.data + 64, [](unsigned char b) { return b == 0; }));
    std::fill(block.data, block.data + 64, 0xAB);
    block.SetCount(64);
    EXPECT_TRUE(std::all_of(block.data, block.data + 64, [](unsigned char b) { return b == 0; }));
}

TEST(MemoryPH, CopyConstructionAndAssignmentTakeCountAndContent) {
    const MemoryPH<char, 0> source = CharBlock("payload");
    MemoryPH<char, 0> copy(source);
    EXPECT_EQ("payload", Text(copy));
    EXPECT_NE(source.data, copy.data);

    ShellMemory<char> view(source, 3, 4);
    MemoryPH<char, 0> fromView(view);
    EXPECT_EQ("load", Text(fromView));

    MemoryPH<char, 0> target = CharBlock("a much longer text");
    target = source;
    EXPECT_EQ("payload", Text(target));

    MAtom<char>& asInterface = target;
    asInterface = view;
    EXPECT_EQ("load", Text(target));

    target.AssignFrom(CharBlock(""));
    EXPECT_TRUE(target.IsEmpty());
    EXPECT_NE(nullptr, target.data);
}

TEST(MemoryPH, SelfAssignmentLeavesTheBlockUnchanged) {
    const std::string text(200, 'x');
    MemoryPH<char, 0> block = CharBlock(text);
    char* const buffer = block.data;

    MemoryPH<char, 0>& self = block;
    block = self;
    EXPECT_EQ(text, Text(block));

    MAtom<char>& asInterface = block;
    asInterface = block;
    EXPECT_EQ(text, Text(block));

    block.AssignFrom(block);
    EXPECT_EQ(text, Text(block));
    EXPECT_EQ(buffer, block.data);
}

TEST(MemoryPH, AssignmentFromAViewIntoTheBlockItself) {
    std::string text;
    for (int i = 0; i < 64; ++i) {
        text += static_cast<char>('A' + i % 26);
    }
    MemoryPH<char, 0> block = CharBlock(text);
    ShellMemory<char> tail(block, 10, 54);
    block = tail;
    EXPECT_EQ(text.substr(10), Text(block));

    MemoryPH<char, 0> again = CharBlock(text);
    again.AssignFrom(ShellMemory<char>(again, 0, 32));
    EXPECT_EQ(text.substr(0, 32), Text(again));
}

TEST(MemoryPH, ClearSetCountAndTruncate) {
    MemoryPH<char, 0> block = CharBlock("abcdef");
    char* const buffer = block.data;

    block.Truncate(6);
    EXPECT_EQ("abcdef", Text(block));
    ExpectAtomError(1, 0, [&] { block.Truncate(7); });
    block.Truncate(2);
    EXPECT_EQ("ab", Text(block));
    EXPECT_EQ(buffer, block.data);

    block.SetCount(10);
    EXPECT_EQ(10u, block.count.Value());
    EXPECT_NE(nullptr, block.data);

    block.SetCount(block.count);
    EXPECT_EQ(10u, block.count.Value());

    block.Clear();
    EXPECT_TRUE(block.IsEmpty());
    EXPECT_NE(nullptr, block.data);
}

// An element so large that a block of a million of them lies far beyond any address space.
struct Huge {
    unsigned char bytes[1 << 20];
};

TEST(MemoryPH, ExhaustedHeapThrowsOutOfMemory) {
    ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY,
                    [] { MemoryPH<Huge, 0> block(MUnits(0xFFFFFFFFu)); });

    MemoryPH<Huge, 0> block(MUnits(1));
    Huge* const buffer = block.data;
    block.data->bytes[0] = 0x5A;
    ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY, [&] { block.SetCount(0x100000u); });
    EXPECT_EQ(buffer, block.data);
    EXPECT_EQ(1u, block.count.Value());
    EXPECT_EQ(0x5A, block.data->bytes[0]);

    // A view that claims 1 TiB: copying it fails before the target lets go of its buffer.
    ShellMemory<Huge> claimsATebibyte(MUnits(0x100000u), block.data);
    ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY, [&] { block = claimsATebibyte; });
    ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY, [&] { block.AssignFrom(claimsATebibyte); });
    ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY, [&] { MemoryPH<Huge, 0> copy(claimsATebibyte); });
    EXPECT_EQ(buffer, block.data);
    EXPECT_EQ(1u, block.count.Value());
    EXPECT_EQ(0x5A, block.data->bytes[0]);

    MemoryPH<Huge, 1> zeroed;
    ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY, [&] { zeroed.SetCount(0x100000u); });
    EXPECT_TRUE(zeroed.IsEmpty());
}

#if !defined(_WIN64)
// A 32-bit process cannot ask the heap for more than 4 GiB; a byte size beyond SIZE_T that
// reached HeapAlloc would be cut to its low 32 bits, to a small buffer the heap gladly hands out.
TEST(MemoryPH, AByteSizeBeyondTheAddressSpaceIsOutOfMemory) {
    struct Case {
        std::uint32_t count;
        const char* bytes;
    };
    const Case cases[] = {{0x80000000u, "exactly 4 GiB, cut to 0"},
                          {0x80000001u, "4 GiB and 2 bytes, cut to 2"},
                          {0xFFFFFFFFu, "8 GiB less 2 bytes"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY,
                        [&] { MemoryPH<wchar_t, 0> block(MUnits(c.count)); });
        MemoryPH<wchar_t, 1> zeroed(MUnits(1));
        wchar_t* const buffer = zeroed.data;
        ExpectAtomError(8, ERROR_NOT_ENOUGH_MEMORY, [&] { zeroed.SetCount(MUnits(c.count)); });
        EXPECT_EQ(buffer, zeroed.data);
        EXPECT_EQ(1u, zeroed.count.Value());
    }
}
#endif

} // namespace
