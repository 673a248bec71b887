#include "NetTestSupport.h"

#include "TornquillConfig.h"
#include "app/window/PrivateMessages.h"
#include "net/PackageTransfer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::wstring vendorHost = TORNQUILL_VENDOR_HOST;
const std::wstring downloadPath = L"/Products/Veltrane/2012/Download.aspx";
const std::wstring downloadPage = L"http://" + vendorHost + downloadPath;
const std::wstring identityHeaders = L"QUORVEX_PRODUCT: Veltrane\r\nQUORVEX_PRODUCT_VERSION: "
                                     L"2\r\nZEPH_OS_VERSION: 7\r\nZEPH_CPU_TYPE: x64";
const std::wstring agentText = L"Tornquill";
const std::wstring hashHeader = L"QUORVEX-DOWNLOAD-HASHCODE";
const std::uint64_t packageSize = 1048576;

using Progress = ProgressRecorder::Progress;

// The package the vendor server sends for the identity above, and its hash code.
std::string Package(std::uint64_t size) {
    return VendorControl("package?os=7&cpu=x64&size=" + std::to_string(size));
}

std::string PackageHash(std::uint64_t size) {
    return VendorControl("hash?os=7&cpu=x64&size=" + std::to_string(size));
}

void SelectMode(const std::string& mode, std::uint64_t size, const std::string& more = "") {
    VendorControl("mode?name=" + mode + "&size=" + std::to_string(size) + more);
}

class TransferTest : public ::testing::Test {
protected:
    TransferTest()
        : cancelEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)), recorder(UM_PROGRESS) {
        Want({hashHeader});
    }
    ~TransferTest() override { CloseHandle(cancelEvent); }

    void SetUp() override { VendorControl("reset"); }
    void TearDown() override { VendorControl("reset"); }

    void Want(const std::vector<std::wstring>& names) {
        headers.Clear();
        for (const std::wstring& name : names) {
            headers.Insert(new ResponseHeader(MStringEx<wchar_t>(name.c_str())));
        }
    }

    // Runs the transfer on a thread of its own, as the program's worker does, while this thread
    // receives the progress messages.
    bool Transfer(const std::wstring& address = downloadPage, HANDLE target = nullptr) {
        HANDLE file = target != nullptr ? target : package.Handle();
        return recorder.RunElsewhere([&] {
            return TransferPackage(MStringEx<wchar_t>(address.c_str()),
                                   MStringEx<wchar_t>(identityHeaders.c_str()),
                                   MStringEx<wchar_t>(agentText.c_str()), file, recorder.Window(),
                                   UM_PROGRESS, cancelEvent, headers);
        });
    }

    // A transfer of the download page with the given limit of the server's silence (0: the
    // program's own). One that has not returned after deadline milliseconds fails the test and
    // is freed: the server closes its stalled connections.
    bool TransferWithin(DWORD silenceLimit, DWORD deadline) {
        return recorder.RunElsewhere(
            [&] {
                const MStringEx<wchar_t> address(downloadPage.c_str());
                const MStringEx<wchar_t> headerBlock(identityHeaders.c_str());
                const MStringEx<wchar_t> agent(agentText.c_str());
                return silenceLimit == 0
                           ? TransferPackage(address, headerBlock, agent, package.Handle(),
                                             recorder.Window(), UM_PROGRESS, cancelEvent, headers)
                           : TransferPackageWithin(silenceLimit, address, headerBlock, agent,
                                                   package.Handle(), recorder.Window(), UM_PROGRESS,
                                                   cancelEvent, headers);
            },
            deadline,
            [] {
                ADD_FAILURE() << "the transfer still waits for the silent server";
                VendorControl("reset");
            });
    }

    std::wstring HeaderName(std::uint32_t i) { return headers.Item(i)->key.data; }

    // A value is UTF-16 text, possibly followed by one NUL.
    std::wstring HeaderText(std::uint32_t i) {
        const MemoryPH<unsigned char, 0>& value = headers.Item(i)->value;
        std::wstring text(reinterpret_cast<const wchar_t*>(value.data),
                          value.count.Value() / sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }

    std::string HashText(std::uint32_t i) { return Narrow(HeaderText(i)); }

    HANDLE cancelEvent;
    ScratchFile package;
    ProgressRecorder recorder;
    ResponseHeaders headers;
};

