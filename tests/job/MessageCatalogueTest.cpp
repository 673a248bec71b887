#include "job/MessageCatalogue.h"
#include "support/TemporaryPath.h"
#include "support/TextAssertions.h"

#include "TornquillConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using String = MStringEx<wchar_t>;

const std::wstring site = std::wstring(L"http://") + TORNQUILL_VENDOR_HOST;
const std::wstring page = site + L"/Products/Veltrane/2012/Download.aspx";

struct Entry {
    UINT id;
    std::wstring text;
};

// The catalogue as the user sees it, with the host name of this build.
const std::vector<Entry>& Catalogue() {
    static const std::vector<Entry> entries = {
        {IDS_SITE_ADDRESS, site},
        {IDS_UNREACHABLE, L"The %s %s could not reach " + site + L"."},
        {IDS_OS_TOO_OLD,
         L"%s is designed for Windows XP and later operating systems. %s cannot be installed on "
         L"this machine. To download the appropriate installation package for your system "
         L"please go to " +
             page + L"."},
        {IDS_OS_UNRECOGNISED,
         L"The Tornquill does not recognize this operating system. Please go to " + page +
             L" to obtain a compatible version of the Tornquill or otherwise download %s."},
        {IDS_OS_UNDETERMINED,
         L"The Tornquill could not determine the operating system on this computer. In order to "
         L"download the appropriate installation package, please go to " +
             page +
             L" to select and download the correct installation package of %s for your system."},
        {IDS_DOWNLOAD_PAGE, page},
        {IDS_PACKAGE_TITLE, L"%s, 2012 - Windows %s, %s bit"},
        {IDS_SAVE_TITLE, L"%s %s - Please select convenient download folder and filename"},
        {IDS_CREATE_FAILED, L"The %s %s could not create file '%s' because: %s"},
        {IDS_CANCEL_QUESTION,
         L"Are you sure that you want to cancel this download?\r\n\r\nVeltrane is an excellent "
         L"software that can help protect you and your data privacy, security and safety, build "
         L"online trust in your business or website, and simplify file management!\r\n\r\n"
         L"What\x2019s more , you can try Veltrane for FREE for 30 days, and if you buy a license "
         L"you have an additional 30 day Money Back Guarantee \x2013 no questions asked. If you "
         L"just require the software for personal use, there is a free ad-driven license - so "
         L"you don\x2019t have to pay a penny if you prefer it that way."},
        {IDS_TOTAL_NOT_GIVEN, L"out of [unknown] bytes"},
        {IDS_TOTAL_GIVEN, L"out of %s bytes"},
        {IDS_LAUNCH_FAILED, L"The system could not launch the installer package. Please start "
                            L"the installer manually."},
        {IDS_CONNECTING, L"Connecting"},
        {IDS_COMPLETED_AFTER_CANCEL,
         L"We are sorry that you chose not to install and use our software. We just want to let "
         L"you know that the %s download was successfully completed while you were "
         L"contemplating installing it. Should you change your mind you can try %s without "
         L"waiting for a new download."},
        {IDS_NO_HASH, L"The installation package was downloaded successfully, however the web "
                      L"server did not supply data integrity verification hash code.\n\nDo you "
                      L"want to install the installation package anyway?"},
        {IDS_HASH_MISMATCH,
         L"The installation package was downloaded successfully, however the data integrity "
         L"verification hash code supplied by the web server does not match the code computed "
         L"by the %s. This may be due to data transmission errors.\n\nPlease make sure to use "
         L"the latest %s, available from " +
             page +
             L", and try again. Alternatively, download the installation package suitable for "
             L"your system available from the same web address.\n\nDo you want to install the "
             L"downloaded installation package anyway?"},
        {IDS_VERIFY_EXCEPTION,
         L"The installation package was downloaded successfully, however the %s encountered a "
         L"generic exception while verifying the data integrity of the download.\n\nDo you "
         L"want to install the downloaded installation package anyway?"},
        {IDS_VERIFYING, L"Verifying:"},
    };
    return entries;
}

