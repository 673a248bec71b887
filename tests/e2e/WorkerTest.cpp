// The download itself: what goes over the wire, what lands in the file, what
// the user is asked and what is opened, for each kind of response and each
// moment of a cancellation.
#include "e2e/ProgramRun.h"
#include "e2e/VendorControl.h"

#include "res/ResourceIds.h"

namespace {

using driver::Duration;

class Worker : public ProgramRunTest {
protected:
    std::string PackageFile() { return ReadBytes(path); }

    void ExpectOpenedOnce() {
        const std::vector<std::wstring> opened = Opened();
        ASSERT_EQ(1u, opened.size());
        EXPECT_NE(std::wstring::npos, opened[0].find(L"\"" + path + L"\"")) << opened[0];
    }

    // Waits until at least the given number of body bytes have reached the file.
    void WaitForBytes(std::uint64_t count, Duration timeout = driver::defaultTimeout) {
        ASSERT_TRUE(driver::WaitUntil(
            [&] {
                const auto size = SizeOf(path);
                return size && *size >= count;
            },
            timeout))
            << "the file did not reach " << count << " bytes";
    }

    // Presses Cancel and returns the question it asks.
    std::optional<driver::MessageBoxView> AskToCancel() {
        driver::PressButton(MainDialog(), cancelButton);
        const auto question = WaitForMessageBox();
        if (question) {
            EXPECT_EQ(expected::mainCaption, question->caption);
            EXPECT_EQ(expected::Message(IDS_CANCEL_QUESTION), question->text);
        }
        return question;
    }

    const std::wstring path = InDownloads(PackageName() + L".msi");
};

struct Decision {
    const char* mode;
    unsigned question;
    int answer;
    bool launched;
};

std::ostream& operator<<(std::ostream& out, const Decision& decision) {
    return out << decision.mode << " question " << decision.question << " answer "
               << decision.answer;
}

class Decisions : public Worker, public ::testing::WithParamInterface<Decision> {};

TEST_P(Decisions, FollowTheHashCodeAndTheUsersAnswer) {
    const Decision& decision = GetParam();
    vendor::Select(decision.mode);
    StartDownload();
    if (decision.question != 0) {
        const auto box = WaitForMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(expected::internalName, box->caption);
        const std::wstring text =
            decision.question == IDS_NO_HASH ? expected::Message(IDS_NO_HASH)
            : decision.question == IDS_HASH_MISMATCH
                ? expected::Message(IDS_HASH_MISMATCH, expected::internalName,
                                    expected::internalName)
                : expected::Message(IDS_VERIFY_EXCEPTION, expected::internalName);
        EXPECT_EQ(text, box->text);
        ASSERT_TRUE(driver::Answer(*box, decision.answer));
    }
    ExpectQuietEnd();
    EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), packageSize), PackageFile()));
    EXPECT_EQ(1u, DownloadRequests().size());
    if (decision.launched) {
        ExpectOpenedOnce();
    } else {
        EXPECT_TRUE(Opened().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Worker, Decisions,
    ::testing::Values(Decision{"normal", 0, 0, true}, Decision{"no-hash", IDS_NO_HASH, IDNO, false},
                      Decision{"no-hash", IDS_NO_HASH, IDYES, true},
                      Decision{"wrong-hash", IDS_HASH_MISMATCH, IDNO, false},
                      Decision{"wrong-hash", IDS_HASH_MISMATCH, IDYES, true},
                      Decision{"lower-hash", IDS_VERIFY_EXCEPTION, IDNO, false},
                      Decision{"lower-hash", IDS_VERIFY_EXCEPTION, IDYES, true}),
    // Named by mode and answer, so that a run can select cases by name.
    [](const ::testing::TestParamInfo<Decision>& info) {
        std::string name = info.param.mode;
        for (char& c : name) {
            c = c == '-' ? '_' : c;
        }
        return info.param.question == 0 ? name
                                        : name + (info.param.answer == IDYES ? "_yes" : "_no");
    });

struct Identity {
    const wchar_t* wineVersion;
    const char* edition;
};

std::ostream& operator<<(std::ostream& out, const Identity& identity) {
    return out << identity.edition;
}

class Identities : public Worker, public ::testing::WithParamInterface<Identity> {};

TEST_P(Identities, GoOnTheWireAndChooseThePackage) {
    const auto version = ReportWindowsVersion(GetParam().wineVersion);
    const std::string edition = GetParam().edition;
    const std::wstring wideEdition(edition.begin(), edition.end());
    const std::wstring packagePath = InDownloads(PackageName(wideEdition) + L".msi");
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    EXPECT_EQ(PackageName(wideEdition), driver::ControlText(MainDialog(), 1004));
    Save(saveDialog);
    ExpectQuietEnd();

    const std::vector<std::string> requests = DownloadRequests();
    ASSERT_EQ(1u, requests.size());
    for (const std::string& line :
         {std::string("User-Agent: Tornquill\r\n"), std::string("QUORVEX_PRODUCT: Veltrane\r\n"),
          std::string("QUORVEX_PRODUCT_VERSION: 2\r\n"), "ZEPH_OS_VERSION: " + edition + "\r\n",
          "ZEPH_CPU_TYPE: " + CpuType() + "\r\n"}) {
        EXPECT_NE(std::string::npos, requests[0].find(line)) << line << " in\n" << requests[0];
    }
    EXPECT_TRUE(
        SameBytes(vendor::Package(edition, CpuType(), packageSize), ReadBytes(packagePath)));
}

INSTANTIATE_TEST_SUITE_P(Worker, Identities,
                         ::testing::Values(Identity{L"winxp", "XP"}, Identity{L"vista", "Vista"},
                                           Identity{L"win7", "7"}, Identity{L"win10", "7"}),
                         // Named by the Windows version, so that a run can select cases by name.
                         [](const ::testing::TestParamInfo<Identity>& info) {
                             std::string name;
                             for (const wchar_t* c = info.param.wineVersion; *c != L'\0'; ++c) {
                                 name += static_cast<char>(*c);
                             }
                             return name;
                         });

TEST_F(Worker, CancellingDuringTheBodyClosesTheDialogAndKeepsThePartialFile) {
    constexpr std::size_t size = 1048576;
    vendor::Select("slow", "size=1048576&chunk=4096&delay=40");
    StartDownload();
    WaitForBytes(1);
    const auto question = AskToCancel();
    ASSERT_TRUE(question);
    ASSERT_TRUE(driver::Answer(*question, IDYES));
    ExpectQuietEnd();
    const std::string partial = PackageFile();
    EXPECT_LT(0u, partial.size());
    EXPECT_GT(size, partial.size());
    EXPECT_TRUE(
        SameBytes(vendor::Package("7", CpuType(), size).substr(0, partial.size()), partial));
    EXPECT_TRUE(Opened().empty());
}

TEST_F(Worker, CancellingAndThenSayingNoChangesNothing) {
    constexpr std::size_t size = 262144;
    vendor::Select("slow", "size=262144&chunk=4096&delay=20");
    StartDownload();
    WaitForBytes(1);
    const auto question = AskToCancel();
    ASSERT_TRUE(question);
    ASSERT_TRUE(driver::Answer(*question, IDNO));
    ExpectQuietEnd();
    EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), size), PackageFile()));
    ExpectOpenedOnce();
}