// Counts only grow, by what each read brought; the last message comes after the final read,
// which is empty when the body ended normally.
void ExpectProgressOf(const std::vector<Progress>& seen, std::uint64_t total,
                      std::uint64_t received) {
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE("message " + std::to_string(i));
        EXPECT_EQ(total, seen[i].first);
        if (i > 0) {
            EXPECT_LE(seen[i - 1].second, seen[i].second);
        }
    }
    EXPECT_EQ(received, seen.back().second);
}

void ExpectFinalEmptyRead(const std::vector<Progress>& seen) {
    ASSERT_FALSE(seen.empty());
    if (seen.size() == 1) {
        EXPECT_EQ(0u, seen[0].second);
    } else {
        EXPECT_EQ(seen[seen.size() - 2].second, seen.back().second);
        for (std::size_t i = 1; i + 1 < seen.size(); ++i) {
            EXPECT_LT(seen[i - 1].second, seen[i].second) << "an empty read before the end";
        }
    }
}

enum class Body { Whole, Cut, Nothing };

struct BodyCase {
    const char* mode;
    const char* parameters;
    bool result;
    Body body;
    bool lengthAnnounced;
};

std::ostream& operator<<(std::ostream& out, const BodyCase& c) {
    return out << c.mode;
}

class BodyModes : public TransferTest, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(BodyModes, EndAsTheResponseAllows) {
    const BodyCase& c = GetParam();
    SelectMode(c.mode, packageSize, c.parameters);
    EXPECT_EQ(c.result, Transfer());

    const std::string content = package.Content();
    const std::string expected = Package(packageSize);
    switch (c.body) {
    case Body::Whole:
        EXPECT_TRUE(content == expected) << content.size() << " bytes";
        break;
    case Body::Cut:
        // The server sends half the body; all that arrived is in the file.
        EXPECT_LE(content.size(), packageSize / 2);
        EXPECT_TRUE(expected.compare(0, content.size(), content) == 0);
        break;
    case Body::Nothing:
        // An error page is no package: none of it is written, and no byte counts as progress.
        EXPECT_EQ("", content);
        EXPECT_EQ(0u, package.Position());
        EXPECT_TRUE(recorder.Seen().empty());
        return;
    }
    EXPECT_EQ(content.size(), package.Position());
    ExpectProgressOf(recorder.Seen(), c.lengthAnnounced ? packageSize : 0, content.size());
    if (c.result) {
        ExpectFinalEmptyRead(recorder.Seen());
    }
}

const BodyCase bodyCases[] = {
    {"normal", "", true, Body::Whole, true},
    {"slow", "&chunk=65536&delay=20", true, Body::Whole, true},
    {"redirect", "", true, Body::Whole, true},
    {"no-length", "", true, Body::Whole, false},
    {"chunked", "", true, Body::Whole, false},
    {"bad-length", "", true, Body::Whole, false},
    {"huge-length", "", true, Body::Whole, false},
    // Only a final status of success brings the package, however the body looks.
    {"not-found", "", false, Body::Nothing, true},
    {"server-error", "", false, Body::Nothing, true},
    {"redirect-missing", "", false, Body::Nothing, true},
    // A body that ends before the announced length is incomplete, however it ended.
    {"short-body", "", false, Body::Cut, true},
    {"reset", "", false, Body::Cut, true},
};

std::string CaseName(const ::testing::TestParamInfo<BodyCase>& info) {
    std::string name = info.param.mode;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Transfer, BodyModes, ::testing::ValuesIn(bodyCases), CaseName);

