#include "memory/MOwnedHandle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Handles are small numbers here; closing one is recorded instead of done. The kind is the
// kernel's: INVALID_HANDLE_VALUE and null both hold nothing.
std::vector<HANDLE> closed;

void RecordClose(HANDLE handle) {
    closed.push_back(handle);
}

using Recorded = MOwnedHandle<MHandlePolicy<HANDLE, RecordClose, -1>>;

HANDLE Fake(UINT_PTR n) {
    return reinterpret_cast<HANDLE>(n);
}

class OwnedHandleTest : public testing::Test {
protected:
    void SetUp() override { closed.clear(); }
    const std::vector<HANDLE>& Closed() { return closed; }
};

TEST_F(OwnedHandleTest, NullAndInvalidHoldNothing) {
    {
        Recorded none;
        Recorded null(nullptr);
        Recorded invalid(INVALID_HANDLE_VALUE);
        EXPECT_FALSE(none.IsValid());
        EXPECT_FALSE(null.IsValid());
        EXPECT_FALSE(invalid.IsValid());
        EXPECT_EQ(none.Get(), INVALID_HANDLE_VALUE);
    }
    EXPECT_TRUE(Closed().empty());
}

TEST_F(OwnedHandleTest, ANewValueClosesTheOldOneFirst) {
    Recorded owner(Fake(4));
    owner = Fake(8);
    EXPECT_EQ(Closed(), std::vector<HANDLE>{Fake(4)});
    EXPECT_EQ(owner.Get(), Fake(8));
    owner = nullptr;
    EXPECT_EQ(Closed(), (std::vector<HANDLE>{Fake(4), Fake(8)}));
    owner = Fake(12);
    EXPECT_EQ(Closed().size(), 2u);
}

TEST_F(OwnedHandleTest, TheValueAlreadyHeldStaysOpen) {
    Recorded owner(Fake(4));
    owner = Fake(4);
    EXPECT_TRUE(Closed().empty());
    EXPECT_TRUE(owner.IsValid());
}

TEST_F(OwnedHandleTest, DestructionClosesOnceAndLeavesTheEmptyValue) {
    {
        Recorded owner(Fake(4));
        owner.Close();
        EXPECT_EQ(owner.Get(), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(Closed(), std::vector<HANDLE>{Fake(4)});
}

TEST_F(OwnedHandleTest, ReleaseAndMoveHandOverWithoutClosing) {
    Recorded first(Fake(4));
    Recorded second(std::move(first));
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(second.Get(), Fake(4));
    Recorded third(Fake(8));
    third = std::move(second);
    EXPECT_EQ(Closed(), std::vector<HANDLE>{Fake(8)});
    EXPECT_EQ(third.Release(), Fake(4));
    EXPECT_FALSE(third.IsValid());
    EXPECT_EQ(Closed().size(), 1u);
}

// A function that writes its handle through an out-parameter writes into the owner, which has
// closed what it held and then closes what was written.
TEST_F(OwnedHandleTest, PutClosesTheHeldHandleAndAdoptsWhatIsWritten) {
    {
        Recorded owner(Fake(4));
        HANDLE* storage = owner.Put();
        EXPECT_EQ(Closed(), std::vector<HANDLE>{Fake(4)});
        EXPECT_EQ(*storage, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(owner.IsValid());
        *storage = Fake(8);
        EXPECT_EQ(owner.Get(), Fake(8));
        EXPECT_TRUE(owner.IsValid());
        EXPECT_EQ(owner.Put(), storage);
        EXPECT_EQ(Closed(), (std::vector<HANDLE>{Fake(4), Fake(8)}));
        *storage = Fake(12);
    }
    EXPECT_EQ(Closed(), (std::vector<HANDLE>{Fake(4), Fake(8), Fake(12)}));
}

TEST_F(OwnedHandleTest, PutOnAnEmptyOwnerClosesNothing) {
    Recorded owner;
    *owner.Put() = nullptr;
    EXPECT_FALSE(owner.IsValid());
    owner.Close();
    EXPECT_TRUE(Closed().empty());
}

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

TEST(KernelHandle, ClosesRealHandles) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE other = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    ASSERT_NE(other, nullptr);
    {
        MKernelHandle owner(event);
        owner = event;
        EXPECT_TRUE(IsOpen(event));
        owner = other;
        EXPECT_FALSE(IsOpen(event));
        EXPECT_TRUE(IsOpen(other));
    }
    EXPECT_FALSE(IsOpen(other));
}

TEST(KernelHandle, PutTakesARealHandleFromAnOutParameter) {
    MKernelHandle owner(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const HANDLE first = owner.Get();
    ASSERT_TRUE(IsOpen(first));
    HANDLE duplicate = nullptr;
    {
        MKernelHandle copy;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), first, GetCurrentProcess(), copy.Put(), 0,
                                    FALSE, DUPLICATE_SAME_ACCESS));
        duplicate = copy.Get();
        EXPECT_TRUE(IsOpen(duplicate));
        owner.Put();
        EXPECT_FALSE(IsOpen(first));
        EXPECT_TRUE(IsOpen(duplicate));
    }
    EXPECT_FALSE(IsOpen(duplicate));
}

} // namespace
