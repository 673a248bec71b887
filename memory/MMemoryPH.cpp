#include "memory/MMemoryPH.h"

template class MMemory<PACL>;
template class MMemoryPH<PACL, HEAP_ZERO_MEMORY | HEAP_GENERATE_EXCEPTIONS>;

#if !defined(_WIN64)
static_assert(sizeof(MMemory<PACL>::MemUnits) == 8, "table pointer, value");
static_assert(sizeof(MMemoryPH<PACL, 12>) == 16, "table pointer, data, size, heap");
#endif
