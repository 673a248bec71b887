#pragma once

#include "memory/MOwnedHandle.h"

#include <windows.h>
#include <wininet.h>

// Owners of the handles that the network layer obtains, each closed the way its kind requires.

using MInternetHandle = MOwnedHandle<MHandlePolicy<HINTERNET, InternetCloseHandle>>;
