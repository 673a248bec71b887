#pragma once

#include "memory/MMemory.h"

#include <windows.h>

#include <cstring>
#include <new>

// A byte-counted block on the process heap; F is the flags value of every allocation. With
// HEAP_GENERATE_EXCEPTIONS among them the heap itself raises when it is exhausted; without, an
// exhausted heap throws MAtomException (8, 8), so the buffer is never null.
//
// A new buffer is obtained before the old one is released, so a failed allocation leaves the
// block as it was.
template <class T, DWORD F> class MMemoryPH : public MMemory<T> {
public:
    using MemUnits = typename MMemory<T>::MemUnits;

    HANDLE heap;

    MMemoryPH() : MMemoryPH(0u) {}
    explicit MMemoryPH(std::uint32_t bytes);
    MMemoryPH(const MMemory<T>& src);
    MMemoryPH(const MMemoryPH& src) : MMemoryPH(static_cast<const MMemory<T>&>(src)) {}
    ~MMemoryPH() override { HeapFree(heap, 0, this->data); }

    MMemoryPH& operator=(const MMemory<T>& src) override;
    MMemoryPH& operator=(const MMemoryPH& src) {
        return *this = static_cast<const MMemory<T>&>(src);
    }

    std::unique_ptr<MMemory<T>> Clone() const override;
    bool IsOwner() const override { return true; }
    void SetCount(const MemUnits& n) override;
    void SetSize(std::uint32_t bytes) override;
    void AssignFrom(const void* p, const MemUnits& n) override;
    void Empty() override { SetSize(0); }
    void InsertChecksum(const MemUnits& start, const MemUnits& length,
                        const MemUnits& offset) override;

    // Objects of this class live on the process heap like their buffers.
    static void* operator new(std::size_t bytes);
    static void operator delete(void* object) { HeapFree(GetProcessHeap(), 0, object); }

private:
    unsigned char* Allocate(std::uint32_t bytes) const;
    void Replace(unsigned char* buffer, std::uint32_t bytes);
    static std::uint32_t SizeOf(const MemUnits& n) { return MUnits::FromSize(n.Bytes()).Value(); }
};

template <class T, DWORD F>
MMemoryPH<T, F>::MMemoryPH(std::uint32_t bytes) : MMemory<T>(nullptr, 0), heap(GetProcessHeap()) {
    this->data = Allocate(bytes);
    this->size = bytes;
}

template <class T, DWORD F>
MMemoryPH<T, F>::MMemoryPH(const MMemory<T>& src) : MMemoryPH(src.size) {
    if (src.size != 0) {
        std::memcpy(this->data, src.data, src.size);
    }
}

template <class T, DWORD F> unsigned char* MMemoryPH<T, F>::Allocate(std::uint32_t bytes) const {
    void* buffer = HeapAlloc(heap, F, bytes);
    if (buffer == nullptr) {
        throw MAtomException(MAtomException::heapExhausted);
    }
    return static_cast<unsigned char*>(buffer);
}

template <class T, DWORD F>
void MMemoryPH<T, F>::Replace(unsigned char* buffer, std::uint32_t bytes) {
    HeapFree(heap, F, this->data);
    this->data = buffer;
    this->size = bytes;
}

template <class T, DWORD F> MMemoryPH<T, F>& MMemoryPH<T, F>::operator=(const MMemory<T>& src) {
    if (&src == this) {
        return *this;
    }
    if (this->size != src.size) {
        Replace(Allocate(src.size), src.size);
    }
    if (src.size != 0) {
        std::memcpy(this->data, src.data, src.size);
    }
    return *this;
}

template <class T, DWORD F> std::unique_ptr<MMemory<T>> MMemoryPH<T, F>::Clone() const {
    return std::unique_ptr<MMemory<T>>(new MMemoryPH(*this));
}

template <class T, DWORD F> void MMemoryPH<T, F>::SetCount(const MemUnits& n) {
    SetSize(SizeOf(n));
}

template <class T, DWORD F> void MMemoryPH<T, F>::SetSize(std::uint32_t bytes) {
    unsigned char* buffer = Allocate(bytes);
    if ((F & HEAP_ZERO_MEMORY) == 0) {
        std::memset(buffer, 0, bytes);
    }
    Replace(buffer, bytes);
}

template <class T, DWORD F> void MMemoryPH<T, F>::AssignFrom(const void* p, const MemUnits& n) {
    const std::uint32_t bytes = SizeOf(n);
    unsigned char* buffer = Allocate(bytes);
    if (bytes != 0) {
        std::memcpy(buffer, p, bytes);
    }
    Replace(buffer, bytes);
}

template <class T, DWORD F>
void MMemoryPH<T, F>::InsertChecksum(const MemUnits& start, const MemUnits& length,
                                     const MemUnits& offset) {
    const typename MMemory<T>::ChecksumPlace place = this->PlaceOf(start, length, offset);
    const std::uint64_t grown = static_cast<std::uint64_t>(this->size) + sizeof(double);
    if (place.position > this->size || place.windowStart + place.windowLength > grown) {
        throw MAtomException(MAtomException::beyondElements);
    }
    const std::uint32_t bytes = MUnits::FromSize(grown).Value();
    unsigned char* buffer = Allocate(bytes);
    const std::size_t before = static_cast<std::size_t>(place.position);
    std::memcpy(buffer, this->data, before);
    std::memcpy(buffer + before, &MMemory<T>::checksumPlaceholder, sizeof(double));
    std::memcpy(buffer + before + sizeof(double), this->data + before, this->size - before);
    const double sum =
        static_cast<double>(this->WindowSum(buffer + place.windowStart, place.windowLength));
    std::memcpy(buffer + before, &sum, sizeof(double));
    Replace(buffer, bytes);
}

template <class T, DWORD F> void* MMemoryPH<T, F>::operator new(std::size_t bytes) {
    void* object = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY | HEAP_GENERATE_EXCEPTIONS, bytes);
    if (object == nullptr) {
        throw std::bad_alloc();
    }
    return object;
}
