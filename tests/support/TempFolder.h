#pragma once

#include "support/TemporaryPath.h"
#include "support/TestFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// A fresh folder under the temporary folder for one test, removed with its files afterwards.
class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(0u, GetTempPathW(0, nullptr));
        // Process numbers repeat between Wine sessions: take the first free name.
        for (int serial = 0;; ++serial) {
            folder = TemporaryPath(L"tq-memory-" + std::to_wstring(serial));
            if (CreateDirectoryW(folder.c_str(), nullptr)) {
                break;
            }
            ASSERT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
        }
    }

    void TearDown() override {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW(Path(found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring Path(const std::wstring& name) const { return folder + L"\\" + name; }

    static void WriteBytes(const std::wstring& path, const std::string& bytes) {
        TestFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(INVALID_HANDLE_VALUE, file.Get());
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr));
        EXPECT_EQ(bytes.size(), written);
    }

    static std::string ReadBytes(const std::wstring& path) {
        TestFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.Get() == INVALID_HANDLE_VALUE) {
            return "<missing>";
        }
        return ReadRest(file.Get());
    }

    // Whether nobody holds the file open: only then can it be opened without sharing.
    static bool IsClosed(const std::wstring& path) {
        TestFile file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.Get() != INVALID_HANDLE_VALUE;
    }

    static HANDLE Open(const std::wstring& path, DWORD access) {
        return CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    static void SeekTo(HANDLE file, LONGLONG position) {
        LARGE_INTEGER distance;
        distance.QuadPart = position;
        ASSERT_TRUE(SetFilePointerEx(file, distance, nullptr, FILE_BEGIN));
    }

    static std::string ReadRest(HANDLE file) {
        std::string bytes;
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0) {
            bytes.append(buffer, read);
        }
        return bytes;
    }

    std::wstring folder;
};
