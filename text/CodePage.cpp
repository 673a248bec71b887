#include "text/CodePage.h"

#include <algorithm>
#include <climits>

namespace {

// At most 0x40000000 bytes of wide text go to the system in one call.
const std::uint32_t chunkUnits = 0x20000000;

} // namespace

// The same chunks are measured and then converted, into a buffer of exactly the measured size.
MStringEx<char> ToNarrow(const MStringEx<wchar_t>& text) {
    const std::uint32_t units = text.count.Value();
    MUnits total;
    for (std::uint32_t done = 0; done < units;) {
        const std::uint32_t chunk = std::min(units - done, chunkUnits);
        const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data + done, static_cast<int>(chunk),
                                              nullptr, 0, nullptr, nullptr);
        total += static_cast<std::uint32_t>(bytes);
        done += chunk;
    }
    MStringEx<char> result = MStringEx<char>::WithLength(total - 1);
    MUnits written;
    for (std::uint32_t done = 0; done < units;) {
        if (written >= result.count) {
            throw MAtomException(1, 0);
        }
        const std::uint32_t chunk = std::min(units - done, chunkUnits);
        const std::uint32_t room = (result.count - written).Value();
        const int bytes = WideCharToMultiByte(
            CP_ACP, 0, text.data + done, static_cast<int>(chunk), result.data + written.Value(),
            static_cast<int>(std::min<std::uint32_t>(room, INT_MAX)), nullptr, nullptr);
        written += static_cast<std::uint32_t>(bytes);
        done += chunk;
    }
    return result;
}

MStringEx<char> ToNarrowText(const MStringEx<wchar_t>& text) {
    return ToNarrow(text).CutAtNul();
}
