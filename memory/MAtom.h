#pragma once

#include "memory/BlockPersistence.h"
#include "memory/MExceptions.h"
#include "memory/MUnits.h"

#include <windows.h>

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

    // Resources hold raw images of the elements. Loading needs an owning block; a resource that is
    // missing, cannot be loaded or is not a whole number of elements leaves the block empty.
    virtual void LoadFromResource(HMODULE module, const wchar_t* type, WORD id);
    virtual void LoadFromModuleResource(const wchar_t* moduleFile, const wchar_t* type, WORD id);
    virtual void LoadFromOwnResource(const wchar_t* type, WORD id);
    virtual bool SaveToResource(const wchar_t* moduleFile, const wchar_t* type, WORD id,
                                WORD primaryLanguage, WORD subLanguage, BOOL deleteExisting);

    // Moves a view over the memory it points into.
    virtual MAtom& Shift(const MUnits& n, bool forward, bool keepCount);
    virtual MAtom& Truncate(const MUnits& n);

    // Files hold raw images of the elements: count * sizeof(T) bytes, nothing added. Failures
    // throw MAtomException 3 (no usable handle) or 4 (I/O, with the Win32 error), except where an
    // error pointer is given.
    virtual bool SaveFile(const wchar_t* file, DWORD flagsAndAttributes, DWORD* error);
    virtual bool SaveFileEx(const wchar_t* file, DWORD creationDisposition,
                            DWORD flagsAndAttributes, DWORD* error);
    virtual void WriteFromStart(HANDLE file);
    virtual bool AppendTo(HANDLE file);
    virtual bool AppendFile(const wchar_t* file);
    virtual bool WriteTo(HANDLE file);

    // Loading sizes an owning block from the file and empties it again on any failure.
    virtual void LoadFile(const wchar_t* file, const MUnits& maxCount, HANDLE* keepOpen);
    virtual void LoadFile(const wchar_t* file, HANDLE& handle);
    virtual void LoadFile(const wchar_t* file);
    virtual void ReadFrom(HANDLE& handle);

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
    void RequireData() const;
    void Load(const wchar_t* file, const MUnits& maxCount, HANDLE* keepOpen, bool openErrorKept,
              bool wholeFile);
    static void ThrowIfFailed(DWORD error);
};

