// A copy of the program in a folder where libraries under system names have been left, as in a
// Downloads folder that a web page has written to. Wine is told to prefer such files for the
// program (its native-first order searches the program's folder first, as Windows does for a
// library that is not a known one), and the whole download runs: none of them may be loaded.
#include "e2e/ProgramRun.h"
#include "e2e/VendorControl.h"

#include "support/TemporaryPath.h"
#include "support/ChildProcess.h"
#include "support/ScopedRegistryValue.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// The libraries that the program loads at run time and that nothing else brings in first. The
// others say nothing about the program under Wine, because Wine does not protect the imports of
// the program and of its own modules as Windows protects the known DLLs and their dependencies:
// shell32.dll (also imported by the program), ws2_32.dll (imported by Wine's wininet),
// version.dll (by Wine's user32) and comctl32.dll (by Wine's comdlg32) would be taken from the
// program's folder whatever the program does. The product check covers them through the import
// table.
const std::vector<std::wstring> plantedNames = {L"iphlpapi.dll", L"icmp.dll"};

class PlantedLibraries : public ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        CreateDirectoryW(folder.c_str(), nullptr);
        RemoveMarkers();
        ASSERT_TRUE(CopyFileW(ProgramPath().c_str(), copy.c_str(), FALSE));
        for (const std::wstring& name : plantedNames) {
            ASSERT_TRUE(CopyFileW(planted.c_str(), (folder + L"\\" + name).c_str(), FALSE));
            overrides.push_back(std::make_unique<driver::ScopedRegistryValue>(
                HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Tornquill.exe\\DllOverrides",
                name.substr(0, name.find(L'.')), L"native,builtin"));
            ASSERT_TRUE(overrides.back()->IsSet());
        }
    }

    void TearDown() override {
        overrides.clear();
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

    const std::wstring folder = TemporaryPath(L"tornquill-planted");
    const std::wstring copy = folder + L"\\Tornquill.exe";
    const std::wstring planted = driver::BesideThisProgram(L"PlantedLibrary.dll");
    // Wine's load order for the program, native first for the planted names.
    std::vector<std::unique_ptr<driver::ScopedRegistryValue>> overrides;
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
    // A run that goes wrong still ends, and its markers are still examined.
    const HWND saveDialog = WaitForSaveDialog();
    EXPECT_NE(nullptr, saveDialog) << "the run did not reach the Save dialog";
    if (saveDialog != nullptr) {
        Save(saveDialog);
    }
    ExpectQuietEnd();
    if (saveDialog != nullptr) {
        const std::wstring path = InDownloads(PackageName() + L".msi");
        EXPECT_TRUE(SameBytes(vendor::Package("7", CpuType(), packageSize), ReadBytes(path)));
        const std::vector<std::wstring> opened = Opened();
        ASSERT_EQ(1u, opened.size());
        EXPECT_NE(std::wstring::npos, opened[0].find(L"\"" + path + L"\"")) << opened[0];
    }
    for (const std::wstring& name : plantedNames) {
        EXPECT_FALSE(Exists(Marker(name)))
            << "the program loaded the " << std::string(name.begin(), name.end()) << " beside it";
    }
}

} // namespace