// Fails the test unless loading id raises MStringExException 0.
void ExpectMissing(HINSTANCE module, UINT id) {
    String target(L"before");
    try {
        LoadResourceString(module, target, id);
        ADD_FAILURE() << id << " loaded as \"" << Text(target) << '"';
    } catch (const MStringExException& e) {
        EXPECT_EQ(e.code, 0);
    }
}

TEST(MessageCatalogue, EveryEntryHoldsItsText) {
    ASSERT_EQ(Catalogue().size(), 19u);
    for (UINT id = IDS_SITE_ADDRESS; id <= IDS_VERIFYING; ++id) {
        const Entry& entry = Catalogue()[id - IDS_SITE_ADDRESS];
        ASSERT_EQ(entry.id, id);
        SCOPED_TRACE(id);
        String text;
        LoadResourceString(nullptr, text, id);
        EXPECT_TRUE(HoldsText(text, entry.text));
    }
}

TEST(MessageCatalogue, TheSiteAddressHasNoPathAndNoTrailingSlash) {
    String text;
    LoadResourceString(nullptr, text, IDS_SITE_ADDRESS);
    EXPECT_TRUE(HoldsText(text.AfterSecondSlash(), TORNQUILL_VENDOR_HOST));
}

// The system's own string loader reads the same layout; every identifier of the program's two
// blocks must give what it gives.
TEST(MessageCatalogue, BlocksAndEntriesAgreeWithTheSystemsLoader) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    for (UINT id = 96; id < 128; ++id) {
        SCOPED_TRACE(id);
        const wchar_t* entry = nullptr;
        const int length = LoadStringW(self, id, reinterpret_cast<wchar_t*>(&entry), 0);
        if (length == 0) {
            ExpectMissing(nullptr, id);
        } else {
            String text;
            LoadResourceString(self, text, id);
            EXPECT_TRUE(HoldsText(text, std::wstring(entry, length)));
        }
    }
}

TEST(MessageCatalogue, EntryThirteenOfBlockSevenIsThePackageTitle) {
    String text;
    LoadResourceString(nullptr, text, 6 * 16 + 13);
    EXPECT_TRUE(HoldsText(text, L"%s, 2012 - Windows %s, %s bit"));
    LoadResourceString(nullptr, text, 7 * 16);
    EXPECT_TRUE(HoldsText(text, Catalogue()[IDS_CANCEL_QUESTION - IDS_SITE_ADDRESS].text));
}

TEST(MessageCatalogue, MissingEntriesRaise) {
    ExpectMissing(nullptr, 100);
    ExpectMissing(nullptr, 96);
    ExpectMissing(nullptr, 127);
    ExpectMissing(nullptr, 5000);
    ExpectMissing(nullptr, 0);
    ExpectMissing(nullptr, 0x10000 + IDS_CONNECTING);
}

TEST(MessageCatalogue, LoadingReplacesTheText) {
    String target(L"Verifying:");
    LoadResourceString(nullptr, target, IDS_CONNECTING);
    EXPECT_TRUE(HoldsText(target, L"Connecting"));
    LoadResourceString(GetModuleHandleW(nullptr), target, IDS_TOTAL_NOT_GIVEN);
    EXPECT_TRUE(HoldsText(target, L"out of [unknown] bytes"));
}

TEST(MessageCatalogue, AFailedLoadLeavesTheTarget) {
    String target(L"Connecting");
    try {
        LoadResourceString(nullptr, target, 100);
    } catch (const MStringExException&) {
    }
    EXPECT_TRUE(HoldsText(target, L"Connecting"));
}