class QuestionOpenAtTheEnd : public Worker {
protected:
    static constexpr std::size_t size = 262144;

    // Opens the cancel question early and keeps it open until the whole body has
    // arrived and the worker waits for the answer.
    std::optional<driver::MessageBoxView> CompleteWhileAsking() {
        vendor::Select("slow", "size=262144&chunk=4096&delay=20");
        StartDownload();
        WaitForBytes(1);
        const auto question = AskToCancel();
        if (question) {
            WaitForBytes(size);
            // The transfer's final empty read and its close follow the last byte.
            Sleep(1000);
            EXPECT_TRUE(IsWindow(question->window));
            EXPECT_EQ(std::optional<std::uint64_t>(size), SizeOf(path));
        }
        return question;
    }
};

TEST_F(QuestionOpenAtTheEnd, YesReportsTheCompletedDownloadAndOpensNothing) {
    const auto question = CompleteWhileAsking();
    ASSERT_TRUE(question);
    ASSERT_TRUE(driver::Answer(*question, IDYES));
    const auto report = WaitForMessageBox(expected::internalName);
    ASSERT_TRUE(report);
    EXPECT_EQ(
        expected::Message(IDS_COMPLETED_AFTER_CANCEL, expected::productName, expected::productName),
        report->text);
    ASSERT_TRUE(driver::Answer(*report, IDOK));
    ExpectQuietEnd();
    EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), size), PackageFile()));
    EXPECT_TRUE(Opened().empty());
}

TEST_F(QuestionOpenAtTheEnd, NoLetsVerificationAndLaunchFollow) {
    const auto question = CompleteWhileAsking();
    ASSERT_TRUE(question);
    ASSERT_TRUE(driver::Answer(*question, IDNO));
    ExpectQuietEnd();
    EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), size), PackageFile()));
    ExpectOpenedOnce();
}

struct BrokenBody {
    const char* mode;
    // A reset may throw away bytes that had arrived but were not read yet.
    bool everyByteSentArrives;
};

std::ostream& operator<<(std::ostream& out, const BrokenBody& body) {
    return out << body.mode;
}

class BrokenBodies : public Worker, public ::testing::WithParamInterface<BrokenBody> {};

TEST_P(BrokenBodies, EndWithoutALaunchAndKeepWhatArrived) {
    constexpr std::size_t sent = 100000;
    vendor::Select(GetParam().mode, "cut=100000");
    StartDownload();
    ExpectQuietEnd();
    const std::string partial = PackageFile();
    if (GetParam().everyByteSentArrives) {
        EXPECT_EQ(sent, partial.size());
    }
    EXPECT_GE(sent, partial.size());
    EXPECT_TRUE(
        SameBytes(vendor::Package("7", CpuType(), packageSize).substr(0, partial.size()), partial));
    EXPECT_TRUE(Opened().empty());
}

INSTANTIATE_TEST_SUITE_P(Worker, BrokenBodies,
                         ::testing::Values(BrokenBody{"short-body", true},
                                           BrokenBody{"reset", false}));

} // namespace
