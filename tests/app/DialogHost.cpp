#include "DialogHost.h"

#include "app/MainDialog.h"
#include "app/window/PrivateMessages.h"
#include "job/MessageCatalogue.h"
#include "res/ResourceIds.h"

DialogHost* DialogHost::current = nullptr;

DialogHost::DialogHost() {
    current = this;
    appInstance = GetModuleHandleW(nullptr);
    appIcon = LoadProgramIcon();
    thread = std::thread([this] {
        threadId = GetCurrentThreadId();
        result = DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), GetDesktopWindow(),
                                 HostProc, 0);
    });
    driver::WaitUntil([&] {
        const HWND window = created;
        return window != nullptr && IsWindowVisible(window);
    });
    dialog = created;
}

DialogHost::~DialogHost() {
    if (thread.joinable()) {
        if (IsWindow(dialog)) {
            PostMessageW(dialog, UM_FINISH, 0, 0);
        }
        thread.join();
    }
    appIcon.Close();
    current = nullptr;
}

driver::WindowQuery DialogHost::ThreadWindows() const {
    driver::WindowQuery query;
    query.processId = GetCurrentProcessId();
    query.threadId = threadId;
    return query;
}

INT_PTR DialogHost::WaitForEnd() {
    if (thread.joinable()) {
        thread.join();
    }
    return result;
}

INT_PTR CALLBACK DialogHost::HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_START) {
        ++current->startRequests;
        return 0;
    }
    if (message == WM_INITDIALOG) {
        current->created = window;
    }
    return MainDialogProc(window, message, wParam, lParam);
}