template <class T> bool MAtom<T>::operator==(const MAtom& src) const {
    if (count != src.count) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (data == nullptr || src.data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
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
        throw MAtomException(MAtomException::destinationOverrun);
    }
    if (srcPos + n > src.count) {
        throw MAtomException(MAtomException::sourceOverrun);
    }
    if (data == nullptr || src.data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
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
        throw MAtomException(MAtomException::wrongKindOfBlock);
    }
    if (data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    const MUnits length = n;
    if (forward) {
        if (!keepCount) {
            if (length > count) {
                throw MAtomException(MAtomException::beyondElements);
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
        throw MAtomException(MAtomException::beyondElements);
    }
    count = n;
    return *this;
}

template <class T> long double MAtom<T>::Fingerprint() const {
    const std::uint64_t size = count.ByteCount<T>();
    if (size != 0 && data == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    long double sum = 0.0L;
    for (std::uint64_t i = 0; i < size; ++i) {
        const long double position = static_cast<long double>(i);
        sum += (position + bytes[i]) / (position + 256.0L);
    }
    return sum;
}

template <class T> void MAtom<T>::RequireData() const {
    if (data == nullptr && count != 0) {
        throw MAtomException(MAtomException::nullPointer);
    }
}

template <class T> void MAtom<T>::ThrowIfFailed(DWORD error) {
    if (error != ERROR_SUCCESS) {
        throw MAtomException(MAtomException::fileOperationFailed, error);
    }
}

template <class T> void MAtom<T>::LoadFromResource(HMODULE module, const wchar_t* type, WORD id) {
    if (!IsOwner()) {
        throw MAtomException(MAtomException::wrongKindOfBlock);
    }
    if (type == nullptr) {
        throw MAtomException(MAtomException::nullPointer);
    }
    Clear();
    if (module == nullptr) {
        return;
    }
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) {
        return;
    }
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) {
        return;
    }
    T* locked = static_cast<T*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    if (locked == nullptr || size % sizeof(T) != 0) {
        return;
    }
    AssignFrom(ShellMemory<T>(MUnits::FromByteCount<T>(size), locked));
}

template <class T>
void MAtom<T>::LoadFromModuleResource(const wchar_t* moduleFile, const wchar_t* type, WORD id) {
    const MLibraryHandle module(LoadLibraryW(moduleFile));
    LoadFromResource(module.Get(), type, id);
}

template <class T> void MAtom<T>::LoadFromOwnResource(const wchar_t* type, WORD id) {
    LoadFromResource(GetModuleHandleW(nullptr), type, id);
}

template <class T>
bool MAtom<T>::SaveToResource(const wchar_t* moduleFile, const wchar_t* type, WORD id,
                              WORD primaryLanguage, WORD subLanguage, BOOL deleteExisting) {
    RequireData();
    const DWORD size = MUnits::ToDword(count.ByteCount<T>());
    return SaveResourceBytes(moduleFile, type, id,
                             static_cast<WORD>(MAKELANGID(primaryLanguage, subLanguage)),
                             deleteExisting, data, size);
}

template <class T>
bool MAtom<T>::SaveFile(const wchar_t* file, DWORD flagsAndAttributes, DWORD* error) {
    return SaveFileEx(file, CREATE_ALWAYS, flagsAndAttributes, error);
}

// With an error pointer nothing is thrown: *error receives ERROR_SUCCESS or the reason of the
// failure (ERROR_WRITE_FAULT for a short write, ERROR_INVALID_PARAMETER for a cleared view that
// claims elements, for which no file is opened).
template <class T>
bool MAtom<T>::SaveFileEx(const wchar_t* file, DWORD creationDisposition, DWORD flagsAndAttributes,
                          DWORD* error) {
    if (error != nullptr && data == nullptr && count != 0) {
        *error = ERROR_INVALID_PARAMETER;
        return false;
    }
    RequireData();
    BlockFile target(file, GENERIC_WRITE, 0, creationDisposition, flagsAndAttributes);
    const DWORD result =
        target.IsValid() ? target.Write(data, count.ByteCount<T>()) : target.OpenError();
    if (error != nullptr) {
        *error = result;
        return result == ERROR_SUCCESS;
    }
    ThrowIfFailed(result);
    return true;
}

template <class T> void MAtom<T>::WriteFromStart(HANDLE file) {
    BlockFile target(file);
    if (!target.IsValid()) {
        throw MAtomException(MAtomException::invalidFileHandle);
    }
    RequireData();
    ThrowIfFailed(target.Seek(FILE_BEGIN));
    ThrowIfFailed(target.Write(data, count.ByteCount<T>()));
}

template <class T> bool MAtom<T>::AppendTo(HANDLE file) {
    BlockFile target(file);
    if (!target.IsValid()) {
        throw MAtomException(MAtomException::invalidFileHandle);
    }
    RequireData();
    ThrowIfFailed(target.Seek(FILE_END));
    ThrowIfFailed(target.Write(data, count.ByteCount<T>()));
    return true;
}

template <class T> bool MAtom<T>::AppendFile(const wchar_t* file) {
    BlockFile target(file, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (!target.IsValid()) {
        throw MAtomException(MAtomException::invalidFileHandle);
    }
    return AppendTo(target.Handle());
}

template <class T> bool MAtom<T>::WriteTo(HANDLE file) {
    BlockFile target(file);
    if (!target.IsValid()) {
        throw MAtomException(MAtomException::invalidFileHandle);
    }
    RequireData();
    ThrowIfFailed(target.Write(data, count.ByteCount<T>()));
    return true;
}

template <class T>
void MAtom<T>::LoadFile(const wchar_t* file, const MUnits& maxCount, HANDLE* keepOpen) {
    Load(file, maxCount, keepOpen, true, false);
}

template <class T> void MAtom<T>::LoadFile(const wchar_t* file, HANDLE& handle) {
    Load(file, 0xFFFFFFFFu, &handle, false, true);
}

template <class T> void MAtom<T>::LoadFile(const wchar_t* file) {
    Load(file, 0xFFFFFFFFu, nullptr, false, true);
}

// The block is emptied before the file is opened, so every failure leaves it empty. A handle
// that the caller asked to keep is handed over only when the whole load succeeded; on failure the
// file is closed and the caller's variable holds INVALID_HANDLE_VALUE.
// A whole-file load of a file with more elements than a block can count throws MUnitException 7;
// a load bounded by maxCount takes the first maxCount elements of any file.
template <class T>
void MAtom<T>::Load(const wchar_t* file, const MUnits& maxCount, HANDLE* keepOpen,
                    bool openErrorKept, bool wholeFile) {
    if (!IsOwner()) {
        throw MAtomException(MAtomException::wrongKindOfBlock);
    }
    const MUnits most = maxCount;
    if (keepOpen != nullptr) {
        const MKernelHandle previous(*keepOpen);
        *keepOpen = INVALID_HANDLE_VALUE;
    }
    Clear();
    BlockFile source(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (!source.IsValid()) {
        if (openErrorKept) {
            throw MAtomException(MAtomException::fileNotOpened, source.OpenError());
        }
        throw MAtomException(MAtomException::invalidFileHandle);
    }
    std::uint64_t fileSize = 0;
    ThrowIfFailed(source.Size(fileSize));
    if (fileSize % sizeof(T) != 0) {
        throw MAtomException(MAtomException::partialElement);
    }
    // Compared in 64 bits: a file of 4 GiB or more must not pass for its low 32 bits.
    const std::uint64_t elements = fileSize / sizeof(T);
    if (wholeFile && elements > most.Value()) {
        throw MUnitException(MUnitException::exceedsDword);
    }
    SetCount(elements < most.Value() ? MUnits::FromSize(elements) : most);
    const DWORD error = source.Read(data, count.ByteCount<T>());
    if (error != ERROR_SUCCESS) {
        Clear();
        throw MAtomException(MAtomException::fileOperationFailed, error);
    }
    if (keepOpen != nullptr) {
        *keepOpen = source.Release();
    }
}

// When less than the block remains in the file, an owning block shrinks to the rest and a view is
// truncated to it; a failed read leaves whatever was read.
template <class T> void MAtom<T>::ReadFrom(HANDLE& handle) {
    BlockFile source(handle);
    if (!source.IsValid()) {
        throw MAtomException(MAtomException::invalidFileHandle);
    }
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    ThrowIfFailed(source.Size(size));
    ThrowIfFailed(source.Position(position));
    const std::uint64_t remaining = position < size ? size - position : 0;
    if (remaining < count.ByteCount<T>()) {
        if (remaining % sizeof(T) != 0) {
            throw MAtomException(MAtomException::partialElement);
        }
        const MUnits rest = MUnits::FromSize(remaining / sizeof(T));
        if (IsOwner()) {
            SetCount(rest);
        } else {
            Truncate(rest);
        }
    }
    RequireData();
    ThrowIfFailed(source.Read(data, count.ByteCount<T>()));
}

// Exchanges the buffers of two blocks of the same kind; heaps stay, every owning block uses the
// process heap.
template <class T> void Swap(MAtom<T>& a, MAtom<T>& b) {
    if (a.IsShell() != b.IsShell()) {
        throw MAtomException(MAtomException::wrongKindOfBlock);
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
