#include "memory/MOwnedHandle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Handles are small numbers here; closing one is recorded instead of done.
struct RecordingPolicy {
    using Type = HANDLE;
    static std::vector<HANDLE> closed;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type handle) { return KernelHandlePolicy::IsValid(handle); }
    static void Close(Type handle) { closed.push_back(handle); }
};
std::vector<HANDLE> RecordingPolicy::closed;

using Recorded = MOwnedHandle<RecordingPolicy>;

HANDLE Fake(UINT_PTR n) {
    return reinterpret_cast<HANDLE>(n);
}

class OwnedHandleTest : public testing::Test {
protected:
    void SetUp() override { RecordingPolicy::closed.clear(); }
    const std::vector<HANDLE>& Closed() { return RecordingPolicy::closed; }
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

} // namespace
