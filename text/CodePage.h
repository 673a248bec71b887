#pragma once

#include "text/MStringEx.h"

#include <cstdint>

// Conversion of wide text to the system's ANSI code page, for the interfaces that take narrow
// text. Characters the code page lacks become its default character.

// The whole buffer, terminator included: the result's count is the number of bytes produced.
// A conversion that produces nothing for a piece of the text throws MUnitException 4.
MStringEx<char> ToNarrow(const MStringEx<wchar_t>& text);
// ToNarrow, cut at the first zero byte.
MStringEx<char> ToNarrowText(const MStringEx<wchar_t>& text);

// One conversion call as WideCharToMultiByte makes it with CP_ACP, flags 0 and no default
// character: the bytes written to out (at most room), or with room 0 the bytes needed.
using NarrowConversion = int (*)(const wchar_t* text, int units, char* out, int room);

// ToNarrow with the conversion call and the most code units handed to one call given, so that
// tests can make the system's conversion fail part of the way.
MStringEx<char> ToNarrowWith(const MStringEx<wchar_t>& text, NarrowConversion convert,
                             std::uint32_t chunkUnits);
