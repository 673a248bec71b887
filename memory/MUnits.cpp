#include "memory/MUnits.h"

namespace {

const std::uint32_t largest = 0xFFFFFFFFu;

} // namespace

MUnits MUnits::FromSize(std::uint64_t n) {
    if (n > largest) {
        throw MUnitException(MUnitException::exceedsDword);
    }
    return MUnits(static_cast<std::uint32_t>(n));
}

DWORD MUnits::ToDword(std::uint64_t n) {
    if (n > largest) {
        throw MUnitException(MUnitException::exceedsDword);
    }
    return static_cast<DWORD>(n);
}

MUnits& MUnits::operator++() {
    if (value++ == largest) {
        throw MUnitException(MUnitException::incrementOfLargest);
    }
    return *this;
}

MUnits& MUnits::operator--() {
    if (value-- == 0) {
        throw MUnitException(MUnitException::decrementOfZero);
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
        throw MUnitException(MUnitException::additionOverflow);
    }
    value += b.value;
    return *this;
}

MUnits& MUnits::operator-=(const MUnits& b) {
    if (value < b.value) {
        throw MUnitException(MUnitException::subtractionBelowZero);
    }
    value -= b.value;
    return *this;
}

MUnits operator/(const MUnits& a, const MUnits& b) {
    if (b.value == 0) {
        throw MUnitException(MUnitException::divisionByZero);
    }
    if (a.value % b.value != 0) {
        throw MUnitException(MUnitException::inexactDivision);
    }
    return MUnits(a.value / b.value);
}
