#include "BlockTestSupport.h"
#include "support/TempFolder.h"

namespace {

class LoadFile : public TempFolder {};

TEST_F(LoadFile, WideBlocksNeedAnEvenByteSize) {
    WriteBytes(Path(L"three"), "abc");
    WriteBytes(Path(L"four"), std::string("a\0b\0", 4));
    WriteBytes(Path(L"none"), "");

    MemoryPH<wchar_t, 0> block = WideBlock(L"old content");
    ExpectAtomError(5, 0, [&] { block.LoadFile(Path(L"three").c_str()); });
    EXPECT_TRUE(block.IsEmpty());
    EXPECT_TRUE(IsClosed(Path(L"three")));

    block.LoadFile(Path(L"four").c_str());
    EXPECT_EQ(L"ab", WideText(block));

    block.LoadFile(Path(L"none").c_str());
    EXPECT_TRUE(block.IsEmpty());
    EXPECT_NE(nullptr, block.data);

    MemoryPH<unsigned char, 0> bytes;
    bytes.LoadFile(Path(L"three").c_str());
    EXPECT_EQ("abc", Text(bytes));
}

TEST_F(LoadFile, MissingFileEmptiesTheBlock) {
    const std::wstring missing = Path(L"missing");
    MemoryPH<unsigned char, 0> block = ByteBlock("old");
    ExpectAtomError(3, ERROR_FILE_NOT_FOUND, [&] { block.LoadFile(missing.c_str(), 5, nullptr); });
    EXPECT_TRUE(block.IsEmpty());

    block = ByteBlock("old");
    ExpectAtomError(3, ERROR_INVALID_HANDLE, [&] { block.LoadFile(missing.c_str()); });
    EXPECT_TRUE(block.IsEmpty());

    block = ByteBlock("old");
    TestFile handle;
    ExpectAtomError(3, ERROR_INVALID_HANDLE,
                    [&] { block.LoadFile(missing.c_str(), handle.Get()); });
    EXPECT_TRUE(block.IsEmpty());
    EXPECT_EQ(INVALID_HANDLE_VALUE, handle.Get());
}

TEST_F(LoadFile, MaxCountAndKeepOpen) {
    const std::wstring file = Path(L"ten");
    const std::wstring other = Path(L"other");
    WriteBytes(file, "0123456789");
    WriteBytes(other, "x");

    // A handle already held in keepOpen is closed before the new one takes its place.
    TestFile kept(Open(other, GENERIC_READ));
    ASSERT_NE(INVALID_HANDLE_VALUE, kept.Get());
    MemoryPH<unsigned char, 0> block;
    block.LoadFile(file.c_str(), 2, &kept.Get());
    EXPECT_EQ("01", Text(block));
    EXPECT_TRUE(IsClosed(other));
    ASSERT_NE(INVALID_HANDLE_VALUE, kept.Get());
    EXPECT_FALSE(IsClosed(file));
    EXPECT_EQ("23456789", ReadRest(kept.Get()));

    MemoryPH<unsigned char, 0> whole;
    whole.LoadFile(file.c_str(), 100, nullptr);
    EXPECT_EQ("0123456789", Text(whole));

    TestFile handle;
    MemoryPH<unsigned char, 0> byHandle;
    byHandle.LoadFile(file.c_str(), handle.Get());
    EXPECT_EQ("0123456789", Text(byHandle));
    EXPECT_TRUE(KernelHandlePolicy::IsValid(handle.Get()));
    SeekTo(handle.Get(), 8);
    EXPECT_EQ("89", ReadRest(handle.Get()));
}

TEST_F(LoadFile, FileIsClosedWhenNoHandleIsKept) {
    const std::wstring file = Path(L"ten");
    WriteBytes(file, "0123456789");
    MemoryPH<unsigned char, 0> block;
    block.LoadFile(file.c_str(), 4, nullptr);
    EXPECT_EQ("0123", Text(block));
    EXPECT_TRUE(IsClosed(file));
    block.LoadFile(file.c_str());
    EXPECT_TRUE(IsClosed(file));
}

TEST_F(LoadFile, ViewsCannotBeLoaded) {
    WriteBytes(Path(L"ten"), "0123456789");
    MemoryPH<unsigned char, 0> owner = ByteBlock("abc");
    ShellMemory<unsigned char> view(owner);
    ExpectAtomError(5, 0, [&] { view.LoadFile(Path(L"ten").c_str()); });
    EXPECT_EQ("abc", Text(view));
}

// Files of 4 GiB and more, made sparse with SetEndOfFile so that nothing is written but the
// first bytes.
class LargeFile : public TempFolder {
protected:
    std::wstring Sparse(const std::wstring& name, std::uint64_t size) {
        const std::wstring path = Path(name);
        WriteBytes(path, "0123456789abcdef");
        TestFile file(Open(path, GENERIC_WRITE));
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        EXPECT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
        EXPECT_TRUE(SetEndOfFile(file.Get()));
        return path;
    }
};

TEST_F(LargeFile, AWholeFileThatABlockCannotCountIsRefused) {
    for (const std::uint64_t size : {0x10000000Aull, 0x100000000ull}) {
        SCOPED_TRACE(size);
        const std::wstring path = Sparse(L"large", size);
        MemoryPH<unsigned char, 0> block = ByteBlock("old");
        ExpectUnitError(7, [&] { block.LoadFile(path.c_str()); });
        EXPECT_TRUE(block.IsEmpty());

        block = ByteBlock("old");
        TestFile handle;
        ExpectUnitError(7, [&] { block.LoadFile(path.c_str(), handle.Get()); });
        EXPECT_TRUE(block.IsEmpty());
        EXPECT_EQ(INVALID_HANDLE_VALUE, handle.Get());
        EXPECT_TRUE(IsClosed(path));
        DeleteFileW(path.c_str());
    }
}

TEST_F(LargeFile, AtMostMaxCountComesFromAnyFile) {
    const std::wstring path = Sparse(L"large", 0x10000000Aull);
    MemoryPH<unsigned char, 0> block;
    block.LoadFile(path.c_str(), 16, nullptr);
    EXPECT_EQ("0123456789abcdef", Text(block));
}

class ReadFrom : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        WriteBytes(Path(L"ten"), "0123456789");
        file.Get() = Open(Path(L"ten"), GENERIC_READ);
        ASSERT_NE(INVALID_HANDLE_VALUE, file.Get());
        SeekTo(file.Get(), 4);
    }

    void TearDown() override {
        CloseHandle(file.Get());
        file.Get() = INVALID_HANDLE_VALUE;
        TempFolder::TearDown();
    }

    TestFile file;
};

