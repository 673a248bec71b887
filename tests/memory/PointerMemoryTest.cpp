#include "memory/MMemoryPH.h"
#include "memory/MOwnedHandle.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD zeroFilled = HEAP_ZERO_MEMORY | HEAP_GENERATE_EXCEPTIONS;

// Four-byte units, as the program's 32-bit build counts its ACL block.
using Block = MMemoryPH<DWORD, zeroFilled>;
using Units = Block::MemUnits;
using Doubles = MMemoryPH<double, zeroFilled>;

Block BlockOf(const std::vector<unsigned char>& bytes) {
    Block block(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty()) {
        std::memcpy(block.data, bytes.data(), bytes.size());
    }
    return block;
}

std::vector<unsigned char> BytesOf(const MMemory<DWORD>& block) {
    return std::vector<unsigned char>(block.data, block.data + block.size);
}

std::vector<unsigned char> Sequence(std::size_t n, unsigned char first = 1) {
    std::vector<unsigned char> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<unsigned char>(first + 37 * i);
    }
    return bytes;
}

TEST(PointerMemoryConstruction, ByteSizeGivesAnExactZeroFilledBuffer) {
    for (std::uint32_t extra : {0u, 12u, 13u, 4096u}) {
        SCOPED_TRACE(extra);
        const std::uint32_t bytes = 16 + extra;
        {
            // Leave dirty memory of the same size behind for the block to be given.
            Block dirty(bytes);
            std::memset(dirty.data, 0xCC, bytes);
        }
        const MMemoryPH<PACL, zeroFilled> acl(bytes);
        EXPECT_EQ(acl.size, bytes);
        EXPECT_EQ(acl.SizeAsDword(), bytes);
        EXPECT_EQ(HeapSize(GetProcessHeap(), 0, acl.data), bytes);
        EXPECT_EQ(std::vector<unsigned char>(acl.data, acl.data + bytes),
                  std::vector<unsigned char>(bytes, 0));
    }
}

TEST(PointerMemoryConstruction, UnitsCountElementsOfTheTemplateType) {
    EXPECT_EQ(Units::FromBytes(28).value, 7u);
    EXPECT_EQ(Units(7).Bytes(), 28u);
    EXPECT_EQ(MMemory<double>::MemUnits(3).Bytes(), 24u);
    EXPECT_EQ(MMemory<PACL>::MemUnits(1).Bytes(), sizeof(PACL));
}

TEST(PointerMemoryCopy, CopiesCompareByteForByte) {
    const Block original = BlockOf(Sequence(12));
    Block copy(original);
    EXPECT_TRUE(copy == original);
    EXPECT_FALSE(copy != original);
    copy.data[11] ^= 1;
    EXPECT_TRUE(copy != original);

    Block prefix = BlockOf(Sequence(8));
    EXPECT_TRUE(prefix != original) << "equal first bytes, different sizes";
    prefix = original;
    EXPECT_EQ(BytesOf(prefix), BytesOf(original));
    EXPECT_TRUE(Block() == Block(0));
}

TEST(PointerMemoryCopy, CloneIsAnIndependentObjectOnTheProcessHeap) {
    const Block original = BlockOf(Sequence(8));
    std::unique_ptr<MMemory<DWORD>> clone = original.Clone();
    EXPECT_TRUE(*clone == original);
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, clone.get()), sizeof(Block));
    clone->data[0] ^= 0xFF;
    EXPECT_EQ(BytesOf(original), Sequence(8));
}

TEST(PointerMemoryResize, ReplacementsHaveTheRequestedContent) {
    Block block = BlockOf(Sequence(8));
    block.SetCount(Units(3));
    EXPECT_EQ(BytesOf(block), std::vector<unsigned char>(12, 0));

    const std::vector<unsigned char> source = Sequence(20, 9);
    block.AssignFrom(source.data(), Units(4));
    EXPECT_EQ(BytesOf(block), std::vector<unsigned char>(source.begin(), source.begin() + 16));

    block.SetSize(5);
    EXPECT_EQ(BytesOf(block), std::vector<unsigned char>(5, 0));
    block.Clear();
    EXPECT_TRUE(block.IsEmpty());
    block.SetSize(4);
    block.Empty();
    EXPECT_EQ(block.size, 0u);
}

TEST(PointerMemoryResize, CountsBeyondThirtyTwoBitsOfBytesAreRefused) {
    Block block = BlockOf(Sequence(8));
    EXPECT_THROW(block.SetCount(Units(0x40000000)), MUnitException);
    EXPECT_EQ(BytesOf(block), Sequence(8));
}

