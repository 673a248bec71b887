#include "memory/ShellMemory.h"

template class ShellMemory<wchar_t>;
template class ShellMemory<char>;
template class ShellMemory<unsigned char>;
