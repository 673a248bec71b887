#include "NetTestSupport.h"

#include "TornquillConfig.h"
#include "net/ServerProbe.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The vendor's host answers echo requests unless a test silences it; other names do not resolve.
const std::wstring vendorHost = TORNQUILL_VENDOR_HOST;
const std::wstring unknownHost = L"nohost.tornquill.test";

class ServerProbeTest : public ::testing::Test {
protected:
    void SetUp() override { VendorControl("reset"); }
    void TearDown() override { VendorControl("reset"); }

    // The result of one probe and the number of echo requests it sent.
    struct Outcome {
        bool reachable;
        std::uint64_t echoes;
    };

    static Outcome Probe(const std::wstring& address,
                         const IcmpLibraryNames& libraries = systemIcmpLibraries) {
        const std::uint64_t before = IcmpEchoRequestsSent();
        const bool reachable = IsServerReachable(MStringEx<wchar_t>(address.c_str()), libraries);
        return {reachable, IcmpEchoRequestsSent() - before};
    }
};

TEST_F(ServerProbeTest, ProbesExactlyTheHostOfTheAddress) {
    const struct {
        std::wstring address;
        bool reachable;
    } cases[] = {
        {L"http://" + vendorHost, true},
        {L"http://" + vendorHost + L"/", true},
        {L"http://" + vendorHost + L"/Products/Veltrane/2012/Download.aspx", true},
        {vendorHost, true},
        {vendorHost + L"/Products/Veltrane/2012/Download.aspx", true},
        {L"http://" + vendorHost + L":8080/Products", true},
        {vendorHost + L":80", true},
        {unknownHost + L"/" + vendorHost, false},
        {L"http://" + unknownHost, false},
        // The resolver would answer an empty name with the local machine.
        {L"http:///Products/Veltrane/2012/Download.aspx", false},
        {L"/" + vendorHost, false},
        {L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.address));
        const Outcome outcome = Probe(c.address);
        EXPECT_EQ(c.reachable, outcome.reachable);
        // An answering host needs one echo; a name that does not resolve gets none.
        EXPECT_EQ(c.reachable ? 1u : 0u, outcome.echoes);
    }
}

TEST_F(ServerProbeTest, SilentHostIsUnreachableAfterFourEchoes) {
    VendorControl("icmp?silent=1");
    const Outcome outcome = Probe(L"http://" + vendorHost);
    EXPECT_FALSE(outcome.reachable);
    EXPECT_EQ(4u, outcome.echoes);
}

TEST_F(ServerProbeTest, TakesTheEchoFunctionsFromWhereTheyAre) {
    const struct {
        const wchar_t* preferred;
        const wchar_t* fallback;
        bool reachable;
    } cases[] = {
        {L"Iphlpapi.dll", L"ICMP.dll", true},
        {L"Iphlpapi.dll", L"NoSuchIcmp.dll", true},
        // Without the preferred library, or with one that lacks the functions, the fallback
        // provides them.
        {L"NoSuchIphlpapi.dll", L"ICMP.dll", true},
        {L"kernel32.dll", L"ICMP.dll", true},
        {L"NoSuchIphlpapi.dll", L"NoSuchIcmp.dll", false},
        {L"kernel32.dll", L"NoSuchIcmp.dll", false},
        {L"kernel32.dll", L"user32.dll", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.preferred) + " / " + Narrow(c.fallback));
        const Outcome outcome = Probe(L"http://" + vendorHost, {c.preferred, c.fallback});
        EXPECT_EQ(c.reachable, outcome.reachable);
        EXPECT_EQ(c.reachable ? 1u : 0u, outcome.echoes);
    }
}

// A router that cannot reach the host answers the echo with an error status: no answer from the
// host, so every attempt is made and the host is not reachable.
TEST_F(ServerProbeTest, AnErrorReplyIsNoAnswer) {
    wchar_t folder[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryW(folder, MAX_PATH));
    const std::wstring installed = std::wstring(folder) + L"\\tornquill-router-icmp.dll";
    ASSERT_TRUE(CopyFileW(driver::BesideThisProgram(L"RouterAnswersIcmp.dll").c_str(),
                          installed.c_str(), FALSE));
    const Outcome outcome =
        Probe(L"http://" + vendorHost, {L"tornquill-router-icmp.dll", L"NoSuchIcmp.dll"});
    DeleteFileW(installed.c_str());
    EXPECT_FALSE(outcome.reachable);
    EXPECT_EQ(4u, outcome.echoes);
}

} // namespace
