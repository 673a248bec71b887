#include "e2e/VendorControl.h"

#include "TornquillConfig.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

namespace vendor {

namespace {

struct InternetHandle {
    HINTERNET handle;
    explicit InternetHandle(HINTERNET handle) : handle(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (handle != nullptr) {
            InternetCloseHandle(handle);
        }
    }
};

} // namespace

std::string Control(const std::string& command) {
    const std::string address =
        std::string("http://") + TORNQUILL_VENDOR_HOST_A + "/__control/" + command;
    const InternetHandle session(InternetOpenA("Tornquill end-to-end tests",
                                               INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    const InternetHandle request(
        InternetOpenUrlA(session.handle, address.c_str(), nullptr, 0,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                             INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI,
                         0));
    if (request.handle == nullptr) {
        ADD_FAILURE() << "no answer to " << address << ", error " << GetLastError();
        return std::string();
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    HttpQueryInfoA(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                   nullptr);
    std::string body;
    char buffer[65536];
    DWORD read = 0;
    while (InternetReadFile(request.handle, buffer, sizeof(buffer), &read) && read != 0) {
        body.append(buffer, read);
    }
    EXPECT_EQ(200u, status) << address << ": " << body;
    return body;
}

void Select(const std::string& mode, const std::string& parameters) {
    EXPECT_EQ("OK", Control("mode?name=" + mode + (parameters.empty() ? "" : "&" + parameters)));
}

void Reset() {
    EXPECT_EQ("OK", Control("reset"));
}

void SetSilent(bool silent) {
    EXPECT_EQ("OK", Control(std::string("icmp?silent=") + (silent ? "1" : "0")));
}

std::string Package(const std::string& edition, const std::string& cpu, std::size_t size) {
    return Control("package?os=" + edition + "&cpu=" + cpu + "&size=" + std::to_string(size));
}

std::string Requests() {
    return Control("requests");
}

} // namespace vendor
