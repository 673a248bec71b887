#pragma once

// Points the prefix's association of web addresses at the open recorder for the life of the
// object, so that a test learns what the program opened in the browser. The association is
// shared by every test of the prefix: users run under the wineprefix resource lock.

#include "support/ScopedRegistryValue.h"
#include "support/WindowDriver.h"

#include <optional>
#include <string>
#include <vector>

namespace driver {

// A path of the build tree, passed in a variable of the environment as a host path, as Wine
// shows it: the host's root is drive Z. Empty when the variable is not set.
std::wstring FromHostPath(const char* variable);

class OpenRecord {
public:
    // recorderVariable names the environment variable with the recorder's host path.
    explicit OpenRecord(const char* recorderVariable = "TORNQUILL_RECORDER");
    OpenRecord(const OpenRecord&) = delete;
    OpenRecord& operator=(const OpenRecord&) = delete;
    ~OpenRecord();

    bool IsReady() const;

    // The command lines of the recorder's starts so far, one per start.
    std::vector<std::wstring> Lines() const;

    // Waits until the recorder has been started at least `count` times.
    bool WaitForLines(std::size_t count, Duration timeout = defaultTimeout) const;

private:
    std::wstring recordPath;
    std::optional<ScopedRegistryValue> association;
};

} // namespace driver
