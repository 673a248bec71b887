#include "text/MStringEx.h"

#include "memory/MOwnedHandle.h"

namespace {

// The language asked of the system's message tables: neutral, the system's own search order.
const DWORD messageLanguage = LANG_NEUTRAL;

// The buffer is one that FormatMessageW allocates for its caller.
DWORD FormatSystemMessage(DWORD code, DWORD language, MLocalMemory& buffer) {
    const DWORD flags =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    return FormatMessageW(flags, nullptr, code, language, reinterpret_cast<wchar_t*>(buffer.Put()),
                          0, nullptr);
}

} // namespace

// The system's texts end in a line break, which the trimming removes.
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromSystemError(DWORD code) {
    MLocalMemory buffer;
    DWORD length = FormatSystemMessage(code, messageLanguage, buffer);
    if (length == 0 && GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND) {
        length = FormatSystemMessage(code, 0, buffer);
    }
    if (length == 0 || !buffer.IsValid()) {
        return MStringEx(L"Unknown.");
    }
    MStringEx result =
        FromBuffer(ShellMemory<wchar_t>(length, static_cast<wchar_t*>(buffer.Get())));
    result.Trim();
    return result;
}

template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromLastError() {
    const DWORD code = GetLastError();
    return FromSystemError(code);
}
