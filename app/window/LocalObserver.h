#pragma once

#include "crypt/MObserver.h"

#include <windows.h>

#include <cstdint>

// Reports the hashing of the package to the main dialog and stops it when the user has confirmed
// cancelling. Lives on the worker's stack for the length of the hashing; owns neither handle.
class LocalObserver : public MObserver {
public:
    LocalObserver(HWND dialog, HANDLE cancelEvent) : dialog(dialog), cancelEvent(cancelEvent) {}

    // Before each block: false at once when the cancel event is signalled (the wait also takes the
    // confirmation) or cannot be read; otherwise shows the count in the dialog, waits until the
    // dialog has shown it, and pauses a moment.
    bool Notify(std::uint64_t done, std::uint64_t size, std::uint64_t block) override;

    HWND dialog;
    HANDLE cancelEvent;
};
