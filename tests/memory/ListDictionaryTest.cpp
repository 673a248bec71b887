#include "memory/Dictionary.h"
#include "support/FailingAllocation.h"
#include "memory/MList.h"
#include "memory/MSmartPtr.h"
#include "memory/Pair.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace {

using String = MStringEx<wchar_t>;
using ByteBlock = MemoryPH<unsigned char, 0>;
using HeaderPair = Pair<String, ByteBlock>;
using Headers = Dictionary<String, ByteBlock>;

// An item that records its destruction in a journal shared by the test.
class Tracked {
public:
    Tracked(int id, std::vector<int>& journal) : id(id), journal(&journal) {}
    Tracked(const Tracked& other) = default;
    ~Tracked() { journal->push_back(id); }

    int id;

private:
    std::vector<int>* journal;
};

class ListTest : public testing::Test {
protected:
    Tracked* Make(int id) { return new Tracked(id, destroyed); }

    std::vector<int> destroyed;
};

TEST_F(ListTest, ItemsComeBackInTheOrderOfAdding) {
    MSmartPtr<Tracked> afterTheEnd(Make(4));
    MList<Tracked> list(Make(1), Make(2), Make(3), nullptr, afterTheEnd.Get());
    ASSERT_EQ(list.Count(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list.Item(i)->id, static_cast<int>(i) + 1);
    }
    EXPECT_EQ(list.Item(3), nullptr);
    EXPECT_EQ(list.Item(0xFFFFFFFFu), nullptr);
}

TEST_F(ListTest, AddingAfterAnIndexedReadReachesTheNewItem) {
    MList<Tracked> list(Make(1), nullptr);
    EXPECT_EQ(list.Item(0)->id, 1);
    list.Add(Make(2));
    ASSERT_NE(list.Item(1), nullptr);
    EXPECT_EQ(list.Item(1)->id, 2);
    EXPECT_EQ(list.Item(0)->id, 1);
}

TEST_F(ListTest, ClearDeletesFromTheLastBackAndLeavesAReusableList) {
    MList<Tracked> list(Make(1), Make(2), Make(3), nullptr);
    list.Item(0);
    list.Clear();
    EXPECT_EQ(destroyed, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Item(0), nullptr);
    list.Clear();
    EXPECT_EQ(destroyed.size(), 3u);
    list.Add(Make(9));
    EXPECT_EQ(list.Item(0)->id, 9);
}

TEST_F(ListTest, DestructionDeletesEveryItem) {
    { MList<Tracked> list(Make(1), Make(2), nullptr); }
    EXPECT_EQ(destroyed, (std::vector<int>{2, 1}));
}

TEST_F(ListTest, AssignmentReplacesTheItemsByCopies) {
    MList<Tracked> source(Make(1), Make(2), nullptr);
    MList<Tracked> target(Make(7), Make(8), Make(9), nullptr);
    target = source;
    EXPECT_EQ(destroyed, (std::vector<int>{9, 8, 7}));
    ASSERT_EQ(target.Count(), 2u);
    EXPECT_EQ(target.Item(0)->id, 1);
    EXPECT_EQ(target.Item(1)->id, 2);
    EXPECT_NE(target.Item(0), source.Item(0));

    MList<Tracked> empty;
    destroyed.clear();
    target = empty;
    EXPECT_EQ(destroyed, (std::vector<int>{2, 1}));
    EXPECT_EQ(target.Count(), 0u);
}

TEST_F(ListTest, AListAssignedToItselfKeepsItsItems) {
    MList<Tracked> list(Make(1), Make(2), nullptr);
    MList<Tracked>& same = list;
    list = same;
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Item(0)->id, 1);
    EXPECT_EQ(list.Item(1)->id, 2);
}

// An item that counts its instances alive, to find items that a failed call lost.
class Counted {
public:
    Counted() { ++alive; }
    Counted(const Counted&) { ++alive; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { --alive; }

    static int alive;
};

int Counted::alive = 0;

// Every call below fails at each of its allocations in turn. Whatever it was handed is owned by
// the container from the call on, so nothing is alive afterwards but what the container holds.
class Ownership : public testing::Test {
protected:
    void SetUp() override { Counted::alive = 0; }
    void TearDown() override { FailingAllocation::Reset(); }

