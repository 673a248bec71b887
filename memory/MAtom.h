#pragma once

#include "memory/MExceptions.h"
#include "memory/MUnits.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

template <class T> class ShellMemory;
template <class T, int Z> class MemoryPH;

// A typed memory block: a pointer to elements and their count. Owning blocks (MemoryPH) and views
// (ShellMemory) share this interface, so any block can be copied into any other block of the same
// element type; every position and count is checked before memory is touched.
template <class T> class MAtom {
public:
    T* data;
    MUnits count;

    virtual ~MAtom() {}

    virtual MAtom& operator=(const MAtom& src) = 0;
    virtual bool IsShell() const = 0;
    virtual bool IsOwner() const = 0;
    virtual bool IsEmpty() const { return count == 0; }
    virtual MAtom& Clear() = 0;

    // Binary comparison of the elements; the counts are compared first.
    virtual bool operator==(const MAtom& src) const;
    virtual bool operator!=(const MAtom& src) const { return !(*this == src); }

    virtual MAtom& SetCount(const MUnits& n) = 0;

    // The copy family never changes this block's count: a copy that does not fit throws instead.
    virtual MAtom& CopyRange(MUnits dstPos, const MAtom& src, MUnits srcPos, MUnits n);
    virtual MAtom& CopyFrom(const MAtom& src);
    virtual MAtom& PutShell(MUnits& pos, bool advance, ShellMemory<T> src);
    virtual MAtom& Put(MUnits& pos, bool advance, const MAtom& src);
    virtual MAtom& PutAt(MUnits pos, const MAtom& src);
    virtual MAtom& PutHead(MUnits& dstPos, bool advanceDst, const MAtom& src, const MUnits& n);
    virtual MAtom& GetRange(const MAtom& src, MUnits& srcPos, bool advanceSrc, const MUnits& n);
    virtual MAtom& Copy(MUnits& dstPos, bool advanceDst, const MAtom& src, MUnits& srcPos,
                        bool advanceSrc, const MUnits& n);

    virtual MAtom& AssignFrom(const MAtom& src) = 0;

    // Moves a view over the memory it points into.
    virtual MAtom& Shift(const MUnits& n, bool forward, bool keepCount);
    virtual MAtom& Truncate(const MUnits& n);

    // The sum of (i + b[i]) / (i + 256) over the bytes b of the block.
    virtual long double Fingerprint() const;

protected:
    MAtom(T* data, const MUnits& count) : data(data), count(count) {}
    MAtom(const MAtom&) = default;

    // The bytes of n elements as a memory size; a block in memory always fits the address space.
    static std::size_t SizeOf(const MUnits& n) {
        return static_cast<std::size_t>(n.ByteCount<T>());
    }

private:
    void CheckedCopy(const MUnits& dstPos, const MAtom& src, const MUnits& srcPos, const MUnits& n);
};

template <class T> bool MAtom<T>::operator==(const MAtom& src) const {
    if (count != src.count) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (data == nullptr || src.data == nullptr) {
        throw MAtomException(0, 0);
    }
    return std::memcmp(data, src.data, SizeOf(count)) == 0;
}

// All checks come before the first element is written, so a failed copy leaves the block as it was.
template <class T>
void MAtom<T>::CheckedCopy(const MUnits& dstPos, const MAtom& src, const MUnits& srcPos,
                           const MUnits& n) {
    if (n == 0) {
        return;
    }
    if (dstPos + n > count) {
        throw MAtomException(6, 0);
    }
    if (srcPos + n > src.count) {
        throw MAtomException(7, 0);
    }
    if (data == nullptr || src.data == nullptr) {
        throw MAtomException(0, 0);
    }
    std::memmove(data + dstPos.Value(), src.data + srcPos.Value(), SizeOf(n));
}

template <class T>
MAtom<T>& MAtom<T>::CopyRange(MUnits dstPos, const MAtom& src, MUnits srcPos, MUnits n) {
    CheckedCopy(dstPos, src, srcPos, n);
    return *this;
}

template <class T> MAtom<T>& MAtom<T>::CopyFrom(const MAtom& src) {
    CheckedCopy(0, src, 0, src.count);
    return *this;
}

template <class T> MAtom<T>& MAtom<T>::PutShell(MUnits& pos, bool advance, ShellMemory<T> src) {
    return Put(pos, advance, src);
}

template <class T> MAtom<T>& MAtom<T>::Put(MUnits& pos, bool advance, const MAtom& src) {
    const MUnits n = src.count;
    CheckedCopy(pos, src, 0, n);
    if (advance) {
        pos += n;
    }
    return *this;
}

template <class T> MAtom<T>& MAtom<T>::PutAt(MUnits pos, const MAtom& src) {
    CheckedCopy(pos, src, 0, src.count);
    return *this;
}

template <class T>
MAtom<T>& MAtom<T>::PutHead(MUnits& dstPos, bool advanceDst, const MAtom& src, const MUnits& n) {
    MUnits srcPos;
    return Copy(dstPos, advanceDst, src, srcPos, false, n);
}

template <class T>
MAtom<T>& MAtom<T>::GetRange(const MAtom& src, MUnits& srcPos, bool advanceSrc, const MUnits& n) {
    MUnits dstPos;
    return Copy(dstPos, false, src, srcPos, advanceSrc, n);
}

template <class T>
MAtom<T>& MAtom<T>::Copy(MUnits& dstPos, bool advanceDst, const MAtom& src, MUnits& srcPos,
                         bool advanceSrc, const MUnits& n) {
    const MUnits length = n;
    CheckedCopy(dstPos, src, srcPos, length);
    if (advanceDst) {
        dstPos += length;
    }
    if (advanceSrc) {
        srcPos += length;
    }
    return *this;
}

template <class T> MAtom<T>& MAtom<T>::Shift(const MUnits& n, bool forward, bool keepCount) {
    if (IsOwner()) {
        throw MAtomException(5, 0);
    }
    if (data == nullptr) {
        throw MAtomException(0, 0);
    }
    const MUnits length = n;
    if (forward) {
        if (!keepCount) {
            if (length > count) {
                throw MAtomException(1, 0);
            }
            count -= length;
        }
        data += length.Value();
    } else {
        if (!keepCount) {
            count += length;
        }
        data -= length.Value();
    }
    return *this;
}

template <class T> MAtom<T>& MAtom<T>::Truncate(const MUnits& n) {
    if (n > count) {
        throw MAtomException(1, 0);
    }
    count = n;
    return *this;
}

template <class T> long double MAtom<T>::Fingerprint() const {
    const std::uint64_t size = count.ByteCount<T>();
    if (size != 0 && data == nullptr) {
        throw MAtomException(0, 0);
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    long double sum = 0.0L;
    for (std::uint64_t i = 0; i < size; ++i) {
        const long double position = static_cast<long double>(i);
        sum += (position + bytes[i]) / (position + 256.0L);
    }
    return sum;
}

// Exchanges the buffers of two blocks of the same kind; heaps stay, every owning block uses the
// process heap.
template <class T> void Swap(MAtom<T>& a, MAtom<T>& b) {
    if (a.IsShell() != b.IsShell()) {
        throw MAtomException(5, 0);
    }
    std::swap(a.data, b.data);
    std::swap(a.count, b.count);
}

extern template class MAtom<wchar_t>;
extern template class MAtom<char>;
extern template class MAtom<unsigned char>;

// The interface passes views by value and names its implementations, so each of the three block
// headers brings in the whole family.
#include "memory/ShellMemory.h"
#include "memory/MemoryPH.h"
