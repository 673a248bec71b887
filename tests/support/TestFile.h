#pragma once

#include <windows.h>

// A file handle of a test, closed when the test leaves its scope.
class TestFile {
public:
    explicit TestFile(HANDLE handle = INVALID_HANDLE_VALUE) : handle(handle) {}
    ~TestFile() {
        if (handle != INVALID_HANDLE_VALUE && handle != nullptr) {
            CloseHandle(handle);
        }
    }
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;

    HANDLE& Get() { return handle; }

private:
    HANDLE handle;
};
