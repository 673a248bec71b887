#include "memory/MAtom.h"

template class MAtom<wchar_t>;
template class MAtom<char>;
template class MAtom<unsigned char>;
