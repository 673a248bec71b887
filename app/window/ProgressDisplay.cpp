#include "app/window/ProgressDisplay.h"

#include "res/ResourceIds.h"
#include "text/MStringEx.h"

#include <commctrl.h>

HWND byteCountLabel = nullptr;
HWND totalLabel = nullptr;
HWND progressBar = nullptr;

namespace {

constexpr double barScale = 5000.0;
constexpr std::int64_t barMiddle = 2500;

// The worker puts three dots into the total label when a job starts; the first progress message
// of the job replaces them.
constexpr int placeholderLength = 3;

} // namespace

// A server that sends more than it announced would put the bar beyond its end. The bar would clamp
// a small excess itself, but it takes only 32 bits of the position, so a large one would wrap and
// show an almost empty bar; the position therefore stops at the end of the scale.
std::int64_t ProgressPosition(std::uint64_t total, std::uint64_t received) {
    if (total == 0) {
        return barMiddle;
    }
    const double position = static_cast<double>(received) / static_cast<double>(total) * barScale;
    return position < barScale ? static_cast<std::int64_t>(position)
                               : static_cast<std::int64_t>(barScale);
}

void ShowProgress(std::uint64_t total, std::uint64_t received) {
    SetWindowTextW(byteCountLabel, MStringEx<wchar_t>::FromUInt64Grouped(received).data);
    if (GetWindowTextLengthW(totalLabel) == placeholderLength) {
        const MStringEx<wchar_t> totalText =
            total != 0 ? MStringEx<wchar_t>::FormatResource(
                             IDS_TOTAL_GIVEN, MStringEx<wchar_t>::FromUInt64Grouped(total))
                       : MStringEx<wchar_t>::FromResource(IDS_TOTAL_NOT_GIVEN);
        SetWindowTextW(totalLabel, totalText.data);
    }
    const std::int64_t position = ProgressPosition(total, received);
    SendMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(static_cast<std::uint32_t>(position)),
                 0);
}

void ShowByteCount(std::uint64_t done) {
    SetWindowTextW(byteCountLabel, MStringEx<wchar_t>::FromUInt64Grouped(done).data);
}
