#pragma once

#include "text/MStringEx.h"

// Conversion of wide text to the system's ANSI code page, for the interfaces that take narrow
// text. Characters the code page lacks become its default character.

// The whole buffer, terminator included: the result's count is the number of bytes produced.
MStringEx<char> ToNarrow(const MStringEx<wchar_t>& text);
// ToNarrow, cut at the first zero byte.
MStringEx<char> ToNarrowText(const MStringEx<wchar_t>& text);
