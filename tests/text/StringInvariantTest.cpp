#include "support/TempFolder.h"
#include "text/MStringEx.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace {

using String = MStringEx<wchar_t>;
using WideBlock = MemoryPH<wchar_t, 0>;

// Whether Swap accepts blocks of these two types.
template <class A, class B, class = void> struct CanSwap : std::false_type {};
template <class A, class B>
struct CanSwap<A, B, std::void_t<decltype(Swap(std::declval<A&>(), std::declval<B&>()))>>
    : std::true_type {};

// Every block operation that takes raw elements, applied to a string, and then every scan of the
// string: the result is the raw elements up to the first zero, with its terminator.
class StringFromRawElements : public TempFolder {
public:
    struct Case {
        const char* operation;
        std::function<void(StringFromRawElements&, String&)> apply;
        std::wstring text;
    };

    // The bytes of the wide text "a", "b", "c", each followed by a zero: the file of three
    // characters that a load without the rule takes for an unterminated "abc".
    static std::string Spaced() { return std::string("a\0b\0c\0", 6); }

    std::wstring File(const std::string& bytes) {
        const std::wstring path = Path(L"text" + std::to_wstring(++files));
        WriteBytes(path, bytes);
        return path;
    }

    static void ExpectEveryScanSeesOnly(const String& s, const std::wstring& text) {
        EXPECT_TRUE(HoldsText(s, text));
        EXPECT_EQ(s.Length(), MUnits::FromSize(text.size()));
        EXPECT_EQ(s.IsEmpty(), text.empty());
        EXPECT_TRUE(HoldsText(s.CutAtNul(), text));
        EXPECT_TRUE(HoldsText(s.LeftOfChar(L'/'), text));
        EXPECT_TRUE(HoldsText(s.AfterSecondSlash(), text));
        EXPECT_TRUE(HoldsText(s.Extension(), L""));
        EXPECT_TRUE(HoldsText(s.Left(0xFFFFFFFFu), text));
        EXPECT_TRUE(HoldsText(s.Right(0xFFFFFFFFu), text));
        EXPECT_EQ(s.Find(String(text.c_str())), text.empty() ? -1 : 0);
        EXPECT_EQ(s.FindCharNoCase(L'/', 0), -1);
        String trimmed(s);
        EXPECT_TRUE(HoldsText(trimmed.Trim(), text));
        EXPECT_TRUE(HoldsText(s + L"", text));
    }

    int files = 0;
};

TEST_F(StringFromRawElements, EveryOperationKeepsTheTerminator) {
    wchar_t unterminated[] = {L'x', L'y'};
    const Case cases[] = {
        {"LoadFile", [](auto& t, String& s) { s.LoadFile(t.File(Spaced()).c_str()); }, L"abc"},
        {"LoadFile of an empty file", [](auto& t, String& s) { s.LoadFile(t.File("").c_str()); },
         L""},
        {"LoadFile of an embedded zero",
         [](auto& t, String& s) { s.LoadFile(t.File(std::string("a\0\0\0b\0", 6)).c_str()); },
         L"a"},
        {"LoadFile keeping the handle",
         [](auto& t, String& s) {
             TestFile kept;
             s.LoadFile(t.File(Spaced()).c_str(), kept.Get());
         },
         L"abc"},
        {"LoadFile of at most two",
         [](auto& t, String& s) { s.LoadFile(t.File(Spaced()).c_str(), 2, nullptr); }, L"ab"},
        {"ReadFrom as many as the string holds",
         [](auto& t, String& s) {
             s.Assign(L"xy");
             TestFile file(Open(t.File(Spaced() + std::string("d\0", 2)), GENERIC_READ));
             s.ReadFrom(file.Get());
         },
         L"abc"},
        {"ReadFrom the rest of the file",
         [](auto& t, String& s) {
             s.Assign(L"wxyz");
             TestFile file(Open(t.File(Spaced()), GENERIC_READ));
             SeekTo(file.Get(), 2);
             s.ReadFrom(file.Get());
         },
         L"bc"},
        {"a missing resource", [](auto&, String& s) { s.LoadFromOwnResource(L"NO-SUCH-TYPE", 1); },
         L""},
        {"AssignFrom an unterminated view",
         [&](auto&, String& s) { s.AssignFrom(ShellMemory<wchar_t>(2, unterminated)); }, L"xy"},
        {"AssignFrom a cleared view",
         [](auto&, String& s) {
             wchar_t none[] = {L'n'};
             ShellMemory<wchar_t> cleared(0, none);
             cleared.Clear();
             s.AssignFrom(cleared);
         },
         L""},
        {"assignment of a block through the base",
         [](auto&, String& s) {
             WideBlock block(MUnits(2));
             block.data[0] = L'p';
             block.data[1] = L'q';
             static_cast<MAtom<wchar_t>&>(s) = block;
         },
         L"pq"},
        {"assignment of an empty block",
         [](auto&, String& s) { static_cast<WideBlock&>(s) = WideBlock(); }, L""},
        {"SetCount", [](auto&, String& s) { s.SetCount(5); }, L""},
        {"SetCount of 0", [](auto&, String& s) { s.SetCount(0); }, L""},
        {"Truncate", [](auto&, String& s) { s.Truncate(2); }, L"st"},
        {"Truncate to the whole count", [](auto&, String& s) { s.Truncate(s.count); }, L"start"},
        {"Truncate to 0", [](auto&, String& s) { s.Truncate(0); }, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        String s(L"start");
        s.numberBase = 16;
        c.apply(*this, s);
        ExpectEveryScanSeesOnly(s, c.text);
        EXPECT_EQ(s.numberBase, 16);
    }
}

TEST_F(StringFromRawElements, AFailedLoadLeavesTheEmptyString) {
    String s(L"start");
    EXPECT_THROW(s.LoadFile(Path(L"missing").c_str()), MAtomException);
    ExpectEveryScanSeesOnly(s, L"");
    s.Assign(L"start");
    EXPECT_THROW(s.LoadFile(File("abc").c_str()), MAtomException);
    ExpectEveryScanSeesOnly(s, L"");
}

// The manifest holds no zero byte: as a narrow string it is the whole resource, terminated.
TEST(StringFromResource, AResourceWithoutAZeroGetsATerminator) {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::uint32_t size = SizeofResource(nullptr, found);
    MStringEx<char> manifest("x");
    manifest.numberBase = 8;
    manifest.LoadFromOwnResource(MAKEINTRESOURCEW(24), 1);
    ASSERT_EQ(manifest.count.Value(), size + 1);
    EXPECT_EQ(manifest.data[size], 0);
    EXPECT_EQ(Bytes(manifest).rfind("<?xml", 0), 0u);
    EXPECT_EQ(manifest.LeftOfChar('\x01').count, manifest.count);
    EXPECT_EQ(manifest.CutAtNul().count, manifest.count);
    EXPECT_EQ(manifest.numberBase, 8);
}

TEST(StringSwap, StringsExchangeOnlyWithStrings) {
    EXPECT_FALSE((CanSwap<String, WideBlock>::value));
    EXPECT_FALSE((CanSwap<WideBlock, String>::value));
    EXPECT_FALSE((CanSwap<String, ShellMemory<wchar_t>>::value));
    EXPECT_TRUE((CanSwap<String, String>::value));
    EXPECT_TRUE((CanSwap<WideBlock, WideBlock>::value));
    String a(L"a");
    String b(L"bc");
    Swap(a, b);
    EXPECT_TRUE(HoldsText(a, L"bc"));
    EXPECT_TRUE(HoldsText(b, L"a"));
}

} // namespace
