#include "e2e/ProgramRun.h"

#include "e2e/VendorControl.h"
#include "text/MStringEx.h"

#include "support/TemporaryPath.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>

namespace {

using driver::Duration;

constexpr const wchar_t* recorderName = L"OpenRecorder.exe";
constexpr const wchar_t* programName = L"Tornquill.exe";

const GUID downloadsFolder = {
    0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};

// Paths of the build tree arrive as host paths; Wine shows the host's root as
// drive Z.
std::wstring FromHostPath(const char* variable) {
    const char* path = std::getenv(variable);
    if (path == nullptr) {
        ADD_FAILURE() << variable << " is not set";
        return std::wstring();
    }
    std::wstring windowsPath = L"Z:";
    for (const char* c = path; *c != '\0'; ++c) {
        windowsPath += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return windowsPath;
}

std::vector<PROCESSENTRY32W> ProcessesNamed(const wchar_t* name) {
    std::vector<PROCESSENTRY32W> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return found;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, name) == 0) {
            found.push_back(entry);
        }
    }
    CloseHandle(snapshot);
    return found;
}

} // namespace

ProgramRunTest::ProgramRunTest() : recordPath(TemporaryPath(L"tornquill-e2e-opened.txt")) {
    const std::wstring recorder = L"\"" + FromHostPath("TORNQUILL_RECORDER") + L"\" \"%1\"";
    associations.push_back(std::make_unique<driver::ScopedRegistryValue>(HKEY_CLASSES_ROOT, L".msi",
                                                                         L"", L"Msi.Package"));
    associations.push_back(std::make_unique<driver::ScopedRegistryValue>(
        HKEY_CLASSES_ROOT, L"Msi.Package\\shell\\Open\\command", L"", recorder));
    associations.push_back(std::make_unique<driver::ScopedRegistryValue>(
        HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"", recorder));
}

ProgramRunTest::~ProgramRunTest() = default;

void ProgramRunTest::SetUp() {
    for (const auto& association : associations) {
        ASSERT_TRUE(association->IsSet());
    }
    vendor::Reset();
    RemoveOwnFiles();
    SetEnvironmentVariableW(L"TORNQUILL_OPEN_RECORD", recordPath.c_str());
}

void ProgramRunTest::TearDown() {
    program.reset();
    // A recorder that the program started may not have written its line yet; once the record
    // is removed, that line would land in the next test's record.
    EXPECT_TRUE(driver::WaitUntil([] { return ProcessesNamed(recorderName).empty(); }))
        << "the open recorder did not end";
    vendor::Reset();
    RemoveOwnFiles();
}

