#pragma once

#include "job/DownloadJob.h"
#include "text/MStringEx.h"

#include <windows.h>

// Where the installation package goes: the proposal in the user's Downloads folder, the Save
// dialog that confirms or changes it, and the creation of the empty package file.

// True when the job holds the path and the open handle of a new, empty package file; false when
// the user cancelled (or declined to replace a file) or the file cannot be created, in which case
// the user has already been told.
bool ChoosePackageDestination(DownloadJob& job);

// The user's Downloads folder, else the Documents folder, without a trailing backslash; empty
// when neither is known.
MStringEx<wchar_t> DefaultDownloadFolder();

// A folder path as the proposal joins it: trailing backslashes removed, leading ones kept, so
// that a network path keeps its double backslash.
MStringEx<wchar_t> PackageFolderText(const MStringEx<wchar_t>& path);

// The folder, a backslash and the package name, counted up as "name (n)" while a package of that
// name exists; without the extension, which the Save dialog then shows as typed.
MStringEx<wchar_t> ProposePackageBase(const DownloadJob& job, const MStringEx<wchar_t>& folder);

// Gives the path the installer package extension unless it already has it in some letter case.
// True when the path was changed.
bool ForcePackageExtension(MStringEx<wchar_t>& path);

UINT_PTR CALLBACK SaveDialogHook(HWND child, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the file named by the job's path, new and unshared, replacing a file of that name.
// True when the job's file handle is valid afterwards; otherwise the reason has been shown.
bool CreatePackageFile(DownloadJob& job);
