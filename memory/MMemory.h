#pragma once

#include "memory/BlockPersistence.h"
#include "memory/MExceptions.h"
#include "memory/MUnits.h"
#include "memory/ShellMemory.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>

// A block measured in bytes whose counts are units of sizeof(T). Besides copying, file and
// resource input and output, it can compute and embed floating-point checksums of its bytes.
// An operation that would reach past the buffer or past 32 bits of size throws instead; file and
// resource operations report failure by their result or by emptying the block.
template <class T> class MMemory {
public:
    // A count of elements of T.
    class MemUnits {
    public:
        MemUnits() : value(0) {}
        explicit MemUnits(std::uint32_t n) : value(n) {}
        virtual ~MemUnits() {}

        // Whole elements of a byte count; callers pass a multiple of the element size.
        static MemUnits FromBytes(std::uint32_t bytes) {
            return MemUnits(bytes / static_cast<std::uint32_t>(sizeof(T)));
        }

        // In 64 bits, so that it cannot wrap.
        std::uint64_t Bytes() const { return static_cast<std::uint64_t>(value) * sizeof(T); }

        std::uint32_t value;
    };

    unsigned char* data;
    std::uint32_t size;

    virtual ~MMemory() {}

    virtual MMemory& operator=(const MMemory& src) = 0;
    virtual bool IsEmpty() const { return size == 0; }
    virtual bool operator==(const MMemory& src) const;
    virtual bool operator!=(const MMemory& src) const { return !(*this == src); }
    virtual std::unique_ptr<MMemory> Clone() const = 0;
    virtual void Clear() { SetSize(0); }
    virtual bool IsOwner() const = 0;

    // Each replaces the buffer; SetCount and SetSize leave it zero-filled.
    virtual void SetCount(const MemUnits& n) = 0;
    virtual void SetSize(std::uint32_t bytes) = 0;
    virtual void AssignFrom(const void* p, const MemUnits& n) = 0;

    // The old content followed by times copies of src; src may be this block.
    virtual void AppendCopies(const MMemory& src, unsigned times);

    // Lower the size without reallocating. Neither may raise it: the bytes beyond the size are
    // not known to exist.
    virtual void SetCountOnly(MemUnits n);
    virtual void Shrink(MemUnits n);

    virtual bool AppendFile(const wchar_t* file) const;
    virtual bool AppendTo(HANDLE h) const;
    virtual bool SaveFile(const wchar_t* file, DWORD flagsAndAttributes) const;
    virtual void Empty() = 0;

    // Reads a whole file that is a whole number of elements; anything else empties the block.
    virtual void ReadFrom(HANDLE h);
    // A null module is the program's own; a resource that is not a whole number of elements,
    // or any failure, empties the block.
    virtual void LoadFromResource(HMODULE m, const wchar_t* type, WORD id);
    virtual void LoadFromModuleResource(const wchar_t* file, const wchar_t* type, WORD id);
    virtual bool SaveToResource(const wchar_t* file, const wchar_t* type, WORD id,
                                WORD primaryLanguage, WORD subLanguage, BOOL deleteExisting) const;

    // The sum of (i + b[i]) / (i + 256) over the bytes b of the buffer.
    virtual long double Fingerprint() const;

    // One double per block of blockUnits elements (the last one may be shorter): the sum of
    // b / 256 + i over its bytes b at positions i within the block.
    virtual void BlockChecksums(MMemory<double>& out, const MemUnits& blockUnits) const;
    virtual bool VerifyBlockChecksums(const MMemory<double>& expected,
                                      const MemUnits& blockUnits) const;

    // Embeds the checksum of a window at (offset + start) elements; the window starts at start
    // elements and covers length elements plus the 8 bytes of the checksum. A position or window
    // beyond the block throws MAtomException (1, 0) and changes nothing.
    virtual void InsertChecksum(const MemUnits& start, const MemUnits& length,
                                const MemUnits& offset) = 0;
    // True, and the checksum removed, when the window still sums to it; a failed check leaves
    // the block as it was.
    virtual bool VerifyAndRemoveChecksum(const MemUnits& start, const MemUnits& length,
                                         const MemUnits& offset);

    // The size passed as a Win32 DWORD.
    DWORD SizeAsDword() const { return MUnits::ToDword(size); }

protected:
    MMemory(unsigned char* data, std::uint32_t size) : data(data), size(size) {}
    MMemory(const MMemory&) = default;

    // Written where no checksum has been computed yet, so that the window's sum includes it.
    static constexpr double checksumPlaceholder = 164.0;

    static long double Term(unsigned char b, std::uint64_t i) {
        return static_cast<long double>(b) / 256.0L + static_cast<long double>(i);
    }

    static long double WindowSum(const unsigned char* bytes, std::uint64_t length);

    // Byte positions of a checksum: where it lies and the window it covers.
    struct ChecksumPlace {
        std::uint64_t position;
        std::uint64_t windowStart;
        std::uint64_t windowLength;
    };

    static ChecksumPlace PlaceOf(const MemUnits& start, const MemUnits& length,
                                 const MemUnits& offset);
};

