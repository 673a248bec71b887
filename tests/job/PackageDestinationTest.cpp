#include "job/PackageDestination.h"

#include "job/SystemIdentification.h"
#include "res/ResourceIds.h"
#include "support/TemporaryPath.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TestWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace {

std::wstring Text(const MStringEx<wchar_t>& text) {
    return std::wstring(text.data);
}

// A folder of its own under the temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        path = ProcessTemporaryPath(L"tornquill-destination-");
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~TemporaryFolder() { Remove(path); }

    std::wstring File(const std::wstring& name) const { return path + L"\\" + name; }

    void Create(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL,
                const std::string& content = "") const {
        const HANDLE file = CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, attributes, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring path;

private:
    static void Remove(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") {
                    continue;
                }
                const std::wstring item = folder + L"\\" + name;
                SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(item);
                } else {
                    DeleteFileW(item.c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }
};

TEST(ForcePackageExtension, KeepsTheInstallerExtensionAndAppendsItOtherwise) {
    const struct {
        const wchar_t* entered;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\d\\setup.msi", L"C:\\d\\setup.msi"},
        {L"C:\\d\\setup.MSI", L"C:\\d\\setup.MSI"},
        {L"C:\\d\\setup.mSi", L"C:\\d\\setup.mSi"},
        {L"C:\\d\\setup.txt", L"C:\\d\\setup.txt.msi"},
        {L"C:\\d\\setup.", L"C:\\d\\setup.msi"},
        {L"C:\\d\\setup...", L"C:\\d\\setup.msi"},
        {L"C:\\d\\setup", L"C:\\d\\setup.msi"},
        {L"C:\\my.files\\setup", L"C:\\my.files\\setup.msi"},
        {L"C:\\d\\setup.msix", L"C:\\d\\setup.msix.msi"},
        {L"C:\\d\\setup.ms", L"C:\\d\\setup.ms.msi"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.entered);
        MStringEx<wchar_t> path(test.entered);
        const bool changed = ForcePackageExtension(path);
        EXPECT_EQ(test.expected, Text(path));
        EXPECT_EQ(std::wstring(test.entered) != test.expected, changed);
    }
}

TEST(PackageFolderText, DropsTrailingBackslashesOnly) {
    const struct {
        const wchar_t* path;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\", L"C:"},
        {L"C:\\Users\\me\\Downloads", L"C:\\Users\\me\\Downloads"},
        {L"C:\\Users\\me\\Downloads\\\\", L"C:\\Users\\me\\Downloads"},
        {L"\\\\server\\share\\", L"\\\\server\\share"},
        {L"", L""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.path);
        EXPECT_EQ(test.expected, Text(PackageFolderText(MStringEx<wchar_t>(test.path))));
    }
}

TEST(DefaultDownloadFolder, IsTheExistingDownloadsFolderWithoutTrailingBackslash) {
    const std::wstring folder = Text(DefaultDownloadFolder());
    ASSERT_GT(folder.size(), std::wstring(L"\\Downloads").size());
    EXPECT_EQ(L"\\Downloads", folder.substr(folder.size() - 10));
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class ProposePackageBaseTest : public ::testing::Test {
protected:
    ProposePackageBaseTest() : job(nullptr) {
        job.osEdition = MStringEx<wchar_t>(L"Vista");
        name = std::wstring(L"Veltrane, 2012 - Windows Vista, ") +
               (Is64BitWindows() ? L"64" : L"32") + L" bit";
    }

    std::wstring Propose() const {
        return Text(ProposePackageBase(job, MStringEx<wchar_t>(folder.path.c_str())));
    }

    DownloadJob job;
    TemporaryFolder folder;
    std::wstring name;
};

TEST_F(ProposePackageBaseTest, IsThePackageNameWhenNoPackageHasIt) {
    folder.Create(name);
    folder.Create(name + L" (1).msi");
    EXPECT_EQ(folder.File(name), Propose());
}

TEST_F(ProposePackageBaseTest, CountsPastTheNamesThatPackagesHave) {
    folder.Create(name + L".msi");
    EXPECT_EQ(folder.File(name + L" (1)"), Propose());
    folder.Create(name + L" (1).msi");
    EXPECT_EQ(folder.File(name + L" (2)"), Propose());
    folder.Create(name + L" (3).msi");
    EXPECT_EQ(folder.File(name + L" (2)"), Propose());
}

TEST_F(ProposePackageBaseTest, FallsBackToThePlainNameWhenEveryCounterIsTaken) {
    folder.Create(name + L".msi");
    for (int counter = 1; counter <= 998; ++counter) {
        folder.Create(name + L" (" + std::to_wstring(counter) + L").msi");
    }
    EXPECT_EQ(folder.File(name + L" (999)"), Propose());
    folder.Create(name + L" (999).msi");
    EXPECT_EQ(folder.File(name), Propose());
}

TEST_F(ProposePackageBaseTest, IsTheBareNameWithoutAFolder) {
    EXPECT_EQ(name, Text(ProposePackageBase(job, MStringEx<wchar_t>())));
}

TEST_F(ProposePackageBaseTest, JoinsADriveRootWithOneBackslash) {
    EXPECT_EQ(L"C:\\" + name,
              Text(ProposePackageBase(job, PackageFolderText(MStringEx<wchar_t>(L"C:\\")))));
}

class CreatePackageFileTest : public ::testing::Test {
protected:
    CreatePackageFileTest() : dialog(RECT{100, 100, 600, 400}), job(dialog.Handle()) {}

    bool Create(const std::wstring& name) {
        path = folder.File(name);
        job.packagePath = MStringEx<wchar_t>(path.c_str());
        return CreatePackageFile(job);
    }

    // Creating the file fails; the message that says why is answered and returned.
    std::optional<driver::AnsweredBox> CreateAndReport(const std::wstring& name) {
        driver::MessageBoxAnswerer answerer(driver::ThreadWindows(), IDOK);
        EXPECT_FALSE(Create(name));
        return answerer.Result();
    }

    std::wstring CreationFailure(DWORD error) const {
        return Text(MStringEx<wchar_t>::FormatResource(IDS_CREATE_FAILED, L"Veltrane", L"Tornquill",
                                                       path.c_str(),
                                                       MStringEx<wchar_t>::FromSystemError(error)));
    }

    std::uint64_t SizeOfPackageFile() const {
        LARGE_INTEGER size = {};
        EXPECT_TRUE(GetFileSizeEx(job.packageFile.Get(), &size));
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    TemporaryFolder folder;
    driver::TestWindow dialog;
    DownloadJob job;
    std::wstring path;
};

TEST_F(CreatePackageFileTest, CreatesAnEmptyFileForReadingAndWritingThatNobodyElseCanOpen) {
    ASSERT_TRUE(Create(L"setup.msi"));
    ASSERT_TRUE(job.packageFile.IsValid());
    EXPECT_EQ(0u, SizeOfPackageFile());

    const HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, other);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());

    DWORD count = 0;
    ASSERT_TRUE(WriteFile(job.packageFile.Get(), "abc", 3, &count, nullptr));
    SetFilePointer(job.packageFile.Get(), 0, nullptr, FILE_BEGIN);
    char back[4] = {};
    ASSERT_TRUE(ReadFile(job.packageFile.Get(), back, 3, &count, nullptr));
    EXPECT_STREQ("abc", back);
}