TEST_F(TransferTest, EmptyBodyIsOneEmptyRead) {
    SelectMode("empty", 0);
    EXPECT_TRUE(Transfer());
    EXPECT_EQ(std::vector<Progress>{Progress(0, 0)}, recorder.Seen());
    EXPECT_EQ("", package.Content());
    ASSERT_EQ(1u, headers.Count());
    EXPECT_EQ(PackageHash(0), HashText(0));
}

TEST_F(TransferTest, WritesFromTheFilesCurrentPosition) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(package.Handle(), "before:", 7, &written, nullptr));
    EXPECT_TRUE(Transfer());
    EXPECT_TRUE(package.Content() == "before:" + Package(204800));
    EXPECT_EQ(7u + 204800u, package.Position());
}

TEST_F(TransferTest, HashCodeComesFromTheFinalResponse) {
    const struct {
        const char* mode;
        bool present;
    } cases[] = {
        {"normal", true},
        {"redirect", true},
        {"no-hash", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Want({hashHeader});
        SelectMode(c.mode, 4096);
        EXPECT_TRUE(Transfer());
        if (c.present) {
            ASSERT_EQ(1u, headers.Count());
            EXPECT_EQ(hashHeader, HeaderName(0));
            EXPECT_EQ(PackageHash(4096), HashText(0));
        } else {
            EXPECT_EQ(0u, headers.Count());
        }
    }
}

// The value is asked for in the buffer that holds the name: a value that fits there, its NUL
// included, comes with the first query and fills the block exactly; a longer one needs the
// second.
TEST_F(TransferTest, HeaderValueOfAnyLengthArrives) {
    const std::string nameLong(hashHeader.size(), 'N');
    const struct {
        std::string value;
        std::uint32_t largestBlock;
    } cases[] = {
        {"", 0},
        {"ABC", 6},
        {nameLong, 2 * static_cast<std::uint32_t>(nameLong.size())},
        {nameLong + "X", 2 * static_cast<std::uint32_t>(nameLong.size() + 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("value of " + std::to_string(c.value.size()) + " characters");
        Want({hashHeader});
        SelectMode("normal", 4096, "&hash=" + c.value);
        EXPECT_TRUE(Transfer());
        ASSERT_EQ(1u, headers.Count());
        EXPECT_EQ(c.value, HashText(0));
        EXPECT_LE(headers.Item(0)->value.count.Value(), c.largestBlock);
    }
}

TEST_F(TransferTest, KeepsExactlyTheWantedHeadersTheResponseCarried) {
    Want({L"Connection", hashHeader, L"X-Not-Sent", L"Content-Length"});
    EXPECT_TRUE(Transfer());
    ASSERT_EQ(3u, headers.Count());
    EXPECT_EQ(L"Connection", HeaderName(0));
    EXPECT_EQ(L"keep-alive", HeaderText(0));
    EXPECT_EQ(hashHeader, HeaderName(1));
    EXPECT_EQ(PackageHash(204800), HashText(1));
    EXPECT_EQ(L"Content-Length", HeaderName(2));
    EXPECT_EQ(L"204800", HeaderText(2));
}

TEST_F(TransferTest, HugeHashHeaderComesThroughTheSecondQuery) {
    SelectMode("huge-hash", 4096);
    EXPECT_TRUE(Transfer());
    ASSERT_EQ(1u, headers.Count());
    // The value is the hash code repeated to 1 MiB; the platform may keep only its beginning.
    const std::string hash = PackageHash(4096);
    const std::string value = HashText(0);
    EXPECT_GT(value.size(), 1000u);
    for (std::size_t i = 0; i < value.size(); i += hash.size()) {
        ASSERT_EQ(0, value.compare(i, hash.size(), hash, 0, value.size() - i)) << "at " << i;
    }
}

TEST_F(TransferTest, CancelDuringTheBodyStopsBeforeTheNextRead) {
    SelectMode("normal", packageSize);
    recorder.onProgress = [&](const Progress&) { SetEvent(cancelEvent); };
    EXPECT_FALSE(Transfer());
    ASSERT_EQ(1u, recorder.Seen().size());
    const std::uint64_t received = recorder.Seen()[0].second;
    EXPECT_GT(received, 0u);
    EXPECT_LT(received, packageSize);
    const std::string content = package.Content();
    EXPECT_EQ(received, content.size());
    EXPECT_TRUE(Package(packageSize).compare(0, content.size(), content) == 0);
}

TEST_F(TransferTest, CancelBeforeTheBodyStopsWithoutProgress) {
    SetEvent(cancelEvent);
    EXPECT_FALSE(Transfer());
    EXPECT_TRUE(recorder.Seen().empty());
    EXPECT_EQ("", package.Content());
}

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Stall {
    const char* mode;
    const char* parameters;
    std::uint64_t bytesBeforeSilence;
};

std::ostream& operator<<(std::ostream& out, const Stall& stall) {
    return out << stall.mode;
}

const Stall stalls[] = {
    {"stall-request", "", 0},
    {"stall-headers", "", 0},
    {"stall-body", "&cut=100000", 100000},
};

std::string StallName(const ::testing::TestParamInfo<Stall>& info) {
    std::string name = info.param.mode;
    name.erase(0, name.find('-') + 1);
    return name;
}

class SilentServers : public TransferTest, public ::testing::WithParamInterface<Stall> {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        SelectMode(GetParam().mode, packageSize, GetParam().parameters);
    }

    // What arrived before the silence is in the file and counted, and nothing else.
    void ExpectBytesBeforeSilence() {
        const std::string content = package.Content();
        EXPECT_EQ(GetParam().bytesBeforeSilence, content.size());
        EXPECT_TRUE(Package(packageSize).compare(0, content.size(), content) == 0);
        if (GetParam().bytesBeforeSilence != 0) {
            ASSERT_FALSE(recorder.Seen().empty());
            EXPECT_EQ(content.size(), recorder.Seen().back().second);
        }
    }
};

TEST_P(SilentServers, FailTheTransferOnceTheLimitHasPassed) {
    constexpr DWORD limit = 2000;
    const Clock::time_point started = Clock::now();
    EXPECT_FALSE(TransferWithin(limit, limit + 10000));
    const long long elapsed = MillisecondsSince(started);
    // The platform's waits may end up to one timer period early.
    EXPECT_GE(elapsed + 50, limit);
    EXPECT_LE(elapsed, limit + 3000);
    ExpectBytesBeforeSilence();
}

// Nothing else needs to happen for the user's confirmation to count: the transfer does not wait
// for the server to say anything more.
TEST_P(SilentServers, CancelEndsTheWaitAtOnce) {
    Clock::time_point signalled;
    std::thread user([&] {
        Sleep(1500);
        signalled = Clock::now();
        SetEvent(cancelEvent);
    });
    const bool result = TransferWithin(0, 15000);
    user.join();
    const long long sinceSignal = MillisecondsSince(signalled);
    EXPECT_FALSE(result);
    EXPECT_LE(sinceSignal, 1000);
    ExpectBytesBeforeSilence();
}

INSTANTIATE_TEST_SUITE_P(Transfer, SilentServers, ::testing::ValuesIn(stalls), StallName);

// The program waits no shorter and no longer than its limit.
TEST_F(TransferTest, ProgramGivesASilentServerThirtySeconds) {
    EXPECT_EQ(30000u, serverSilenceLimit);
    SelectMode("stall-headers", packageSize);
    const Clock::time_point started = Clock::now();
    EXPECT_FALSE(TransferWithin(0, 45000));
    const long long elapsed = MillisecondsSince(started);
    EXPECT_GE(elapsed + 50, 30000);
    EXPECT_LE(elapsed, 35000);
}

// The limit is on silence, not on the whole transfer.
TEST_F(TransferTest, ServerThatKeepsSendingIsNeverTooSlow) {
    constexpr DWORD limit = 1000;
    SelectMode("slow", 24576, "&chunk=4096&delay=400");
    const Clock::time_point started = Clock::now();
    EXPECT_TRUE(TransferWithin(limit, 20000));
    EXPECT_GT(MillisecondsSince(started), 2 * limit);
    EXPECT_TRUE(package.Content() == Package(24576));
}

TEST_F(TransferTest, SendsExactlyTheCallersHeaders) {
    VendorControl("clear");
    EXPECT_TRUE(Transfer());
    const std::string requests = VendorControl("requests");
    ASSERT_EQ(requests.find("\r\n\r\n") + 4, requests.size()) << "one request: " << requests;
    EXPECT_EQ(0u, requests.find("GET " + Narrow(downloadPath) + " HTTP/1.1\r\n"));
    EXPECT_NE(std::string::npos, requests.find("\r\nUser-Agent: " + Narrow(agentText) + "\r\n"));
    EXPECT_NE(std::string::npos, requests.find("\r\nHost: " + Narrow(vendorHost) + "\r\n"));
    EXPECT_NE(std::string::npos, requests.find("\r\n" + Narrow(identityHeaders) + "\r\n"));
    EXPECT_NE(std::string::npos, requests.find("\r\nPragma: no-cache\r\n"));
    EXPECT_EQ(std::string::npos, requests.find("Cookie"));
}

TEST_F(TransferTest, AddressWithoutSchemeIsFetchedOverHttp) {
    VendorControl("clear");
    const std::uint64_t echoes = IcmpEchoRequestsSent();
    EXPECT_TRUE(Transfer(vendorHost + downloadPath));
    EXPECT_EQ(1u, IcmpEchoRequestsSent() - echoes);
    EXPECT_TRUE(package.Content() == Package(204800));
    EXPECT_EQ(0u, VendorControl("requests").find("GET " + Narrow(downloadPath) + " "));
}

TEST_F(TransferTest, FailuresBeforeTheBodyWriteNothing) {
    const struct {
        const char* what;
        std::wstring address;
        std::uint64_t echoes;
    } cases[] = {
        {"name not resolved", L"http://nohost.tornquill.test" + downloadPath, 0},
        {"connection refused", L"http://127.0.0.1:9" + downloadPath, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::uint64_t echoes = IcmpEchoRequestsSent();
        EXPECT_FALSE(Transfer(c.address));
        EXPECT_EQ(c.echoes, IcmpEchoRequestsSent() - echoes);
        EXPECT_TRUE(recorder.Seen().empty());
        EXPECT_EQ("", package.Content());
    }
}

TEST_F(TransferTest, WriteFailureIsFalse) {
    ScratchFile readOnly(GENERIC_READ);
    EXPECT_FALSE(Transfer(downloadPage, readOnly.Handle()));
    EXPECT_TRUE(recorder.Seen().empty());
    EXPECT_EQ("", readOnly.Content());
}

TEST_F(TransferTest, ExceptionInsideIsFalse) {
    // Two wanted headers of the same name cannot both go into the result.
    headers.Add(new ResponseHeader(MStringEx<wchar_t>(hashHeader.c_str())));
    bool result = true;
    EXPECT_NO_THROW(result = Transfer());
    EXPECT_FALSE(result);
}

TEST_F(TransferTest, FetchesFromAProductionServer) {
    EXPECT_TRUE(Transfer(L"http://127.0.0.1:8080" + downloadPath));
    EXPECT_TRUE(package.Content() == Package(204800));
    ExpectProgressOf(recorder.Seen(), 204800, 204800);
    ExpectFinalEmptyRead(recorder.Seen());
    ASSERT_EQ(1u, headers.Count());
    EXPECT_EQ(PackageHash(204800), HashText(0));
}

} // namespace