TEST(MessageCatalogue, FormattedEntries) {
    const String product(L"Veltrane");
    const String internal(L"Tornquill");
    EXPECT_TRUE(HoldsText(String::FormatResource(IDS_PACKAGE_TITLE, L"Veltrane", L"Vista", L"32"),
                          L"Veltrane, 2012 - Windows Vista, 32 bit"));
    const String address = String::FromResource(IDS_SITE_ADDRESS);
    EXPECT_TRUE(HoldsText(String::FormatResource(IDS_UNREACHABLE, product, internal, address),
                          L"The Veltrane Tornquill could not reach " + site + L"."));
    EXPECT_TRUE(
        HoldsText(String::FormatResource(IDS_TOTAL_GIVEN, String::FromUInt64Grouped(1234567)),
                  L"out of 1,234,567 bytes"));
    EXPECT_TRUE(HoldsText(String::FormatResource(IDS_CREATE_FAILED, product, internal, L"C:\\x.msi",
                                                 L"Access denied."),
                          L"The Veltrane Tornquill could not create file 'C:\\x.msi' because: "
                          L"Access denied."));
}

TEST(MessageCatalogue, FromResourcePassesTheFailureOn) {
    for (UINT id : {100u, 5000u}) {
        SCOPED_TRACE(id);
        EXPECT_THROW(String::FromResource(id), MStringExException);
        EXPECT_THROW(String::FormatResource(id, L"x"), MStringExException);
    }
}

// Makes module the program's module while it lives.
class ProgramModule {
public:
    explicit ProgramModule(HINSTANCE module) { appInstance = module; }
    ProgramModule(const ProgramModule&) = delete;
    ProgramModule& operator=(const ProgramModule&) = delete;
    ~ProgramModule() { appInstance = nullptr; }
};

// A copy of this executable with a string block written by the test, loaded as data.
class CraftedTable : public testing::Test {
protected:
    static constexpr WORD block = 3000;
    static constexpr UINT firstId = (block - 1) * 16;

    void SetUp() override {
        wchar_t self[MAX_PATH];
        ASSERT_NE(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
        ASSERT_NE(GetTempPathW(0, nullptr), 0u);
        path = ProcessTemporaryPath(L"crafted-strings-", L".exe");
        ASSERT_TRUE(CopyFileW(self, path.c_str(), FALSE));
    }

    void TearDown() override {
        if (module != nullptr) {
            FreeLibrary(module);
        }
        DeleteFileW(path.c_str());
    }

    void Write(const std::vector<WORD>& units) {
        HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
        ASSERT_NE(update, nullptr);
        ASSERT_TRUE(UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(block),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                    const_cast<WORD*>(units.data()),
                                    static_cast<DWORD>(units.size() * sizeof(WORD))));
        ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }

    std::wstring path;
    HMODULE module = nullptr;
};

TEST_F(CraftedTable, AnEntryEndsAtItsFirstZero) {
    ASSERT_NO_FATAL_FAILURE(Write({2, L'o', L'k', 3, L'a', 0, L'b', 1, L'z'}));
    String text;
    LoadResourceString(module, text, firstId);
    EXPECT_TRUE(HoldsText(text, L"ok"));
    LoadResourceString(module, text, firstId + 1);
    EXPECT_TRUE(HoldsText(text, L"a"));
    LoadResourceString(module, text, firstId + 2);
    EXPECT_TRUE(HoldsText(text, L"z"));
    ExpectMissing(module, firstId + 3);
    ExpectMissing(module, firstId + 15);
}

TEST_F(CraftedTable, AnEntryRunningPastTheEndOfItsBlockRaises) {
    ASSERT_NO_FATAL_FAILURE(Write({2, L'o', L'k', 500, L'a', L'b'}));
    String text;
    LoadResourceString(module, text, firstId);
    EXPECT_TRUE(HoldsText(text, L"ok"));
    ExpectMissing(module, firstId + 1);
    ExpectMissing(module, firstId + 2);
}

TEST_F(CraftedTable, FromResourceReadsTheModuleOfTheProgram) {
    ASSERT_NO_FATAL_FAILURE(Write({2, L'o', L'k'}));
    {
        const ProgramModule program(module);
        EXPECT_TRUE(HoldsText(String::FromResource(firstId), L"ok"));
    }
    EXPECT_THROW(String::FromResource(firstId), MStringExException);
}

} // namespace