TEST_F(CreatePackageFileTest, ReplacesAnExistingReadOnlyFileByAnEmptyWritableOne) {
    folder.Create(L"setup.msi", FILE_ATTRIBUTE_READONLY, "an older package");
    ASSERT_TRUE(Create(L"setup.msi"));
    EXPECT_EQ(0u, SizeOfPackageFile());
    job.packageFile.Close();
    EXPECT_EQ(0u, GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(CreatePackageFileTest, AFileHeldOpenElsewhereIsReportedAsTheSharingViolationItIs) {
    folder.Create(L"setup.msi", FILE_ATTRIBUTE_NORMAL, "in use");
    const HANDLE held = CreateFileW(folder.File(L"setup.msi").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const auto box = CreateAndReport(L"setup.msi");
    CloseHandle(held);
    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(L"Tornquill", box->view.caption);
    EXPECT_EQ(CreationFailure(ERROR_SHARING_VIOLATION), box->view.text);
    EXPECT_FALSE(job.packageFile.IsValid());
}

TEST_F(CreatePackageFileTest, AMissingFolderIsReportedWithTheSystemsReason) {
    const auto box = CreateAndReport(L"no such folder\\setup.msi");
    ASSERT_TRUE(box) << "no message";
    EXPECT_EQ(CreationFailure(ERROR_PATH_NOT_FOUND), box->view.text);
    EXPECT_FALSE(job.packageFile.IsValid());
}

POINT CentreOf(const RECT& rect) {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The Save dialog as the user sees it: found among the calling thread's windows, looked at once
// its rectangle has stopped changing, then cancelled.
class SaveDialogUser {
public:
    explicit SaveDialogUser(DWORD threadId)
        : thread([this, threadId] {
              driver::WindowQuery query = driver::ThreadWindows(threadId);
              query.className = driver::dialogClass;
              const HWND dialog = driver::WaitForWindow(query);
              if (dialog == nullptr) {
                  return;
              }
              caption = driver::CaptionOf(dialog);
              RECT last = driver::WindowRect(dialog);
              int unchanged = 0;
              driver::WaitUntil(
                  [&] {
                      const RECT now = driver::WindowRect(dialog);
                      unchanged = EqualRect(&now, &last) ? unchanged + 1 : 0;
                      last = now;
                      return unchanged == settledPolls;
                  },
                  driver::Duration{10000});
              if (unchanged == settledPolls) {
                  settled = last;
              }
              driver::PressButton(dialog, IDCANCEL);
          }) {}
    SaveDialogUser(const SaveDialogUser&) = delete;
    SaveDialogUser& operator=(const SaveDialogUser&) = delete;
    ~SaveDialogUser() { Join(); }

    void Join() {
        if (thread.joinable()) {
            thread.join();
        }
    }

    std::wstring caption;
    std::optional<RECT> settled;

private:
    // Twenty-five polls of 20 ms.
    static constexpr int settledPolls = 25;
    std::thread thread;
};

TEST(ChoosePackageDestination, CentresTheSaveDialogOverTheMainDialogOnceItIsLaidOut) {
    // Away from the screen's centre, so that centring on the desktop would show.
    driver::TestWindow mainDialog(RECT{300, 280, 919, 510});
    DownloadJob job(mainDialog.Handle());
    job.osEdition = MStringEx<wchar_t>(L"7");
    SaveDialogUser user(GetCurrentThreadId());
    EXPECT_FALSE(ChoosePackageDestination(job)) << "the Save dialog was not cancelled";
    user.Join();

    EXPECT_EQ(L"Veltrane Tornquill - Please select convenient download folder and filename",
              user.caption);
    ASSERT_TRUE(user.settled) << "the Save dialog did not come to rest";
    const POINT main = CentreOf(driver::WindowRect(mainDialog.Handle()));
    const POINT save = CentreOf(*user.settled);
    EXPECT_LE(std::labs(main.x - save.x), 1) << "main " << main.x << ", Save dialog " << save.x;
    EXPECT_LE(std::labs(main.y - save.y), 1) << "main " << main.y << ", Save dialog " << save.y;
}

} // namespace
