#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>
#include <wininet.h>

// Owners of the handles that the network layer obtains, each closed the way its kind requires.

struct GlobalMemoryPolicy {
    using Type = HGLOBAL;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type memory) { return memory != nullptr; }
    static void Close(Type memory) { GlobalFree(memory); }
};

using MGlobalMemory = MOwnedHandle<GlobalMemoryPolicy>;

struct InternetHandlePolicy {
    using Type = HINTERNET;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type handle) { return handle != nullptr; }
    static void Close(Type handle) { InternetCloseHandle(handle); }
};

using MInternetHandle = MOwnedHandle<InternetHandlePolicy>;
