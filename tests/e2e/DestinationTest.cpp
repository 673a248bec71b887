// Where the package goes: the proposal, the names the user types, existing
// files.
#include "e2e/ProgramRun.h"
#include "e2e/VendorControl.h"

#include "res/ResourceIds.h"

namespace {

using driver::Duration;

constexpr int fileNameBox = 1148;

class Destination : public ProgramRunTest {
protected:
    // Lets the download of a normal run finish and checks that the named file
    // holds the package and was opened.
    void ExpectPackageIn(const std::wstring& path) {
        ExpectQuietEnd();
        EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), packageSize), ReadBytes(path)));
        const std::vector<std::wstring> opened = Opened();
        ASSERT_EQ(1u, opened.size());
        EXPECT_NE(std::wstring::npos, opened[0].find(L"\"" + path + L"\"")) << opened[0];
    }

    // The name of the file as the file system keeps it, letter case included.
    static std::wstring StoredName(const std::wstring& path) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(path.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return std::wstring();
        }
        FindClose(search);
        return found.cFileName;
    }
};

TEST_F(Destination, TheProposalCountsPastExistingPackagesInDownloads) {
    WriteBytes(InDownloads(PackageName() + L".msi"), "first");
    WriteBytes(InDownloads(PackageName() + L" (1).msi"), "second");
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    EXPECT_EQ(PackageName() + L" (2)", driver::ControlText(saveDialog, fileNameBox));
    Save(saveDialog);
    ExpectPackageIn(InDownloads(PackageName() + L" (2).msi"));
    EXPECT_EQ("first", ReadBytes(InDownloads(PackageName() + L".msi")));
    EXPECT_EQ("second", ReadBytes(InDownloads(PackageName() + L" (1).msi")));
}

struct TypedName {
    const wchar_t* typed;
    const wchar_t* stored;
};

class TypedNames : public Destination, public ::testing::WithParamInterface<TypedName> {};

TEST_P(TypedNames, GetTheInstallerExtensionUnlessTheyHaveIt) {
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    Save(saveDialog, GetParam().typed);
    const std::wstring path = InDownloads(GetParam().stored);
    ExpectPackageIn(path);
    EXPECT_EQ(GetParam().stored, StoredName(path));
}

INSTANTIATE_TEST_SUITE_P(Destination, TypedNames,
                         ::testing::Values(TypedName{L"setup.MSI", L"setup.MSI"},
                                           TypedName{L"setup.txt", L"setup.txt.msi"},
                                           TypedName{L"setup.", L"setup.msi"},
                                           TypedName{L"setup", L"setup.msi"}));

TEST_F(Destination, AReadOnlyFileConfirmedInTheSaveDialogIsReplaced) {
    const std::wstring path = InDownloads(L"setup.msi");
    WriteBytes(path, "an older package", FILE_ATTRIBUTE_READONLY);
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    Save(saveDialog, L"setup.msi");
    const auto overwrite = WaitForMessageBox(expected::saveTitle);
    ASSERT_TRUE(overwrite) << "the Save dialog did not ask about the existing file";
    ASSERT_TRUE(driver::Answer(*overwrite, IDYES));
    // Wine takes a while to take the closed Save dialog off the screen.
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(saveDialog); }))
        << "the Save dialog stayed open after the overwrite question";
    // The name was the user's own, already confirmed: no second question.
    ExpectPackageIn(path);
    EXPECT_EQ(0u, GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

class ReplaceQuestion : public Destination {
protected:
    // Types a name without extension whose package file exists, and returns the
    // program's question about it.
    std::optional<driver::MessageBoxView> AskAboutExistingFile() {
        WriteBytes(path, "an older package");
        Start();
        const HWND saveDialog = WaitForSaveDialog();
        if (saveDialog == nullptr) {
            ADD_FAILURE() << "no Save dialog";
            return std::nullopt;
        }
        Save(saveDialog, L"setup");
        const auto question = WaitForMessageBox();
        if (question) {
            EXPECT_EQ(expected::internalName, question->caption);
            EXPECT_EQ(expected::Message(IDS_REPLACE_QUESTION, path.c_str()), question->text);
            EXPECT_NE(nullptr, GetDlgItem(question->window, IDYES));
            EXPECT_NE(nullptr, GetDlgItem(question->window, IDNO));
        }
        return question;
    }

    const std::wstring path = InDownloads(L"setup.msi");
};

TEST_F(ReplaceQuestion, NoKeepsTheExistingFileAndEndsTheRun) {
    const auto question = AskAboutExistingFile();
    ASSERT_TRUE(question);
    ASSERT_TRUE(driver::Answer(*question, IDNO));
    ExpectQuietEnd();
    EXPECT_EQ("an older package", ReadBytes(path));
    EXPECT_TRUE(Opened().empty());
    EXPECT_TRUE(DownloadRequests().empty());
}

TEST_F(ReplaceQuestion, YesReplacesTheExistingFile) {
    const auto question = AskAboutExistingFile();
    ASSERT_TRUE(question);
    ASSERT_TRUE(driver::Answer(*question, IDYES));
    ExpectPackageIn(path);
}

} // namespace
