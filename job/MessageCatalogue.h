#pragma once

#include "res/ResourceIds.h"
#include "text/ResourceString.h"

// The catalogue of the program's texts: every text the user sees and both web addresses, each an
// IDS_ entry of the string table, loaded from appInstance by LoadResourceString, or through
// MStringEx's FromResource and FormatResource.
