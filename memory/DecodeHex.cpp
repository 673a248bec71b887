#include "memory/DecodeHex.h"

namespace {

// The value of a hexadecimal digit, or -1.
int DigitValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

void DecodeHex(MAtom<unsigned char>& block) {
    const std::uint32_t count = block.count.Value();
    if (count % 2 != 0) {
        throw MAtomException(MAtomException::partialElement);
    }
    if (count != 0 && block.data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    for (std::uint32_t i = 0; i < count; i += 2) {
        const int high = DigitValue(block.data[i]);
        const int low = DigitValue(block.data[i + 1]);
        if (high < 0 || low < 0) {
            throw MAtomException(MAtomException::notHexadecimal);
        }
        block.data[i / 2] = static_cast<unsigned char>(high * 16 + low);
    }
    block.Truncate(count / 2);
}
