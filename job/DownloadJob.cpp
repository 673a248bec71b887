#include "job/DownloadJob.h"

DownloadJob::DownloadJob(HWND dialog)
    : productName(MStringEx<wchar_t>::FromVersionInfo(L"ProductName")),
      productVersion(MStringEx<wchar_t>::FromVersionInfo(L"ProductVersion")),
      internalName(MStringEx<wchar_t>::FromVersionInfo(L"InternalName")), dialog(dialog),
      packageFile(), packagePath(), osEdition(), isXp(false) {}

#if !defined(_WIN64)
static_assert(sizeof(DownloadJob) == 112, "five strings of 20 bytes, window, file, flag");
#endif