TEST_F(ReadFrom, OwningBlockShrinksToTheRestOfTheFile) {
    MemoryPH<unsigned char, 0> block = ByteBlock("........");
    block.ReadFrom(file.Get());
    EXPECT_EQ("456789", Text(block));
}

TEST_F(ReadFrom, ViewIsTruncatedToTheRestOfTheFile) {
    MemoryPH<unsigned char, 0> owner = ByteBlock("........");
    ShellMemory<unsigned char> view(owner);
    view.ReadFrom(file.Get());
    EXPECT_EQ(6u, view.count.Value());
    EXPECT_EQ(owner.data, view.data);
    EXPECT_EQ("456789..", Text(owner));
}

TEST_F(ReadFrom, SmallerBlockIsFilledAndKeepsItsSize) {
    MemoryPH<unsigned char, 0> block = ByteBlock("...");
    block.ReadFrom(file.Get());
    EXPECT_EQ("456", Text(block));
    block.ReadFrom(file.Get());
    EXPECT_EQ("789", Text(block));
    block.ReadFrom(file.Get());
    EXPECT_TRUE(block.IsEmpty());
}

TEST_F(ReadFrom, RestMustBeWholeElements) {
    SeekTo(file.Get(), 5);
    MemoryPH<wchar_t, 0> wide(MUnits(4));
    ExpectAtomError(5, 0, [&] { wide.ReadFrom(file.Get()); });
    EXPECT_EQ(4u, wide.count.Value());
}

TEST_F(ReadFrom, InvalidHandles) {
    MemoryPH<unsigned char, 0> block = ByteBlock("..");
    for (HANDLE invalid : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        ExpectAtomError(3, ERROR_INVALID_HANDLE, [&] { block.ReadFrom(invalid); });
    }
}

class WriteBlock : public TempFolder {};