TEST(PointerMemoryResize, AppendCopiesRepeatsTheSourceAfterTheContent) {
    Block block = BlockOf({'a', 'b'});
    block.AppendCopies(BlockOf({'x', 'y', 'z'}), 2);
    EXPECT_EQ(BytesOf(block), (std::vector<unsigned char>{'a', 'b', 'x', 'y', 'z', 'x', 'y', 'z'}));

    Block self = BlockOf({'a', 'b'});
    self.AppendCopies(self, 2);
    EXPECT_EQ(BytesOf(self), (std::vector<unsigned char>{'a', 'b', 'a', 'b', 'a', 'b'}));

    Block unchanged = BlockOf({'a'});
    unchanged.AppendCopies(BlockOf({'x'}), 0);
    EXPECT_EQ(BytesOf(unchanged), std::vector<unsigned char>{'a'});
}

TEST(PointerMemoryResize, AppendCopiesBeyondThirtyTwoBitsThrowsBeforeAllocating) {
    Block block = BlockOf(Sequence(16));
    try {
        block.AppendCopies(block, 0x10000000);
        FAIL() << "no exception";
    } catch (const MUnitException& e) {
        EXPECT_EQ(e.code, 2);
    }
    EXPECT_EQ(BytesOf(block), Sequence(16));
}

TEST(PointerMemoryResize, SizeCanBeLoweredInPlaceButNotRaised) {
    Block block = BlockOf(Sequence(16));
    unsigned char* const buffer = block.data;
    block.Shrink(Units(1));
    EXPECT_EQ(block.size, 12u);
    block.SetCountOnly(Units(2));
    EXPECT_EQ(block.size, 8u);
    EXPECT_EQ(block.data, buffer);

    try {
        block.SetCountOnly(Units(3));
        FAIL() << "no exception";
    } catch (const MAtomException& e) {
        EXPECT_EQ(e.code, 1);
    }
    try {
        block.Shrink(Units(3));
        FAIL() << "no exception";
    } catch (const MUnitException& e) {
        EXPECT_EQ(e.code, 4);
    }
    EXPECT_EQ(block.size, 8u);
}

class PointerMemoryFile : public TempFolder {
protected:
    std::vector<unsigned char> Contents(const std::wstring& path) {
        const std::string bytes = ReadBytes(path);
        return std::vector<unsigned char>(bytes.begin(), bytes.end());
    }

    MKernelHandle OpenFile(const std::wstring& path, DWORD access) {
        return MKernelHandle(Open(path, access));
    }
};