void ProgramRunTest::RemoveOwnFiles() {
    DeleteFileW(recordPath.c_str());
    const std::wstring folder = Downloads();
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            (name.rfind(L"Veltrane", 0) == 0 || name.rfind(L"setup", 0) == 0)) {
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::wstring ProgramRunTest::ProgramPath() {
    return FromHostPath("TORNQUILL_PROGRAM");
}

void ProgramRunTest::Start() {
    Start(ProgramPath());
}

void ProgramRunTest::Start(const std::wstring& programPath) {
    program.emplace(programPath);
    ASSERT_TRUE(program->IsStarted());
    driver::WindowQuery query = ProgramWindows();
    query.className = driver::dialogClass;
    // The caption is read from the window manager, not asked of the dialog: the dialog's thread
    // may be busy in the start-up sequence's reachability check.
    driver::WaitUntil([&] {
        for (HWND window : driver::FindWindows(query)) {
            wchar_t caption[64] = {};
            GetWindowTextW(window, caption, 64);
            if (std::wstring(caption) == expected::mainCaption) {
                mainDialog = window;
            }
        }
        return mainDialog != nullptr;
    });
    ASSERT_NE(nullptr, mainDialog) << "the main dialog did not appear";
}

driver::WindowQuery ProgramRunTest::ProgramWindows() const {
    return program->Windows();
}

HWND ProgramRunTest::WaitForSaveDialog(Duration timeout) {
    driver::WindowQuery query = ProgramWindows();
    query.className = driver::dialogClass;
    query.caption = expected::saveTitle;
    return driver::WaitForWindow(query, timeout);
}

void ProgramRunTest::StartDownload() {
    Start();
    const HWND saveDialog = WaitForSaveDialog();
    ASSERT_NE(nullptr, saveDialog);
    Save(saveDialog);
}

void ProgramRunTest::Save(HWND saveDialog, const std::wstring& name) {
    constexpr int fileNameBox = 1148;
    if (!name.empty()) {
        ASSERT_TRUE(driver::SendWithin(GetDlgItem(saveDialog, fileNameBox), WM_SETTEXT, 0,
                                       reinterpret_cast<LPARAM>(name.c_str()), Duration{5000}));
    }
    ASSERT_TRUE(driver::PressButton(saveDialog, IDOK));
    // The dialog closes, or asks about an existing file first.
    ASSERT_TRUE(driver::WaitUntil([&] {
        return !IsWindow(saveDialog) || !driver::FindMessageBoxes(ProgramWindows()).empty();
    })) << "the Save dialog stayed open";
}

std::optional<driver::MessageBoxView> ProgramRunTest::WaitForMessageBox(const wchar_t* caption,
                                                                        Duration timeout) {
    // Right after a long step the dialog's thread may still count as hung and leave the texts
    // unread; a box counts once its texts can be read.
    std::optional<driver::MessageBoxView> found;
    driver::WaitUntil(
        [&] {
            for (const driver::MessageBoxView& box : driver::FindMessageBoxes(ProgramWindows())) {
                if (!box.text.empty() && (caption == nullptr || box.caption == caption)) {
                    found = box;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

void ProgramRunTest::ExpectQuietEnd(Duration timeout) {
    std::optional<DWORD> exitCode;
    driver::WaitUntil(
        [&] {
            for (const driver::MessageBoxView& box : driver::FindMessageBoxes(ProgramWindows())) {
                ADD_FAILURE() << "unexpected message box: " << ::testing::PrintToString(box.text);
                driver::PressButton(box.window, IDOK);
                driver::PressButton(box.window, IDNO);
            }
            if (HWND saveDialog = WaitForSaveDialog(Duration{0})) {
                ADD_FAILURE() << "unexpected Save dialog";
                driver::PressButton(saveDialog, IDCANCEL);
            }
            exitCode = program->WaitForExit(Duration{0});
            return exitCode.has_value();
        },
        timeout);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
    EXPECT_EQ(0u, *exitCode);
    EXPECT_TRUE(driver::WaitUntil([] { return ProcessesNamed(programName).empty(); }))
        << "a program process was left behind";
}

std::vector<std::string> ProgramRunTest::DownloadRequests() {
    const std::string all = vendor::Requests();
    std::vector<std::string> requests;
    std::size_t start = 0;
    for (std::size_t end; (end = all.find("\r\n\r\n", start)) != std::string::npos;
         start = end + 4) {
        const std::string request = all.substr(start, end + 2 - start);
        if (request.rfind("GET /Products/Veltrane/2012/Download.aspx ", 0) == 0) {
            requests.push_back(request);
        }
    }
    return requests;
}

std::vector<std::wstring> ProgramRunTest::Opened() {
    EXPECT_TRUE(driver::WaitUntil([] { return ProcessesNamed(recorderName).empty(); }))
        << "the open recorder did not end";
    std::vector<std::wstring> lines;
    const std::string bytes = ReadBytes(recordPath);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::wstring ProgramRunTest::Downloads() {
    typedef HRESULT(WINAPI * KnownFolderQuery)(const GUID&, DWORD, HANDLE, PWSTR*);
    const auto query = reinterpret_cast<KnownFolderQuery>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"shell32.dll"), "SHGetKnownFolderPath")));
    PWSTR path = nullptr;
    if (query == nullptr || query(downloadsFolder, 0x8000, nullptr, &path) < 0) {
        ADD_FAILURE() << "no Downloads folder";
        return std::wstring();
    }
    std::wstring folder = path;
    CoTaskMemFree(path);
    return folder;
}

std::wstring ProgramRunTest::InDownloads(const std::wstring& name) {
    return Downloads() + L"\\" + name;
}

unsigned ProgramRunTest::WindowsBits() {
    const char* bits = std::getenv("TORNQUILL_WINDOWS_BITS");
    if (bits != nullptr && std::string(bits) == "32") {
        return 32;
    }
    if (bits == nullptr || std::string(bits) != "64") {
        ADD_FAILURE() << "TORNQUILL_WINDOWS_BITS is neither 32 nor 64";
    }
    return 64;
}

std::string ProgramRunTest::CpuType() {
    return WindowsBits() == 64 ? "x64" : "Win32";
}

std::wstring ProgramRunTest::PackageName(const std::wstring& edition) {
    return L"Veltrane, 2012 - Windows " + edition + L", " + std::to_wstring(WindowsBits()) +
           L" bit";
}

std::string ProgramRunTest::ReadBytes(const std::wstring& path) {
    std::string bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read != 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

bool ProgramRunTest::Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ProgramRunTest::WriteBytes(const std::wstring& path, const std::string& bytes,
                                DWORD attributes) {
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(bytes.size(), written);
}

std::optional<std::uint64_t> ProgramRunTest::SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::unique_ptr<driver::ScopedRegistryValue>
ProgramRunTest::ReportWindowsVersion(const std::wstring& name) {
    return std::make_unique<driver::ScopedRegistryValue>(
        HKEY_CURRENT_USER, std::wstring(L"Software\\Wine\\AppDefaults\\") + programName, L"Version",
        name);
}

::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    std::size_t offset = 0;
    while (offset < expected.size() && offset < actual.size() &&
           expected[offset] == actual[offset]) {
        ++offset;
    }
    return ::testing::AssertionFailure() << "expected " << expected.size() << " bytes, got "
                                         << actual.size() << ", first difference at " << offset;
}

namespace expected {

namespace {

template <class... Args> std::wstring Format(unsigned id, const Args&... args) {
    return MStringEx<wchar_t>::FormatResource(id, args...).data;
}

} // namespace

std::wstring Message(unsigned id) {
    return MStringEx<wchar_t>::FromResource(id).data;
}

std::wstring Message(unsigned id, const wchar_t* first) {
    return Format(id, first);
}

std::wstring Message(unsigned id, const wchar_t* first, const wchar_t* second) {
    return Format(id, first, second);
}

std::wstring Message(unsigned id, const wchar_t* first, const wchar_t* second, const wchar_t* third,
                     const wchar_t* fourth) {
    return Format(id, first, second, third, fourth);
}

} // namespace expected