template <class T> bool MMemory<T>::operator==(const MMemory& src) const {
    return size == src.size && (size == 0 || std::memcmp(data, src.data, size) == 0);
}

template <class T> void MMemory<T>::AppendCopies(const MMemory& src, unsigned times) {
    const std::uint64_t total = size + static_cast<std::uint64_t>(times) * src.size;
    if (total > 0xFFFFFFFFu) {
        throw MUnitException(MUnitException::additionOverflow);
    }
    const std::unique_ptr<MMemory> old = Clone();
    const MMemory& source = &src == this ? *old : src;
    SetSize(static_cast<std::uint32_t>(total));
    if (old->size != 0) {
        std::memcpy(data, old->data, old->size);
    }
    for (std::uint64_t copy = 0, at = old->size; copy < times && source.size != 0;
         ++copy, at += source.size) {
        std::memcpy(data + at, source.data, source.size);
    }
}

template <class T> void MMemory<T>::SetCountOnly(MemUnits n) {
    if (n.Bytes() > size) {
        throw MAtomException(MAtomException::beyondElements);
    }
    size = static_cast<std::uint32_t>(n.Bytes());
}

template <class T> void MMemory<T>::Shrink(MemUnits n) {
    if (n.Bytes() > size) {
        throw MUnitException(MUnitException::subtractionBelowZero);
    }
    size -= static_cast<std::uint32_t>(n.Bytes());
}