TEST_F(PointerMemoryFile, SaveFileReplacesAndAppendFileExtends) {
    const std::wstring path = Path(L"block.bin");
    ASSERT_TRUE(BlockOf(Sequence(6)).SaveFile(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(BlockOf({1, 2, 3}).SaveFile(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(Contents(path), (std::vector<unsigned char>{1, 2, 3}));

    ASSERT_TRUE(BlockOf({4, 5}).AppendFile(path.c_str()));
    EXPECT_EQ(Contents(path), (std::vector<unsigned char>{1, 2, 3, 4, 5}));

    const std::wstring fresh = Path(L"fresh.bin");
    ASSERT_TRUE(BlockOf({9}).AppendFile(fresh.c_str()));
    EXPECT_EQ(Contents(fresh), std::vector<unsigned char>{9});

    const std::wstring nowhere = Path(L"missing\\block.bin");
    EXPECT_FALSE(BlockOf({1}).SaveFile(nowhere.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(BlockOf({1}).AppendFile(nowhere.c_str()));
}

TEST_F(PointerMemoryFile, AppendToWritesAtTheEndOfAnOpenFile) {
    const std::wstring path = Path(L"block.bin");
    ASSERT_TRUE(BlockOf({1, 2}).SaveFile(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    {
        const MKernelHandle file = OpenFile(path, GENERIC_WRITE);
        ASSERT_TRUE(file.IsValid());
        EXPECT_TRUE(BlockOf({3}).AppendTo(file.Get()));
        EXPECT_TRUE(BlockOf({4}).AppendTo(file.Get()));
    }
    EXPECT_EQ(Contents(path), (std::vector<unsigned char>{1, 2, 3, 4}));
    EXPECT_FALSE(BlockOf({1}).AppendTo(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(BlockOf({1}).AppendTo(nullptr));
    const MKernelHandle readOnly = OpenFile(path, GENERIC_READ);
    EXPECT_FALSE(BlockOf({1}).AppendTo(readOnly.Get()));
}

TEST_F(PointerMemoryFile, ReadFromTakesWholeFilesOfWholeUnits) {
    struct Case {
        std::size_t fileBytes;
        bool taken;
    };
    const Case cases[] = {{12, true}, {4, true}, {10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileBytes);
        const std::wstring path = Path(L"read.bin");
        ASSERT_TRUE(BlockOf(Sequence(c.fileBytes)).SaveFile(path.c_str(), FILE_ATTRIBUTE_NORMAL));
        const MKernelHandle file = OpenFile(path, GENERIC_READ);
        SetFilePointer(file.Get(), static_cast<LONG>(c.fileBytes / 2), nullptr, FILE_BEGIN);
        Block block = BlockOf(Sequence(4, 200));
        block.ReadFrom(file.Get());
        EXPECT_EQ(BytesOf(block), c.taken ? Sequence(c.fileBytes) : std::vector<unsigned char>());
    }
}

TEST_F(PointerMemoryFile, ReadFromEmptiesTheBlockOnAFailure) {
    Block block = BlockOf(Sequence(4));
    block.ReadFrom(INVALID_HANDLE_VALUE);
    EXPECT_TRUE(block.IsEmpty());

    const std::wstring path = Path(L"write-only.bin");
    ASSERT_TRUE(BlockOf(Sequence(8)).SaveFile(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    const MKernelHandle writeOnly = OpenFile(path, GENERIC_WRITE);
    Block unread = BlockOf(Sequence(4));
    unread.ReadFrom(writeOnly.Get());
    EXPECT_TRUE(unread.IsEmpty());
}

// The resources go into a copy of this test program, which is then loaded for them.
const wchar_t resourceType[] = L"BLOCKTEST";

TEST_F(PointerMemoryFile, ResourcesRoundTripThroughAModuleFile) {
    wchar_t self[MAX_PATH];
    ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const std::wstring module = Path(L"module.exe");
    ASSERT_TRUE(CopyFileW(self, module.c_str(), TRUE));

    const Block whole = BlockOf(Sequence(12));
    ASSERT_TRUE(whole.SaveToResource(module.c_str(), resourceType, 7, LANG_NEUTRAL, SUBLANG_NEUTRAL,
                                     FALSE));
    ASSERT_TRUE(
        BlockOf(Sequence(5))
            .SaveToResource(module.c_str(), resourceType, 8, LANG_NEUTRAL, SUBLANG_NEUTRAL, FALSE));

    Block loaded;
    loaded.LoadFromModuleResource(module.c_str(), resourceType, 7);
    EXPECT_TRUE(loaded == whole);

    struct Case {
        const wchar_t* file;
        WORD id;
        const char* what;
    };
    const std::wstring missing = Path(L"missing.exe");
    const Case refused[] = {{module.c_str(), 8, "five bytes are no whole units"},
                            {module.c_str(), 9, "no such resource"},
                            {missing.c_str(), 7, "no such module"},
                            {nullptr, 7, "the program itself has none"}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        Block block = BlockOf(Sequence(4));
        block.LoadFromModuleResource(c.file, resourceType, c.id);
        EXPECT_TRUE(block.IsEmpty());
    }
    EXPECT_FALSE(whole.SaveToResource(missing.c_str(), resourceType, 7, LANG_NEUTRAL,
                                      SUBLANG_NEUTRAL, FALSE));
}

TEST(PointerMemoryChecksum, FingerprintWeighsEachByteByItsPosition) {
    EXPECT_EQ(BlockOf({0}).Fingerprint(), 0.0L);
    EXPECT_EQ(BlockOf({255}).Fingerprint(), 255.0L / 256.0L);
    EXPECT_EQ(BlockOf({1, 2}).Fingerprint(), 1.0L / 256.0L + 3.0L / 257.0L);
    EXPECT_EQ(Block().Fingerprint(), 0.0L);
}

TEST(PointerMemoryChecksum, BlockChecksumsCoverTheLastShortBlock) {
    const Block block = BlockOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Doubles sums;
    block.BlockChecksums(sums, Units(1));
    ASSERT_EQ(sums.size, 3 * sizeof(double));
    double values[3];
    std::memcpy(values, sums.data, sizeof values);
    EXPECT_EQ(values[0], 6.0 + (0 + 1 + 2 + 3) / 256.0);
    EXPECT_EQ(values[1], 6.0 + (4 + 5 + 6 + 7) / 256.0);
    EXPECT_EQ(values[2], 1.0 + (8 + 9) / 256.0);

    EXPECT_TRUE(block.VerifyBlockChecksums(sums, Units(1)));
    EXPECT_FALSE(block.VerifyBlockChecksums(sums, Units(2)));
    Block changed(block);
    changed.data[9] = 10;
    EXPECT_FALSE(changed.VerifyBlockChecksums(sums, Units(1)));

    Block().BlockChecksums(sums, Units(1));
    EXPECT_EQ(sums.size, 0u);
    EXPECT_THROW(block.BlockChecksums(sums, Units(0)), MUnitException);
}

struct ChecksumCase {
    std::uint32_t start;
    std::uint32_t length;
    std::uint32_t offset;
};

const ChecksumCase checksumCases[] = {
    {0, 4, 0}, // at the front of the window
    {1, 2, 1}, // inside it
    {1, 2, 2}, // right after the window's own bytes, still inside it
    {0, 2, 4}, // past the window, at the end of the block
    {0, 0, 0}, // a window of the checksum alone
};

class PointerMemoryEmbeddedChecksum : public ::testing::TestWithParam<ChecksumCase> {
protected:
    const std::vector<unsigned char> original = Sequence(16, 3);
};

TEST_P(PointerMemoryEmbeddedChecksum, RemovesItselfWhenTheWindowIsUnchanged) {
    const ChecksumCase c = GetParam();
    Block block = BlockOf(original);
    block.InsertChecksum(Units(c.start), Units(c.length), Units(c.offset));
    ASSERT_EQ(block.size, original.size() + 8);
    EXPECT_TRUE(block.VerifyAndRemoveChecksum(Units(c.start), Units(c.length), Units(c.offset)));
    EXPECT_EQ(BytesOf(block), original);
}

TEST_P(PointerMemoryEmbeddedChecksum, AnyChangedByteOfTheWindowFailsAndChangesNothing) {
    const ChecksumCase c = GetParam();
    const std::uint32_t windowStart = c.start * 4;
    const std::uint32_t windowEnd = windowStart + c.length * 4 + 8;
    const std::uint32_t checksumAt = (c.start + c.offset) * 4;
    for (std::uint32_t i = windowStart; i < windowEnd; ++i) {
        if (i >= checksumAt && i < checksumAt + 8) {
            continue;
        }
        SCOPED_TRACE(i);
        Block block = BlockOf(original);
        block.InsertChecksum(Units(c.start), Units(c.length), Units(c.offset));
        block.data[i] ^= 0x10;
        const std::vector<unsigned char> tampered = BytesOf(block);
        EXPECT_FALSE(
            block.VerifyAndRemoveChecksum(Units(c.start), Units(c.length), Units(c.offset)));
        EXPECT_EQ(BytesOf(block), tampered);
    }
}

INSTANTIATE_TEST_SUITE_P(Places, PointerMemoryEmbeddedChecksum, ::testing::ValuesIn(checksumCases));

TEST(PointerMemoryChecksum, BytesOutsideTheWindowDoNotCount) {
    Block block = BlockOf(Sequence(16));
    block.InsertChecksum(Units(0), Units(1), Units(1));
    block.data[20] ^= 0xFF;
    EXPECT_TRUE(block.VerifyAndRemoveChecksum(Units(0), Units(1), Units(1)));
    EXPECT_EQ(block.size, 16u);
}

TEST(PointerMemoryChecksum, PlacesBeyondTheBlockAreRefused) {
    struct Case {
        ChecksumCase place;
        const char* what;
    };
    const Case cases[] = {{{0, 1, 3}, "checksum past the end"},
                          {{2, 2, 0}, "window past the end"},
                          {{0xFFFFFFFF, 1, 2}, "positions beyond 32 bits"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Block block = BlockOf(Sequence(8));
        try {
            block.InsertChecksum(Units(c.place.start), Units(c.place.length),
                                 Units(c.place.offset));
            ADD_FAILURE() << "no exception";
        } catch (const MAtomException& e) {
            EXPECT_EQ(e.code, 1);
        }
        EXPECT_EQ(BytesOf(block), Sequence(8));
        EXPECT_FALSE(block.VerifyAndRemoveChecksum(Units(c.place.start), Units(c.place.length),
                                                   Units(c.place.offset)));
        EXPECT_EQ(BytesOf(block), Sequence(8));
    }
    Block small = BlockOf(Sequence(7));
    EXPECT_FALSE(small.VerifyAndRemoveChecksum(Units(0), Units(0), Units(0)));
}

} // namespace
