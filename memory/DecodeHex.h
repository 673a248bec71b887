#pragma once

#include "memory/MAtom.h"

// Decodes hexadecimal text (digits and the capitals A to F) held in a byte block in place and
// truncates the block to the decoded bytes. An odd count throws MAtomException (5, 0) before
// anything changes; the first pair with another character throws (10, 13), leaving the pairs
// before it decoded.
void DecodeHex(MAtom<unsigned char>& block);
