#include "text/MStringEx.h"

#include "support/TemporaryPath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using String = MStringEx<wchar_t>;

class StringFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetTempPathW(0, nullptr), 0u);
        path = ProcessTemporaryPath(L"string-file-", L".txt");
        DeleteFileW(path.c_str());
    }

    void TearDown() override { DeleteFileW(path.c_str()); }

    std::string Contents() const {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return "<missing>";
        }
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        return bytes.substr(0, read);
    }

    std::wstring path;
};

TEST_F(StringFileTest, AppendCreatesTheFileAndWritesAtItsEnd) {
    String(L"ab").AppendToFile(path.c_str(), false);
    EXPECT_EQ(Contents(), std::string("a\0b\0", 4));
    String(L"c").AppendToFile(path.c_str(), true);
    EXPECT_EQ(Contents(), std::string("a\0b\0c\0\0\0", 8));
    String().AppendToFile(path.c_str(), false);
    EXPECT_EQ(Contents().size(), 8u);
}

TEST_F(StringFileTest, SaveUsesTheCreationDisposition) {
    EXPECT_TRUE(
        String(L"long text").SaveToFile(path.c_str(), false, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(
        MStringEx<char>("xy").SaveToFile(path.c_str(), true, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(Contents(), std::string("xy\0", 3));
    try {
        String(L"z").SaveToFile(path.c_str(), false, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        FAIL() << "no exception";
    } catch (const MAtomException& e) {
        EXPECT_EQ(e.code, 4);
        EXPECT_EQ(e.win32Error, static_cast<DWORD>(ERROR_FILE_EXISTS));
    }
    EXPECT_EQ(Contents(), std::string("xy\0", 3));
}

TEST_F(StringFileTest, AFolderThatDoesNotExistRaises) {
    EXPECT_THROW(String(L"a").AppendToFile(L"C:\\no such folder\\a.txt", false), MAtomException);
}

} // namespace
