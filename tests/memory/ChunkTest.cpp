#include "memory/BlockPersistence.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Call = std::pair<std::uint64_t, DWORD>;

struct ChunkCase {
    const char* name;
    std::uint64_t size;
    std::vector<Call> calls;
};

// Records the calls without moving anything, so that sizes above a gigabyte cost nothing.
TEST(MoveInChunks, LargeTransfersAreSplitIntoChunksOfAtMostAGigabyte) {
    const ChunkCase cases[] = {
        {"nothing", 0, {}},
        {"one byte", 1, {{0, 1}}},
        {"exactly one chunk", 0x40000000, {{0, 0x40000000}}},
        {"one byte more", 0x40000001, {{0, 0x40000000}, {0x40000000, 1}}},
        {"beyond 32 bits",
         0x100000002ull,
         {{0, 0x40000000},
          {0x40000000, 0x40000000},
          {0x80000000, 0x40000000},
          {0xC0000000, 0x40000000},
          {0x100000000ull, 2}}},
    };
    for (const ChunkCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Call> calls;
        const DWORD result = MoveInChunks(c.size, ERROR_READ_FAULT,
                                          [&](std::uint64_t offset, DWORD length, DWORD& moved) {
                                              calls.emplace_back(offset, length);
                                              moved = length;
                                              return TRUE;
                                          });
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), result);
        EXPECT_EQ(c.calls, calls);
    }
}

TEST(MoveInChunks, ShortOrFailedCallsEndTheTransfer) {
    int calls = 0;
    const DWORD shortSecond =
        MoveInChunks(0x40000001, ERROR_WRITE_FAULT, [&](std::uint64_t, DWORD, DWORD& moved) {
            moved = ++calls == 1 ? 0x40000000 : 0;
            return TRUE;
        });
    EXPECT_EQ(static_cast<DWORD>(ERROR_WRITE_FAULT), shortSecond);
    EXPECT_EQ(2, calls);

    calls = 0;
    const DWORD shortFirst =
        MoveInChunks(0x40000001, ERROR_READ_FAULT, [&](std::uint64_t, DWORD length, DWORD& moved) {
            ++calls;
            moved = length - 1;
            return TRUE;
        });
    EXPECT_EQ(static_cast<DWORD>(ERROR_READ_FAULT), shortFirst);
    EXPECT_EQ(1, calls);

    const DWORD failed =
        MoveInChunks(0x40000001, ERROR_WRITE_FAULT, [](std::uint64_t, DWORD, DWORD& moved) {
            moved = 0;
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        });
    EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), failed);
}

} // namespace
