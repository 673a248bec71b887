// A copy of the program in a folder where libraries under system names have been left, as in a
// Downloads folder that a web page has written to. The loader is told to prefer such files
// (Wine's native-first order searches the program's folder first, as Windows does for a library
// that is not a known one), and the whole download runs: none of them may be loaded.
#include "e2e/ProgramRun.h"
#include "e2e/VendorControl.h"

#include "support/ChildProcess.h"

#include <string>
#include <vector>

namespace {

constexpr std::size_t packageSize = 204800;

// The libraries that the program loads at run time. The libraries that Wine's own modules import
// (version.dll by user32, comctl32.dll by comdlg32, ws2_32.dll by wininet) are loaded from the
// program's folder by Wine whatever the program does, because Wine does not protect the
// dependencies of its modules as Windows protects those of the known DLLs; the product check
// covers them through the import table.
const std::vector<std::wstring> plantedNames = {L"iphlpapi.dll", L"icmp.dll"};

std::wstring TemporaryFolder(const std::wstring& name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

class PlantedLibraries : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        CreateDirectoryW(folder.c_str(), nullptr);
        RemoveMarkers();
        ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE));
        std::wstring overrides;
        for (const std::wstring& name : plantedNames) {
            ASSERT_TRUE(CopyFileW(planted.c_str(), (folder + L"\\" + name).c_str(), FALSE));
            overrides += (overrides.empty() ? L"" : L",") + name.substr(0, name.find(L'.'));
        }
        overrides += L"=n,b";
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides.c_str());
    }

    void TearDown() override {
        SetEnvironmentVariableW(L"WINEDLLOVERRIDES", nullptr);
        ProgramRunTest::TearDown();
        RemoveMarkers();
    }

    std::wstring Marker(const std::wstring& name) const {
        return folder + L"\\" + name + L".loaded";
    }

    void RemoveMarkers() const {
        for (const std::wstring& name : plantedNames) {
            DeleteFileW(Marker(name).c_str());
        }
        DeleteFileW(Marker(L"control.dll").c_str());
    }

    const std::wstring folder = TemporaryFolder(L"tornquill-planted");
    const std::wstring copy = folder + L"\\Tornquill.exe";
    const std::wstring planted = driver::BesideThisProgram(L"PlantedLibrary.dll");
};

TEST_F(PlantedLibraries, NoneIsLoadedOnTheWholeSuccessPath) {
    // The planted library does leave its marker when something loads it.
    const std::wstring control = folder + L"\\control.dll";
    ASSERT_TRUE(CopyFileW(planted.c_str(), control.c_str(), FALSE));
    const HMODULE loaded = LoadLibraryW(control.c_str());
    ASSERT_NE(nullptr, loaded);
    FreeLibrary(loaded);
    ASSERT_TRUE(Exists(Marker(L"control.dll")));

    Start(copy);
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    Save(saveDialog);
    ExpectQuietEnd();
    const std::wstring path = InDownloads(PackageName() + L".msi");
    EXPECT_TRUE(SameBytes(vendor::Package("7", "x64", packageSize), ReadBytes(path)));
    const std::vector<std::wstring> opened = Opened();
    ASSERT_EQ(1u, opened.size());
    EXPECT_NE(std::wstring::npos, opened[0].find(L"\"" + path + L"\"")) << opened[0];
    for (const std::wstring& name : plantedNames) {
        EXPECT_FALSE(Exists(Marker(name)))
            << "the program loaded the " << std::string(name.begin(), name.end()) << " beside it";
    }
}

} // namespace
