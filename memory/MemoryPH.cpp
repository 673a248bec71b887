#include "memory/MemoryPH.h"

template class MemoryPH<wchar_t, 0>;
template class MemoryPH<char, 0>;
template class MemoryPH<unsigned char, 0>;
template class MemoryPH<unsigned char, 1>;

#if !defined(_WIN64)
static_assert(sizeof(MemoryPH<wchar_t, 0>) == 16, "table pointer, data, count, heap");
static_assert(sizeof(ShellMemory<wchar_t>) == 12, "table pointer, data, count");
#endif
