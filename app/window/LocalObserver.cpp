#include "app/window/LocalObserver.h"

#include "app/window/PrivateMessages.h"

namespace {

// Keeps the hashing to at most 25 blocks a second, so the dialog stays easy to use meanwhile.
constexpr DWORD pauseMilliseconds = 40;

} // namespace

bool LocalObserver::Notify(std::uint64_t done, std::uint64_t size, std::uint64_t) {
    if (WaitForSingleObject(cancelEvent, 0) != WAIT_TIMEOUT) {
        return false;
    }
    SendMessageW(dialog, UM_STATUS, reinterpret_cast<WPARAM>(&size),
                 reinterpret_cast<LPARAM>(&done));
    Sleep(pauseMilliseconds);
    return true;
}
