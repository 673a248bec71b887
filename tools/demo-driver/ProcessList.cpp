#include "tools/demo-driver/ProcessList.h"

#include "memory/MOwnedHandle.h"

#include <tlhelp32.h>

std::set<DWORD> ProcessesNamed(const std::wstring& fileName) {
    std::set<DWORD> found;
    MKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) {
        return found;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, fileName.c_str()) == 0) {
            found.insert(entry.th32ProcessID);
        }
    }
    return found;
}
