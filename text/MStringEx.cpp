#include "text/MStringEx.h"

#include "text/ResourceString.h"

#include <cstdarg>
#include <cwchar>

namespace {

// Ends the argument list also when the allocation of the result throws.
class ArgumentsEnd {
public:
    explicit ArgumentsEnd(va_list& arguments) : arguments(arguments) {}
    ArgumentsEnd(const ArgumentsEnd&) = delete;
    ArgumentsEnd& operator=(const ArgumentsEnd&) = delete;
    ~ArgumentsEnd() { va_end(arguments); }

private:
    va_list& arguments;
};

} // namespace

// The formatter is the C runtime's own wide one (msvcrt.dll). Its wide formats keep their
// Windows meaning in every build, "%s" a wide text and "%I64u" a 64-bit value, which the
// library's C99 replacements behind the unprefixed names do not. A format it rejects gives the
// empty string.
template <> MStringEx<wchar_t> MStringEx<wchar_t>::Format(const wchar_t* format, ...) {
    if (format == nullptr) {
        return MStringEx();
    }
    va_list arguments;
    va_start(arguments, format);
    const ArgumentsEnd end(arguments);
    va_list measured;
    va_copy(measured, arguments);
    const int length = _vscwprintf(format, measured);
    va_end(measured);
    MStringEx result = WithLength(length > 0 ? static_cast<std::uint32_t>(length) : 0);
    if (length > 0) {
        _vsnwprintf(result.data, result.count.Value(), format, arguments);
    }
    return result;
}

template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromResource(UINT id) {
    MStringEx result;
    LoadResourceString(appInstance, result, id);
    return result;
}

#if !defined(_WIN64)
static_assert(sizeof(MStringEx<wchar_t>) == 20, "table pointer, data, count, heap, number base");
#endif
