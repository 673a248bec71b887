#include "text/MStringEx.h"

template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromUInt64Grouped(std::uint64_t value) {
    MStringEx result = Printf(L"%I64u", value);
    result.InsertGroupSeparators(L",");
    return result;
}
