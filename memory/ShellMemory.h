#pragma once

#include "memory/MAtom.h"

#include <cstdint>

// A view of elements owned by something else: a zero-terminated text, a locked resource, a piece
// of another block. It never allocates and never frees; the memory must outlive it.
template <class T> class ShellMemory : public MAtom<T> {
public:
    ShellMemory(const MUnits& n, T* p);

    // The bytes of a block read as elements of T (a wide block as bytes, a byte block as wide
    // text). A byte size that is not a whole number of elements throws MUnitException 5.
    template <class U> explicit ShellMemory(const MAtom<U>& src);

    // Elements offset to offset + length - 1 of a block with elements of the same size.
    template <class U> ShellMemory(const MAtom<U>& src, const MUnits& offset, const MUnits& length);

    ShellMemory(const ShellMemory&) = default;

    ShellMemory& operator=(const MAtom<T>& src) override;
    bool IsShell() const override { return true; }
    bool IsOwner() const override { return false; }
    ShellMemory& Clear() override;
    ShellMemory& SetCount(const MUnits& n) override;
    ShellMemory& AssignFrom(const MAtom<T>& src) override;

    // Re-attach the view to another block's memory.
    virtual ShellMemory& operator=(const ShellMemory& src);
    virtual ShellMemory& operator=(const MemoryPH<T, 0>& src);
    virtual ShellMemory& operator=(const MemoryPH<T, 1>& src);

private:
    void Attach(const MAtom<T>& src);
};

template <class T> ShellMemory<T>::ShellMemory(const MUnits& n, T* p) : MAtom<T>(p, n) {
    if (p == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
}

template <class T>
template <class U>
ShellMemory<T>::ShellMemory(const MAtom<U>& src) : MAtom<T>(reinterpret_cast<T*>(src.data), 0) {
    const std::uint64_t bytes = src.count.template ByteCount<U>();
    if (bytes % sizeof(T) != 0) {
        throw MUnitException(MUnitException::inexactDivision);
    }
    if (bytes / sizeof(T) > 0xFFFFFFFFu) {
        throw MUnitException(MUnitException::additionOverflow);
    }
    if (this->data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    this->count = MUnits(static_cast<std::uint32_t>(bytes / sizeof(T)));
}

template <class T>
template <class U>
ShellMemory<T>::ShellMemory(const MAtom<U>& src, const MUnits& offset, const MUnits& length)
    : MAtom<T>(reinterpret_cast<T*>(src.data), length) {
    static_assert(sizeof(U) == sizeof(T), "a slice keeps the element size");
    if (offset + length > src.count) {
        throw MAtomException(MAtomException::sourceOverrun);
    }
    if (this->data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    this->data += offset.Value();
}

template <class T> ShellMemory<T>& ShellMemory<T>::operator=(const MAtom<T>&) {
    throw MAtomException(MAtomException::viewAllocation);
}

template <class T> ShellMemory<T>& ShellMemory<T>::Clear() {
    this->data = nullptr;
    this->count = 0;
    return *this;
}

// A cleared view only records the count; it still points nowhere, and the element operations
// refuse to touch it.
template <class T> ShellMemory<T>& ShellMemory<T>::SetCount(const MUnits& n) {
    if (this->data != nullptr) {
        throw MAtomException(MAtomException::viewAllocation);
    }
    this->count = n;
    return *this;
}

template <class T> ShellMemory<T>& ShellMemory<T>::AssignFrom(const MAtom<T>&) {
    throw MAtomException(MAtomException::viewAllocation);
}

template <class T> void ShellMemory<T>::Attach(const MAtom<T>& src) {
    this->data = src.data;
    this->count = src.count;
}

template <class T> ShellMemory<T>& ShellMemory<T>::operator=(const ShellMemory& src) {
    Attach(src);
    return *this;
}

template <class T> ShellMemory<T>& ShellMemory<T>::operator=(const MemoryPH<T, 0>& src) {
    Attach(src);
    return *this;
}

template <class T> ShellMemory<T>& ShellMemory<T>::operator=(const MemoryPH<T, 1>& src) {
    Attach(src);
    return *this;
}

extern template class ShellMemory<wchar_t>;
extern template class ShellMemory<char>;
extern template class ShellMemory<unsigned char>;
