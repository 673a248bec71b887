#include "BlockTestSupport.h"

namespace {

TEST(ShellMemory, ViewsWriteThroughToTheOwner) {
    MemoryPH<char, 0> owner = CharBlock("abcdef");
    ShellMemory<char> view(MUnits(3), owner.data + 2);
    view.CopyFrom(CharBlock("XYZ"));
    EXPECT_EQ("abXYZf", Text(owner));
    ExpectAtomError(0, 0, [] { ShellMemory<char> nowhere(MUnits(1), nullptr); });
}

TEST(ShellMemory, ConversionViews) {
    MemoryPH<wchar_t, 0> wide = WideBlock(L"\x0102\x0304");
    ShellMemory<unsigned char> bytes(wide);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(wide.data), bytes.data);
    EXPECT_EQ(4u, bytes.count.Value());
    EXPECT_EQ(std::string("\x02\x01\x04\x03"), Text(bytes));

    MemoryPH<unsigned char, 0> six = ByteBlock(std::string("a\0b\0c\0", 6));
    ShellMemory<wchar_t> asWide(six);
    EXPECT_EQ(L"abc", WideText(asWide));

    MemoryPH<unsigned char, 0> none;
    ShellMemory<wchar_t> emptyView(none);
    EXPECT_TRUE(emptyView.IsEmpty());
    EXPECT_NE(nullptr, emptyView.data);

    MemoryPH<unsigned char, 0> seven = ByteBlock("1234567");
    ExpectUnitError(5, [&] { ShellMemory<wchar_t> odd(seven); });

    ShellMemory<char> cleared(MUnits(1), CharBlock("x").data);
    cleared.Clear();
    ExpectAtomError(0, 0, [&] { ShellMemory<unsigned char> ofNothing(cleared); });
}

struct SliceCase {
    const char* name;
    std::uint32_t offset;
    std::uint32_t length;
    Outcome outcome;
    const char* narrow;
};

TEST(ShellMemory, SlicesAreCheckedAgainstTheSource) {
    const SliceCase cases[] = {
        {"inner slice", 1, 3, Outcome::Ok(), "ell"},
        {"whole text", 0, 5, Outcome::Ok(), "hello"},
        {"empty slice at the end", 5, 0, Outcome::Ok(), ""},
        {"one past the end", 3, 3, Outcome::AtomError(7), nullptr},
        {"offset past the end", 6, 0, Outcome::AtomError(7), nullptr},
        {"sum overflows", 1, 0xFFFFFFFFu, Outcome::UnitError(2), nullptr},
    };
    const MemoryPH<char, 0> narrow = CharBlock("hello");
    const MemoryPH<wchar_t, 0> wide = WideBlock(L"hello");
    for (const SliceCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectOutcome(c.outcome, [&] {
            ShellMemory<unsigned char> bytes(narrow, c.offset, c.length);
            EXPECT_EQ(reinterpret_cast<unsigned char*>(narrow.data) + c.offset, bytes.data);
            EXPECT_EQ(c.narrow, Text(bytes));
        });
        ExpectOutcome(c.outcome, [&] {
            ShellMemory<wchar_t> text(wide, c.offset, c.length);
            EXPECT_EQ(wide.data + c.offset, text.data);
            EXPECT_EQ(c.length, text.count.Value());
        });
    }
}

TEST(ShellMemory, AViewNeverAllocates) {
    MemoryPH<char, 0> owner = CharBlock("abc");
    ShellMemory<char> view(owner, 0, 3);
    ExpectAtomError(2, 0, [&] { view = static_cast<const MAtom<char>&>(owner); });
    ExpectAtomError(2, 0, [&] { view.AssignFrom(owner); });
    ExpectAtomError(2, 0, [&] { view.SetCount(2); });
    EXPECT_EQ(owner.data, view.data);
    EXPECT_EQ(3u, view.count.Value());

    view.Clear();
    EXPECT_EQ(nullptr, view.data);
    EXPECT_TRUE(view.IsEmpty());
}

// A cleared view that is given a count still points nowhere; nothing is written through it.
TEST(ShellMemory, ClearedViewWithACountRefusesToTouchElements) {
    MemoryPH<char, 0> owner = CharBlock("abc");
    ShellMemory<char> view(owner, 0, 3);
    view.Clear();
    view.SetCount(3);
    EXPECT_EQ(3u, view.count.Value());
    ExpectAtomError(0, 0, [&] { view.CopyFrom(owner); });
    ExpectAtomError(0, 0, [&] { owner.CopyFrom(view); });
    ExpectAtomError(0, 0, [&] { (void)(view == owner); });
    ExpectAtomError(0, 0, [&] { view.Fingerprint(); });
    ExpectAtomError(0, 0, [&] { MemoryPH<char, 0> copy(view); });
    EXPECT_EQ("abc", Text(owner));
}

TEST(ShellMemory, AssignmentFromBlocksReattachesTheView) {
    MemoryPH<char, 0> plain = CharBlock("plain");
    MemoryPH<char, 1> zeroed(MUnits(3));
    ShellMemory<char> view(plain, 1, 2);

    view = zeroed;
    EXPECT_EQ(zeroed.data, view.data);
    EXPECT_EQ(3u, view.count.Value());
    view = plain;
    EXPECT_EQ(plain.data, view.data);
    EXPECT_EQ(5u, view.count.Value());
    const ShellMemory<char> other(plain, 2, 1);
    view = other;
    EXPECT_EQ(plain.data + 2, view.data);
    EXPECT_EQ(1u, view.count.Value());
}

TEST(ShellMemory, ShiftMovesAViewOnly) {
    MemoryPH<char, 0> owner = CharBlock("abcdef");
    ShellMemory<char> view(owner, 1, 4);

    view.Shift(2, true, false);
    EXPECT_EQ("de", Text(view));
    view.Shift(3, false, false);
    EXPECT_EQ("abcde", Text(view));
    view.Shift(1, true, true);
    EXPECT_EQ("bcdef", Text(view));
    view.Shift(1, false, true);
    EXPECT_EQ("abcde", Text(view));
    ExpectAtomError(1, 0, [&] { view.Shift(6, true, false); });
    EXPECT_EQ("abcde", Text(view));
    view.Shift(5, true, false);
    EXPECT_TRUE(view.IsEmpty());

    ShellMemory<char> wide(owner);
    ExpectUnitError(2, [&] { wide.Shift(0xFFFFFFFFu, false, false); });
    EXPECT_EQ(owner.data, wide.data);
    EXPECT_EQ(6u, wide.count.Value());

    ExpectAtomError(5, 0, [&] { owner.Shift(1, true, false); });
    view.Clear();
    ExpectAtomError(0, 0, [&] { view.Shift(0, true, false); });
}

} // namespace