    // Runs prepare, then call with the first `allowed` allocations granted, for allowed = 0, 1,
    // ... until call succeeds; check runs after every failure.
    template <class Prepare, class Call, class Check>
    static void FailEachAllocation(Prepare prepare, Call call, Check check) {
        for (std::uint32_t allowed = 0;; ++allowed) {
            SCOPED_TRACE(allowed);
            prepare();
            bool failed = false;
            {
                FailingAllocation::Armed failing(allowed);
                try {
                    call();
                } catch (const std::bad_alloc&) {
                    failed = true;
                }
            }
            if (!failed) {
                return;
            }
            check();
            ASSERT_LT(allowed, 100u) << "the call never succeeds";
        }
    }

    Counted* items[3] = {};
};

TEST_F(Ownership, AddDeletesTheItemWhenItsNodeCannotBeMade) {
    MList<Counted> list(new Counted, nullptr);
    FailEachAllocation([&] { items[0] = new Counted; }, [&] { list.Add(items[0]); },
                       [&] {
                           EXPECT_EQ(Counted::alive, 1);
                           EXPECT_EQ(list.Count(), 1u);
                       });
    EXPECT_EQ(list.Count(), 2u);
}

TEST_F(Ownership, TheListConstructorDeletesTheItemsItHasNotReached) {
    FailEachAllocation(
        [&] {
            for (Counted*& item : items) {
                item = new Counted;
            }
        },
        [&] { MList<Counted> list(items[0], items[1], items[2], nullptr); },
        [] { EXPECT_EQ(Counted::alive, 0); });
    EXPECT_EQ(Counted::alive, 0);
}

TEST_F(Ownership, AFailedAssignmentLeavesTheTargetAndLosesNoCopy) {
    MList<Counted> source(new Counted, new Counted, nullptr);
    MList<Counted> target(new Counted, new Counted, new Counted, nullptr);
    Counted* const firstOfTarget = target.Item(0);
    FailEachAllocation([] {}, [&] { target = source; },
                       [&] {
                           EXPECT_EQ(Counted::alive, 5);
                           EXPECT_EQ(target.Count(), 3u);
                           EXPECT_EQ(target.Item(0), firstOfTarget);
                       });
    EXPECT_EQ(Counted::alive, 4);
}

TEST(Pair, KeyAloneGivesAnEmptyValue) {
    String key(L"ff");
    key.numberBase = 16;
    const HeaderPair pair(key);
    EXPECT_TRUE(HoldsText(pair.key, L"ff"));
    EXPECT_EQ(pair.key.numberBase, 16);
    EXPECT_EQ(pair.value.count, 0u);
    EXPECT_EQ(pair.kind, 2);
}

TEST(Pair, CopiesAreIndependent) {
    unsigned char bytes[] = {'4', '2'};
    HeaderPair pair(L"QUORVEX-DOWNLOAD-HASHCODE", ShellMemory<unsigned char>(2, bytes));
    bytes[0] = 'x';
    ASSERT_EQ(pair.value.count, 2u);
    EXPECT_EQ(pair.value.data[0], '4');
    const HeaderPair copy(pair);
    pair.value.data[1] = 'y';
    EXPECT_EQ(copy.value.data[1], '2');
    EXPECT_TRUE(copy.key == pair.key);
    EXPECT_EQ(copy.kind, 2);
}

class DictionaryTest : public testing::Test {
protected:
    static HeaderPair* Make(const wchar_t* key, std::int32_t numberBase = 10) {
        String text(key);
        text.numberBase = numberBase;
        return new HeaderPair(text);
    }
};

TEST_F(DictionaryTest, KeysThatDifferOnlyInCaseAreDifferentKeys) {
    Headers headers(Make(L"Content-Length"), Make(L"content-length"), nullptr);
    ASSERT_EQ(headers.Count(), 2u);
    EXPECT_TRUE(HoldsText(headers.Item(0)->key, L"Content-Length"));
    EXPECT_TRUE(HoldsText(headers.Item(1)->key, L"content-length"));
}

TEST_F(DictionaryTest, KeysThatDifferOnlyInNumberBaseAreDifferentKeys) {
    Headers headers;
    headers.Insert(Make(L"10"));
    headers.Insert(Make(L"10", 16));
    EXPECT_EQ(headers.Count(), 2u);
}

TEST_F(DictionaryTest, AnEqualKeyIsRefusedAndStaysWithTheCaller) {
    Headers headers(Make(L"a"), Make(L"b"), nullptr);
    MSmartPtr<HeaderPair> again(Make(L"b"));
    try {
        headers.Insert(again.Get());
        FAIL() << "no exception";
    } catch (const DictionaryException& e) {
        EXPECT_EQ(e.code, 2);
    }
    EXPECT_EQ(headers.Count(), 2u);
    EXPECT_TRUE(HoldsText(headers.Item(1)->key, L"b"));
    EXPECT_NE(headers.Item(1), again.Get());
}

using CountedPair = Pair<String, Counted>;
using CountedDictionary = Dictionary<String, Counted>;

CountedPair* MakeCounted(const wchar_t* key) {
    return new CountedPair(String(key));
}

TEST_F(Ownership, ADuplicateKeyInTheConstructorDeletesEveryPairItWasHanded) {
    try {
        CountedDictionary headers(MakeCounted(L"1"), MakeCounted(L"1"), MakeCounted(L"3"), nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const DictionaryException& e) {
        EXPECT_EQ(e.code, 2);
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST_F(Ownership, TheDictionaryConstructorAndInsertLoseNothingWhenANodeCannotBeMade) {
    CountedPair* pairs[2] = {};
    FailEachAllocation([&] { pairs[0] = MakeCounted(L"1"), pairs[1] = MakeCounted(L"2"); },
                       [&] { CountedDictionary headers(pairs[0], pairs[1], nullptr); },
                       [] { EXPECT_EQ(Counted::alive, 0); });
    CountedDictionary headers(MakeCounted(L"1"), nullptr);
    FailEachAllocation([&] { pairs[0] = MakeCounted(L"2"); }, [&] { headers.Insert(pairs[0]); },
                       [&] {
                           EXPECT_EQ(Counted::alive, 1);
                           EXPECT_EQ(headers.Count(), 1u);
                       });
    EXPECT_EQ(Counted::alive, 2);
}

TEST_F(DictionaryTest, NullPairsAreIgnored) {
    Headers headers;
    headers.Insert(nullptr);
    EXPECT_EQ(headers.Count(), 0u);
}

TEST_F(DictionaryTest, AssignmentCopiesThePairsInOrder) {
    unsigned char code[] = {'A', 'B'};
    Headers received;
    received.Insert(new HeaderPair(L"X-One", ShellMemory<unsigned char>(2, code)));
    received.Insert(Make(L"X-Two"));
    Headers requested(Make(L"X-Asked"), nullptr);
    requested = received;
    ASSERT_EQ(requested.Count(), 2u);
    EXPECT_TRUE(HoldsText(requested.Item(0)->key, L"X-One"));
    EXPECT_EQ(requested.Item(0)->value.count, 2u);
    EXPECT_EQ(requested.Item(0)->value.data[1], 'B');
    EXPECT_TRUE(HoldsText(requested.Item(1)->key, L"X-Two"));
    EXPECT_NE(requested.Item(0), received.Item(0));
}

TEST(SmartPointer, AccessThroughAnEmptyPointerThrows) {
    MSmartPtr<int> empty;
    MSmartPtr<int> reset(new int(5));
    EXPECT_EQ(*reset, 5);
    reset.Reset();
    for (MSmartPtr<int>* p : {&empty, &reset}) {
        EXPECT_TRUE(p->IsEmpty());
        try {
            p->Get();
            ADD_FAILURE() << "no exception";
        } catch (const MSmartPtrError& e) {
            EXPECT_EQ(e.code, 0);
        }
    }
}

TEST(SmartPointer, ReleaseGivesUpWithoutDeletingAndResetDeletes) {
    std::vector<int> destroyed;
    Tracked* released = nullptr;
    {
        MSmartPtr<Tracked> owner(new Tracked(1, destroyed));
        EXPECT_EQ(owner->id, 1);
        released = owner.Release();
        EXPECT_TRUE(owner.IsEmpty());
    }
    EXPECT_TRUE(destroyed.empty());
    {
        MSmartPtr<Tracked> owner(released);
        owner.Reset();
        EXPECT_EQ(destroyed, (std::vector<int>{1}));
    }
    EXPECT_EQ(destroyed, (std::vector<int>{1}));
    { MSmartPtr<Tracked> owner(new Tracked(2, destroyed)); }
    EXPECT_EQ(destroyed, (std::vector<int>{1, 2}));
}

TEST(SmartPointer, AListOfOwningPointers) {
    std::vector<int> destroyed;
    {
        MList<const MSmartPtr<Tracked>> list(new MSmartPtr<Tracked>(new Tracked(1, destroyed)),
                                             new MSmartPtr<Tracked>(new Tracked(2, destroyed)),
                                             nullptr);
        EXPECT_EQ(list.Item(1)->Get()->id, 2);
    }
    EXPECT_EQ(destroyed, (std::vector<int>{2, 1}));
}

} // namespace
