#include "text/CodePage.h"

#include <algorithm>
#include <climits>

namespace {

// At most 0x40000000 bytes of wide text go to the system in one call.
const std::uint32_t systemChunkUnits = 0x20000000;

int SystemConversion(const wchar_t* text, int units, char* out, int room) {
    return WideCharToMultiByte(CP_ACP, 0, text, units, out, room, nullptr, nullptr);
}

// A call that produced nothing has failed: every chunk holds at least one code unit, and every
// code unit converts to at least one byte.
std::uint32_t Produced(int bytes) {
    if (bytes <= 0) {
        throw MUnitException(4);
    }
    return static_cast<std::uint32_t>(bytes);
}

} // namespace

MStringEx<char> ToNarrow(const MStringEx<wchar_t>& text) {
    return ToNarrowWith(text, SystemConversion, systemChunkUnits);
}

// The same chunks are measured and then converted, into a buffer of exactly the measured size;
// the result is returned only when every byte of it has been written.
MStringEx<char> ToNarrowWith(const MStringEx<wchar_t>& text, NarrowConversion convert,
                             std::uint32_t chunkUnits) {
    if (chunkUnits == 0) {
        throw MUnitException(6);
    }
    const std::uint32_t units = text.count.Value();
    MUnits total;
    for (std::uint32_t done = 0; done < units;) {
        const std::uint32_t chunk = std::min(units - done, chunkUnits);
        total += Produced(convert(text.data + done, static_cast<int>(chunk), nullptr, 0));
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
        written += Produced(convert(text.data + done, static_cast<int>(chunk),
                                    result.data + written.Value(),
                                    static_cast<int>(std::min<std::uint32_t>(room, INT_MAX))));
        done += chunk;
    }
    if (written != result.count) {
        throw MUnitException(4);
    }
    return result;
}

MStringEx<char> ToNarrowText(const MStringEx<wchar_t>& text) {
    return ToNarrow(text).CutAtNul();
}
