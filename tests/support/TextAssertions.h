#pragma once

#include "text/MStringEx.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// The string's characters (terminator excluded) as a standard string, for comparisons.
inline std::wstring Text(const MStringEx<wchar_t>& s) {
    return std::wstring(s.data, s.count.Value() - 1);
}

inline std::string Bytes(const MStringEx<char>& s) {
    return std::string(s.data, s.count.Value());
}

// A well-formed string with exactly this text: count = length + 1, the text, a terminator.
inline ::testing::AssertionResult HoldsText(const MStringEx<wchar_t>& s,
                                            const std::wstring& expected) {
    const std::uint32_t count = s.count.Value();
    if (count != expected.size() + 1) {
        return ::testing::AssertionFailure()
               << "count " << count << ", expected " << expected.size() + 1 << " for \"" << expected
               << "\"";
    }
    if (s.data[count - 1] != 0) {
        return ::testing::AssertionFailure() << "no terminator";
    }
    if (Text(s) != expected) {
        return ::testing::AssertionFailure()
               << "\"" << Text(s) << "\", expected \"" << expected << "\"";
    }
    return ::testing::AssertionSuccess();
}
