#include "job/DownloadJob.h"
#include "support/TemporaryPath.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DownloadJob, ANewRecordHoldsTheProductIdentityAndNothingElse) {
    const HWND dialog = reinterpret_cast<HWND>(0x1234);
    const DownloadJob job(dialog);
    EXPECT_TRUE(HoldsText(job.productName, L"Veltrane"));
    EXPECT_TRUE(HoldsText(job.productVersion, L"2.30.0.0"));
    EXPECT_TRUE(HoldsText(job.internalName, L"Tornquill"));
    EXPECT_EQ(job.dialog, dialog);
    EXPECT_EQ(job.packageFile.Get(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(HoldsText(job.packagePath, L""));
    EXPECT_TRUE(HoldsText(job.osEdition, L""));
    EXPECT_FALSE(job.isXp);
}

// Package files are created unshared, so a second open tells whether the record still holds one.
class PackageFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetTempPathW(0, nullptr), 0u);
        const std::wstring stem = ProcessTemporaryPath(L"job-record-");
        first = stem + L"-1.msi";
        second = stem + L"-2.msi";
    }

    void TearDown() override {
        DeleteFileW(first.c_str());
        DeleteFileW(second.c_str());
    }

    static HANDLE Create(const std::wstring& path) {
        return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    static bool IsHeld(const std::wstring& path) {
        HANDLE probe = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            return GetLastError() == ERROR_SHARING_VIOLATION;
        }
        CloseHandle(probe);
        return false;
    }

    std::wstring first;
    std::wstring second;
};

TEST_F(PackageFileTest, DestroyingTheRecordClosesItsFile) {
    {
        DownloadJob job(nullptr);
        job.packageFile = Create(first);
        ASSERT_TRUE(job.packageFile.IsValid());
        EXPECT_TRUE(IsHeld(first));
    }
    EXPECT_FALSE(IsHeld(first));
}

TEST_F(PackageFileTest, ANewHandleClosesTheOldOne) {
    DownloadJob job(nullptr);
    job.packageFile = Create(first);
    job.packageFile = Create(second);
    EXPECT_FALSE(IsHeld(first));
    EXPECT_TRUE(IsHeld(second));
}

TEST_F(PackageFileTest, AFailedCreationHoldsNothing) {
    DownloadJob job(nullptr);
    job.packageFile = Create(first);
    job.packageFile = Create(L"C:\\no such folder\\package.msi");
    EXPECT_FALSE(job.packageFile.IsValid());
    EXPECT_FALSE(IsHeld(first));
}

} // namespace
