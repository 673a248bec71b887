#include "memory/MUnits.h"

namespace {

const std::uint32_t largest = 0xFFFFFFFFu;

} // namespace

MUnits MUnits::FromSize(std::uint64_t n) {
    if (n > largest) {
        throw MUnitException(7);
    }
    return MUnits(static_cast<std::uint32_t>(n));
}

DWORD MUnits::ToDword(std::uint64_t n) {
    if (n > largest) {
        throw MUnitException(7);
    }
    return static_cast<DWORD>(n);
}

MUnits& MUnits::operator++() {
    if (value++ == largest) {
        throw MUnitException(0);
    }
    return *this;
}

MUnits& MUnits::operator--() {
    if (value-- == 0) {
        throw MUnitException(1);
    }
    return *this;
}

MUnits MUnits::operator++(int) {
    MUnits before = *this;
    ++*this;
    return before;
}

MUnits MUnits::operator--(int) {
    MUnits before = *this;
    --*this;
    return before;
}

MUnits& MUnits::operator+=(const MUnits& b) {
    if (b.value > largest - value) {
        throw MUnitException(2);
    }
    value += b.value;
    return *this;
}

MUnits& MUnits::operator-=(const MUnits& b) {
    if (value < b.value) {
        throw MUnitException(4);
    }
    value -= b.value;
    return *this;
}

MUnits operator/(const MUnits& a, const MUnits& b) {
    if (b.value == 0) {
        throw MUnitException(6);
    }
    if (a.value % b.value != 0) {
        throw MUnitException(5);
    }
    return MUnits(a.value / b.value);
}
