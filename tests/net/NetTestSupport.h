#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// ASCII text of a wide string, for messages.
std::string Narrow(const std::wstring& text);

// Talks to the control interface of the vendor test server on this machine's port 80: GET
// /__control/<command>; fails the test unless the answer is 200. Returns the body.
std::string VendorControl(const std::string& command);

// The body of a plain GET of url, fetched by the test itself.
std::string FetchUrl(const std::wstring& url);

// Echo requests this network namespace has sent so far, as the kernel counts them.
std::uint64_t IcmpEchoRequestsSent();

// A file of its own in the temporary folder, removed at the end.
class ScratchFile {
public:
    // access: the rights of the handle the test hands over (GENERIC_WRITE, GENERIC_READ ...).
    explicit ScratchFile(DWORD access = GENERIC_READ | GENERIC_WRITE);
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();

    HANDLE Handle() const { return handle; }
    const std::wstring& Path() const { return path; }

    // The whole content as it is on disk now.
    std::string Content() const;

    // The file pointer of the handle.
    std::uint64_t Position() const;

private:
    std::wstring path;
    HANDLE handle;
};

// A message-only window on the calling thread that records the payload of every progress
// message: the total and the count that the two addresses point to during the call.
class ProgressRecorder {
public:
    using Progress = std::pair<std::uint64_t, std::uint64_t>;

    explicit ProgressRecorder(UINT message);
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;
    ~ProgressRecorder();

    HWND Window() const { return window; }
    const std::vector<Progress>& Seen() const { return seen; }

    // Called on the window's thread after each message has been recorded.
    std::function<void(const Progress&)> onProgress;

    // Runs work on a thread of its own while this thread handles messages, until it returns.
    // When it is still running after limit milliseconds, late is called once on this thread (to
    // free the work) and the wait goes on.
    bool RunElsewhere(const std::function<bool()>& work, DWORD limit = INFINITE,
                      const std::function<void()>& late = nullptr);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT message;
    HWND window;
    std::vector<Progress> seen;
};
