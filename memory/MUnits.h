#pragma once

#include "memory/MExceptions.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

// An unsigned 32-bit element count with checked arithmetic. Every position, count and length of the
// memory blocks is one; failures throw MUnitException with the code of the operation.
class MUnits {
public:
    MUnits() : value(0) {}
    MUnits(std::uint32_t n) : value(n) {}

    // Wider integers would be cut silently; they go through FromSize.
    template <class U, std::enable_if_t<
                           std::is_integral_v<U> && (sizeof(U) > sizeof(std::uint32_t)), int> = 0>
    MUnits(U) = delete;

    // A size_t or 64-bit count; above 0xFFFFFFFF throws code 7.
    static MUnits FromSize(std::uint64_t n);

    // A byte count read as elements of T; a remainder throws code 5.
    template <class T> static MUnits FromByteCount(const MUnits& bytes) {
        return bytes / MUnits(static_cast<std::uint32_t>(sizeof(T)));
    }

    // The byte size of this many elements of T, in 64 bits so that it cannot wrap.
    template <class T> std::uint64_t ByteCount() const {
        return static_cast<std::uint64_t>(value) * sizeof(T);
    }

    // A byte size passed as a Win32 DWORD; above 0xFFFFFFFF throws code 7.
    static DWORD ToDword(std::uint64_t n);

    std::uint32_t Value() const { return value; }

    // 0xFFFFFFFF + 1 throws code 0 and leaves 0; 0 - 1 throws code 1 and leaves 0xFFFFFFFF.
    MUnits& operator++();
    MUnits& operator--();
    MUnits operator++(int);
    MUnits operator--(int);

    // Throw code 2 on overflow and code 4 below zero; the operand is then unchanged.
    MUnits& operator+=(const MUnits& b);
    MUnits& operator-=(const MUnits& b);

    friend MUnits operator+(MUnits a, const MUnits& b) { return a += b; }
    friend MUnits operator-(MUnits a, const MUnits& b) { return a -= b; }

    // Exact division: b = 0 throws code 6, a remainder code 5.
    friend MUnits operator/(const MUnits& a, const MUnits& b);

    static MUnits Min(const MUnits& a, const MUnits& b) { return a.value < b.value ? a : b; }

    friend bool operator==(const MUnits& a, const MUnits& b) { return a.value == b.value; }
    friend bool operator!=(const MUnits& a, const MUnits& b) { return a.value != b.value; }
    friend bool operator<(const MUnits& a, const MUnits& b) { return a.value < b.value; }
    friend bool operator<=(const MUnits& a, const MUnits& b) { return a.value <= b.value; }
    friend bool operator>(const MUnits& a, const MUnits& b) { return a.value > b.value; }
    friend bool operator>=(const MUnits& a, const MUnits& b) { return a.value >= b.value; }

private:
    std::uint32_t value;
};