template <class T> bool MMemory<T>::AppendFile(const wchar_t* file) const {
    BlockFile output(file, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    return output.IsValid() && output.Seek(FILE_END) == ERROR_SUCCESS &&
           output.Write(data, size) == ERROR_SUCCESS;
}

template <class T> bool MMemory<T>::AppendTo(HANDLE h) const {
    BlockFile output(h);
    return output.IsValid() && output.Seek(FILE_END) == ERROR_SUCCESS &&
           output.Write(data, size) == ERROR_SUCCESS;
}

template <class T> bool MMemory<T>::SaveFile(const wchar_t* file, DWORD flagsAndAttributes) const {
    BlockFile output(file, GENERIC_WRITE, 0, CREATE_ALWAYS, flagsAndAttributes);
    return output.IsValid() && output.Write(data, size) == ERROR_SUCCESS;
}

template <class T> void MMemory<T>::ReadFrom(HANDLE h) {
    BlockFile input(h);
    std::uint64_t fileSize = 0;
    if (!input.IsValid() || input.Size(fileSize) != ERROR_SUCCESS || fileSize > 0xFFFFFFFFu ||
        fileSize % sizeof(T) != 0) {
        Empty();
        return;
    }
    SetSize(static_cast<std::uint32_t>(fileSize));
    if (input.Seek(FILE_BEGIN) != ERROR_SUCCESS || input.Read(data, size) != ERROR_SUCCESS) {
        Empty();
    }
}

template <class T> void MMemory<T>::LoadFromResource(HMODULE m, const wchar_t* type, WORD id) {
    if (m == nullptr) {
        m = GetModuleHandleW(nullptr);
    }
    const HRSRC found = FindResourceW(m, MAKEINTRESOURCEW(id), type);
    const HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(m, found);
    const void* locked = loaded == nullptr ? nullptr : LockResource(loaded);
    const DWORD bytes = locked == nullptr ? 0 : SizeofResource(m, found);
    if (locked == nullptr || bytes % sizeof(T) != 0) {
        Empty();
        return;
    }
    AssignFrom(locked, MemUnits::FromBytes(bytes));
}

template <class T>
void MMemory<T>::LoadFromModuleResource(const wchar_t* file, const wchar_t* type, WORD id) {
    if (file == nullptr) {
        LoadFromResource(nullptr, type, id);
        return;
    }
    const MLibraryHandle module(LoadLibraryW(file));
    if (!module.IsValid()) {
        Empty();
        return;
    }
    LoadFromResource(module.Get(), type, id);
}

template <class T>
bool MMemory<T>::SaveToResource(const wchar_t* file, const wchar_t* type, WORD id,
                                WORD primaryLanguage, WORD subLanguage, BOOL deleteExisting) const {
    return SaveResourceBytes(file, type, id, MAKELANGID(primaryLanguage, subLanguage),
                             deleteExisting, data, SizeAsDword());
}

template <class T> long double MMemory<T>::Fingerprint() const {
    return ShellMemory<unsigned char>(MUnits(size), data).Fingerprint();
}

template <class T>
long double MMemory<T>::WindowSum(const unsigned char* bytes, std::uint64_t length) {
    long double sum = 0.0L;
    for (std::uint64_t i = 0; i < length; ++i) {
        sum += Term(bytes[i], i);
    }
    return sum;
}

template <class T>
void MMemory<T>::BlockChecksums(MMemory<double>& out, const MemUnits& blockUnits) const {
    const std::uint64_t blockBytes = blockUnits.Bytes();
    if (blockBytes == 0) {
        throw MUnitException(MUnitException::divisionByZero);
    }
    const std::uint64_t blocks = (size + blockBytes - 1) / blockBytes;
    out.SetCount(typename MMemory<double>::MemUnits(static_cast<std::uint32_t>(blocks)));
    for (std::uint64_t k = 0; k < blocks; ++k) {
        const std::uint64_t first = k * blockBytes;
        const std::uint64_t length = size - first < blockBytes ? size - first : blockBytes;
        const double sum = static_cast<double>(WindowSum(data + first, length));
        std::memcpy(out.data + k * sizeof(double), &sum, sizeof(double));
    }
}

template <class T>
bool MMemory<T>::VerifyBlockChecksums(const MMemory<double>& expected,
                                      const MemUnits& blockUnits) const {
    const std::unique_ptr<MMemory<double>> computed = expected.Clone();
    BlockChecksums(*computed, blockUnits);
    return *computed == expected;
}

template <class T>
typename MMemory<T>::ChecksumPlace
MMemory<T>::PlaceOf(const MemUnits& start, const MemUnits& length, const MemUnits& offset) {
    ChecksumPlace place;
    place.position = static_cast<std::uint64_t>(offset.value) * sizeof(T) + start.Bytes();
    place.windowStart = start.Bytes();
    place.windowLength = length.Bytes() + sizeof(double);
    return place;
}

template <class T>
bool MMemory<T>::VerifyAndRemoveChecksum(const MemUnits& start, const MemUnits& length,
                                         const MemUnits& offset) {
    const ChecksumPlace place = PlaceOf(start, length, offset);
    if (size < sizeof(double) || place.position + sizeof(double) > size ||
        place.windowStart + place.windowLength > size) {
        return false;
    }
    unsigned char* const at = data + place.position;
    double stored;
    std::memcpy(&stored, at, sizeof(double));
    std::memcpy(at, &checksumPlaceholder, sizeof(double));
    long double rest = stored;
    for (std::uint64_t i = place.windowLength; i-- > 0;) {
        rest -= Term(data[place.windowStart + i], i);
    }
    if (rest != 0.0L) {
        std::memcpy(at, &stored, sizeof(double));
        return false;
    }
    std::memmove(at, at + sizeof(double), size - place.position - sizeof(double));
    size -= sizeof(double);
    return true;
}