TEST_F(WriteBlock, AppendFileCreatesThenAppends) {
    const std::wstring file = Path(L"log");
    MemoryPH<char, 0> block = CharBlock("abc");
    EXPECT_TRUE(block.AppendFile(file.c_str()));
    EXPECT_EQ("abc", ReadBytes(file));
    EXPECT_TRUE(block.AppendFile(file.c_str()));
    EXPECT_EQ("abcabc", ReadBytes(file));
    EXPECT_TRUE(IsClosed(file));

    ExpectAtomError(3, ERROR_INVALID_HANDLE,
                    [&] { block.AppendFile(Path(L"no such folder\\log").c_str()); });
}

TEST_F(WriteBlock, SaveFileExReportsThroughTheErrorPointer) {
    const std::wstring file = Path(L"existing");
    WriteBytes(file, "keep me");
    MemoryPH<char, 0> block = CharBlock("new");

    DWORD error = 0xDEAD;
    EXPECT_FALSE(block.SaveFileEx(file.c_str(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, &error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), error);
    EXPECT_EQ("keep me", ReadBytes(file));

    ExpectAtomError(4, ERROR_FILE_EXISTS, [&] {
        block.SaveFileEx(file.c_str(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    });

    error = 0xDEAD;
    EXPECT_TRUE(
        block.SaveFileEx(Path(L"fresh").c_str(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, &error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), error);
    EXPECT_EQ("new", ReadBytes(Path(L"fresh")));
    EXPECT_TRUE(IsClosed(Path(L"fresh")));

    // A cleared view that was given a count has nothing to write; no file is made.
    ShellMemory<char> cleared(block);
    cleared.Clear();
    cleared.SetCount(3);
    error = 0xDEAD;
    EXPECT_FALSE(cleared.SaveFileEx(Path(L"not made").c_str(), CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    &error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), error);
    EXPECT_EQ("<missing>", ReadBytes(Path(L"not made")));
}

TEST_F(WriteBlock, SaveFileReplacesTheWholeFile) {
    const std::wstring file = Path(L"longer");
    WriteBytes(file, "a much longer content");
    MemoryPH<wchar_t, 0> wide = WideBlock(L"\x0102\x4E00");
    EXPECT_TRUE(wide.SaveFile(file.c_str(), FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(std::string("\x02\x01\x00\x4E", 4), ReadBytes(file));
}

TEST_F(WriteBlock, WritesAtTheStartTheEndOrTheCurrentPosition) {
    const std::wstring path = Path(L"eight");
    WriteBytes(path, "XXXXXXXX");
    TestFile file(Open(path, GENERIC_READ | GENERIC_WRITE));
    ASSERT_NE(INVALID_HANDLE_VALUE, file.Get());
    SeekTo(file.Get(), 6);

    MemoryPH<char, 0> block = CharBlock("ab");
    block.WriteFromStart(file.Get());
    EXPECT_EQ("abXXXXXX", ReadBytes(path));
    EXPECT_TRUE(block.WriteTo(file.Get()));
    EXPECT_EQ("ababXXXX", ReadBytes(path));
    EXPECT_TRUE(block.AppendTo(file.Get()));
    EXPECT_EQ("ababXXXXab", ReadBytes(path));
    EXPECT_TRUE(block.WriteTo(file.Get()));
    EXPECT_EQ("ababXXXXabab", ReadBytes(path));
}

TEST_F(WriteBlock, HandleAndWriteFailures) {
    MemoryPH<char, 0> block = CharBlock("ab");
    for (HANDLE invalid : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        ExpectAtomError(3, ERROR_INVALID_HANDLE, [&] { block.WriteFromStart(invalid); });
        ExpectAtomError(3, ERROR_INVALID_HANDLE, [&] { block.AppendTo(invalid); });
        ExpectAtomError(3, ERROR_INVALID_HANDLE, [&] { block.WriteTo(invalid); });
    }

    const std::wstring path = Path(L"read only");
    WriteBytes(path, "XX");
    TestFile readOnly(Open(path, GENERIC_READ));
    ASSERT_NE(INVALID_HANDLE_VALUE, readOnly.Get());
    ExpectAtomError(4, ERROR_ACCESS_DENIED, [&] { block.WriteTo(readOnly.Get()); });
    EXPECT_EQ("XX", ReadBytes(path));
}

} // namespace
