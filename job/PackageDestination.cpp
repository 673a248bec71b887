#include "job/PackageDestination.h"

#include "app/window/CentredMessageBox.h"
#include "app/window/WindowPlacement.h"
#include "job/SystemIdentification.h"
#include "memory/MOwnedHandle.h"
#include "res/ResourceIds.h"
#include "text/SystemLibrary.h"

#include <commdlg.h>
#include <shlobj.h>

namespace {

// Shell32's known-folder query; Windows XP does not have it, so it is looked up at run time.
using KnownFolderPathQuery = HRESULT(WINAPI*)(const GUID& folder, DWORD flags, HANDLE token,
                                              PWSTR* path);

const GUID downloadsFolder = {
    0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};
constexpr DWORD knownFolderCreate = 0x8000;

constexpr const wchar_t* packageExtension = L".msi";
constexpr const wchar_t* packageExtensionText = L"msi";
constexpr int maximumCounter = 999;
constexpr DWORD fileNameCapacity = 40000;

constexpr const wchar_t saveFilter[] = L"Microsoft Installer (*.msi)\0*.msi\0All Files\0*.*\0";

constexpr DWORD saveFlags = OFN_DONTADDTORECENT | OFN_EXPLORER | OFN_PATHMUSTEXIST |
                            OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
static_assert(saveFlags == 0x2080826);
#if !defined(_WIN64)
static_assert(sizeof(OPENFILENAMEW) == 88);
#endif

MStringEx<wchar_t> KnownDownloadsFolder() {
    const MLibraryHandle shell(LoadSystemLibrary(L"Shell32.dll"));
    const auto query = LibraryFunction<KnownFolderPathQuery>(shell, "SHGetKnownFolderPath");
    if (query == nullptr) {
        return MStringEx<wchar_t>();
    }
    MTaskMemory<wchar_t> path;
    const HRESULT result = query(downloadsFolder, knownFolderCreate, nullptr, path.Put());
    if (result < 0 || !path.IsValid()) {
        return MStringEx<wchar_t>();
    }
    return MStringEx<wchar_t>(path.Get());
}

MStringEx<wchar_t> DocumentsFolder() {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                         path) < 0) {
        return MStringEx<wchar_t>();
    }
    return MStringEx<wchar_t>(path);
}

// A package base is taken when a package file of that name, with the extension, exists.
bool IsTaken(const MStringEx<wchar_t>& base) {
    const MStringEx<wchar_t> name = base + packageExtension;
    WIN32_FIND_DATAW found;
    const MFileSearch search(FindFirstFileW(name.data, &found));
    return search.IsValid();
}

// The Save dialog asked about the name as the user typed it; a name the program changed has not
// been asked about.
bool ConfirmReplace(const DownloadJob& job) {
    if (GetFileAttributesW(job.packagePath.data) == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const MStringEx<wchar_t> question =
        MStringEx<wchar_t>::FormatResource(IDS_REPLACE_QUESTION, job.packagePath);
    return CentredMessageBox(job.dialog, question.data, job.internalName.data,
                             MB_YESNO | MB_ICONWARNING) == IDYES;
}

// Creates the job's file into its handle; the error code when that fails.
DWORD CreateNewFile(DownloadJob& job) {
    const HANDLE file = CreateFileW(job.packagePath.data, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    job.packageFile = file;
    return job.packageFile.IsValid() ? ERROR_SUCCESS : error;
}

} // namespace

MStringEx<wchar_t> PackageFolderText(const MStringEx<wchar_t>& path) {
    MStringEx<wchar_t> folder = path;
    folder.TrimRight(L'\\');
    return folder;
}

MStringEx<wchar_t> DefaultDownloadFolder() {
    MStringEx<wchar_t> folder = KnownDownloadsFolder();
    if (folder.IsEmpty()) {
        folder = DocumentsFolder();
    }
    return PackageFolderText(folder);
}

MStringEx<wchar_t> ProposePackageBase(const DownloadJob& job, const MStringEx<wchar_t>& folder) {
    const MStringEx<wchar_t> name = MStringEx<wchar_t>::FormatResource(
        IDS_PACKAGE_TITLE, job.productName, job.osEdition, Is64BitWindows() ? L"64" : L"32");
    const MStringEx<wchar_t> base = folder.IsEmpty() ? name : folder + L"\\" + name;
    if (!IsTaken(base)) {
        return base;
    }
    for (int counter = 1; counter <= maximumCounter; ++counter) {
        MStringEx<wchar_t> candidate = MStringEx<wchar_t>::Printf(L"%s (%d)", base, counter);
        if (!IsTaken(candidate)) {
            return candidate;
        }
    }
    return base;
}

bool ForcePackageExtension(MStringEx<wchar_t>& path) {
    if (MStringEx<wchar_t>::EqualsNoCase(path.Extension(), packageExtensionText)) {
        return false;
    }
    path.TrimRight(L'.');
    path.Append(packageExtension);
    return true;
}

UINT_PTR CALLBACK SaveDialogHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    // The hook belongs to the child dialog inside the Explorer-style Save dialog; its parent is
    // the window the user sees. That window arranges itself around the child only after the
    // child's WM_INITDIALOG, which can change its size, so it is centred once it reports that its
    // layout is done.
    if (message == WM_NOTIFY) {
        const auto* notice = reinterpret_cast<const OFNOTIFYW*>(lParam);
        if (notice->hdr.code == static_cast<UINT>(CDN_INITDONE)) {
            CentreOver(notice->lpOFN->hwndOwner, GetParent(child));
        }
    }
    return 0;
}

bool ChoosePackageDestination(DownloadJob& job) {
    const MStringEx<wchar_t> proposal = ProposePackageBase(job, DefaultDownloadFolder());
    MemoryPH<wchar_t, 1> fileName{MUnits(fileNameCapacity)};
    fileName.CopyFrom(proposal);
    const MStringEx<wchar_t> title =
        MStringEx<wchar_t>::FormatResource(IDS_SAVE_TITLE, job.productName, job.internalName);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = job.dialog;
    dialog.lpstrFilter = saveFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data;
    dialog.nMaxFile = fileNameCapacity;
    dialog.lpstrTitle = title.data;
    dialog.Flags = saveFlags;
    dialog.lpfnHook = SaveDialogHook;
    if (!GetSaveFileNameW(&dialog)) {
        return false;
    }

    job.packagePath =
        MStringEx<wchar_t>::FromBuffer(ShellMemory<wchar_t>(fileName.count, fileName.data));
    if (ForcePackageExtension(job.packagePath) && !ConfirmReplace(job)) {
        return false;
    }
    return CreatePackageFile(job);
}

bool CreatePackageFile(DownloadJob& job) {
    DWORD error = CreateNewFile(job);
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        const wchar_t* path = job.packagePath.data;
        SetFileAttributesW(path, GetFileAttributesW(path) & ~FILE_ATTRIBUTE_READONLY);
        // An existing file that cannot be removed, typically because another program holds it
        // open, is the reason to report: creating it again could only say that it exists.
        error = DeleteFileW(path) ? CreateNewFile(job) : GetLastError();
    }
    if (job.packageFile.IsValid()) {
        return true;
    }
    const MStringEx<wchar_t> reason = MStringEx<wchar_t>::FromSystemError(error);
    const MStringEx<wchar_t> message = MStringEx<wchar_t>::FormatResource(
        IDS_CREATE_FAILED, job.productName, job.internalName, job.packagePath, reason);
    CentredMessageBox(job.dialog, message.data, job.internalName.data, MB_ICONERROR);
    return false;
}
