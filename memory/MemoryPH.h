#pragma once

#include "memory/MAtom.h"

#include <windows.h>

#include <cstring>

// A block that owns an exact-size buffer on the process heap: no spare capacity, every change of
// size is one new allocation and one release. Z = 1 zero-fills new buffers.
//
// The heap is asked without HEAP_GENERATE_EXCEPTIONS. This compiler has no structured exception
// handling to catch the heap's STATUS_NO_MEMORY and rethrow it, and throwing from a vectored
// handler would unwind through the heap manager's frames while it holds its lock. Without the flag
// the heap reports exhaustion by a null result, which becomes MAtomException (8, 8).
//
// A new buffer is always obtained before the old one is released, so a failed allocation leaves
// the block as it was, and a source that lies inside the block itself stays readable while it is
// copied.
template <class T, int Z> class MemoryPH : public MAtom<T> {
public:
    HANDLE heap;

    MemoryPH();
    explicit MemoryPH(const MUnits& n);
    MemoryPH(const MAtom<T>& src);
    MemoryPH(const MemoryPH& src);
    ~MemoryPH() override;

    MemoryPH& operator=(const MAtom<T>& src) override;
    bool IsShell() const override { return false; }
    bool IsOwner() const override { return true; }
    MemoryPH& Clear() override;
    MemoryPH& SetCount(const MUnits& n) override;
    MemoryPH& AssignFrom(const MAtom<T>& src) override;

    virtual MemoryPH& operator=(const MemoryPH& src);

private:
    static constexpr DWORD allocationFlags = Z == 1 ? HEAP_ZERO_MEMORY : 0;

    T* Allocate(const MUnits& n) const;
    T* Duplicate(const MAtom<T>& src) const;
    void Replace(T* buffer, const MUnits& n);
    void ReplaceByCopy(const MAtom<T>& src);
};

template <class T, int Z> MemoryPH<T, Z>::MemoryPH() : MemoryPH(MUnits()) {}

template <class T, int Z>
MemoryPH<T, Z>::MemoryPH(const MUnits& n) : MAtom<T>(nullptr, 0), heap(GetProcessHeap()) {
    this->data = Allocate(n);
    this->count = n;
}

template <class T, int Z>
MemoryPH<T, Z>::MemoryPH(const MAtom<T>& src) : MAtom<T>(nullptr, 0), heap(GetProcessHeap()) {
    this->data = Duplicate(src);
    this->count = src.count;
}

template <class T, int Z>
MemoryPH<T, Z>::MemoryPH(const MemoryPH& src) : MemoryPH(static_cast<const MAtom<T>&>(src)) {}

// A destructor cannot report a missing buffer without ending the process, so it only frees what
// is there.
template <class T, int Z> MemoryPH<T, Z>::~MemoryPH() {
    if (this->data != nullptr) {
        HeapFree(heap, 0, this->data);
    }
}

template <class T, int Z> T* MemoryPH<T, Z>::Allocate(const MUnits& n) const {
    const std::uint64_t bytes = n.ByteCount<T>();
    if constexpr (sizeof(SIZE_T) < sizeof(std::uint64_t)) {
        if (bytes > static_cast<SIZE_T>(-1)) {
            throw MAtomException(MAtomException::heapExhausted);
        }
    }
    void* buffer = HeapAlloc(heap, allocationFlags, static_cast<SIZE_T>(bytes));
    if (buffer == nullptr) {
        throw MAtomException(MAtomException::heapExhausted);
    }
    return static_cast<T*>(buffer);
}

template <class T, int Z> T* MemoryPH<T, Z>::Duplicate(const MAtom<T>& src) const {
    if (src.count != 0 && src.data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    T* buffer = Allocate(src.count);
    if (src.count != 0) {
        std::memcpy(buffer, src.data, MAtom<T>::SizeOf(src.count));
    }
    return buffer;
}

template <class T, int Z> void MemoryPH<T, Z>::Replace(T* buffer, const MUnits& n) {
    T* old = this->data;
    this->data = buffer;
    this->count = n;
    if (old != nullptr) {
        HeapFree(heap, 0, old);
    }
}

// Assigning a block to itself leaves it as it is.
template <class T, int Z> void MemoryPH<T, Z>::ReplaceByCopy(const MAtom<T>& src) {
    if (&src != this) {
        const MUnits n = src.count;
        Replace(Duplicate(src), n);
    }
}

template <class T, int Z> MemoryPH<T, Z>& MemoryPH<T, Z>::operator=(const MAtom<T>& src) {
    ReplaceByCopy(src);
    return *this;
}

template <class T, int Z> MemoryPH<T, Z>& MemoryPH<T, Z>::operator=(const MemoryPH& src) {
    ReplaceByCopy(src);
    return *this;
}

template <class T, int Z> MemoryPH<T, Z>& MemoryPH<T, Z>::AssignFrom(const MAtom<T>& src) {
    ReplaceByCopy(src);
    return *this;
}

template <class T, int Z> MemoryPH<T, Z>& MemoryPH<T, Z>::Clear() {
    if (this->data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    Replace(Allocate(0), 0);
    return *this;
}

template <class T, int Z> MemoryPH<T, Z>& MemoryPH<T, Z>::SetCount(const MUnits& n) {
    const MUnits length = n;
    Replace(Allocate(length), length);
    return *this;
}

extern template class MemoryPH<wchar_t, 0>;
extern template class MemoryPH<char, 0>;
extern template class MemoryPH<unsigned char, 0>;
extern template class MemoryPH<unsigned char, 1>;
