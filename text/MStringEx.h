#pragma once

#include "memory/MemoryPH.h"

#include <windows.h>

#include <cstdint>
#include <type_traits>

// The white-space set of the trimming operations, on one UTF-16 code unit.
inline bool IsWhiteSpace(wchar_t ch) {
    return (ch >= 0x0009 && ch <= 0x000D) || ch == 0x0020 || ch == 0x0085 || ch == 0x00A0 ||
           ch == 0x1680 || ch == 0x180E || (ch >= 0x2000 && ch <= 0x200A) || ch == 0x2028 ||
           ch == 0x2029 || ch == 0x202F || ch == 0x205F || ch == 0x3000;
}

// The string class: a heap block of characters that always ends in a zero terminator, so that its
// buffer can go to any Win32 function that takes a zero-terminated text. The buffer has exactly
// the element count; every change of length builds the result at its final size and exchanges it
// for the old buffer. numberBase is the radix in which ToUInt64 reads the text.
//
// T is wchar_t for all program text, char for the few texts in the ANSI code page.
template <class T> class MStringEx : public MemoryPH<T, 0> {
public:
    std::int32_t numberBase;

    MStringEx();
    MStringEx(const MStringEx& src);
    MStringEx(const T* text);

    // The view's characters up to its first zero, or all of them when it holds none.
    static MStringEx FromBuffer(ShellMemory<T> view);
    // A string of n characters to be filled in; the first and the last element are 0.
    static MStringEx WithLength(const MUnits& n);

    // Wide variant only. "%s" takes a wide text: an MStringEx<wchar_t> argument is passed as its
    // buffer, other arguments must be numbers or pointers.
    template <class... Args> static MStringEx Printf(const wchar_t* format, const Args&... args);
    // The string-table entry id of the program's own module.
    static MStringEx FromResource(UINT id);
    // The string-table entry id used as a Printf format.
    template <class... Args> static MStringEx FormatResource(UINT id, const Args&... args);
    // Decimal digits with "," between groups of three.
    static MStringEx FromUInt64Grouped(std::uint64_t value);
    // A value of the version resource of the program's own file; MStringExException 0 when the
    // key is not there.
    static MStringEx FromVersionInfo(const wchar_t* key);
    // The system's text for a Win32 error code without surrounding white space, or "Unknown.".
    static MStringEx FromSystemError(DWORD code);
    static MStringEx FromLastError();

    bool IsEmpty() const override { return this->count == 1; }
    MStringEx& Clear() override;

    // The block operations that take raw elements keep the terminator: the string becomes the
    // elements up to the first zero, followed by a terminator, so an empty or unterminated source
    // gives the empty or the whole text. numberBase is kept. A failed load leaves the empty
    // string; a failed read leaves the text as it was.
    MStringEx& operator=(const MAtom<T>& src) override;
    MStringEx& operator=(const MemoryPH<T, 0>& src) override;
    MStringEx& AssignFrom(const MAtom<T>& src) override;
    // The content is lost, as for any block: n zero elements, that is the empty string.
    MStringEx& SetCount(const MUnits& n) override;
    // The first n elements, as above; n above the count throws MAtomException (1, 0).
    MStringEx& Truncate(const MUnits& n) override;
    void LoadFromResource(HMODULE module, const wchar_t* type, WORD id) override;
    void LoadFile(const wchar_t* file, const MUnits& maxCount, HANDLE* keepOpen) override;
    void LoadFile(const wchar_t* file, HANDLE& handle) override;
    void LoadFile(const wchar_t* file) override;
    void ReadFrom(HANDLE& handle) override;

    // Write the text to a file, with or without its terminator; MAtomException when the file
    // cannot be opened or written. AppendToFile creates a missing file and writes at its end.
    virtual bool AppendToFile(const wchar_t* path, bool withTerminator);
    virtual bool SaveToFile(const wchar_t* path, bool withTerminator, DWORD creationDisposition,
                            DWORD flagsAndAttributes);

    // Copies the text and numberBase; between strings of equal count nothing is allocated.
    MStringEx& operator=(const MStringEx& src);
    // Takes a new text and keeps numberBase; null gives the empty string.
    MStringEx& Assign(const T* text);
    // The text up to the first zero of the buffer.
    MStringEx CutAtNul() const;

    MStringEx& Append(const MStringEx& other);

    friend MStringEx operator+(const MStringEx& a, const MStringEx& b) { return Concat(a, b); }
    friend MStringEx operator+(const MStringEx& a, const T* text) {
        return text == nullptr ? MStringEx(a) : Concat(a, TextView(text));
    }
    friend MStringEx operator+(const T* text, const MStringEx& b) {
        return text == nullptr ? MStringEx(b) : Concat(TextView(text), b);
    }

    // Equal when the texts are equal after folding A-Z and a-z, and the number bases are equal.
    static bool EqualsNoCase(const MStringEx& a, const MStringEx& b);

    MUnits Length() const { return this->count - 1; }

    // Searches give the index of the match or -1.
    std::int64_t Find(const MStringEx& needle) const;
    std::int64_t FindCharNoCase(T ch, const MUnits& start) const;

    MStringEx Left(const MUnits& n) const;
    MStringEx Right(const MUnits& n) const;
    MStringEx LeftOfChar(T ch) const;
    MStringEx AfterSecondSlash() const;
    MStringEx Extension() const;

    MStringEx& TrimLeft();
    MStringEx& TrimRight();
    MStringEx& Trim();
    MStringEx& TrimLeft(T ch);
    MStringEx& TrimRight(T ch);
    MStringEx& Trim(T ch);

    // Puts separator between groups of three characters, counted from the right.
    MStringEx& InsertGroupSeparators(const MStringEx& separator);

    // Reads the whole text as a number in numberBase. False with 0 for invalid text or radix,
    // false with all bits set when the value needs more than 64 bits.
    bool ToUInt64(std::uint64_t& out) const;
    // The value of one digit in radix 2, 8, 10 or 16; NumericDataException otherwise.
    static std::uint32_t DigitValue(T ch, std::int32_t radix);

private:
    struct Unset {};
    MStringEx(Unset, const MUnits& count) : MemoryPH<T, 0>(count), numberBase(10) {}

    static MStringEx Format(const wchar_t* format, ...);

    template <class A> static auto PrintfArgument(const A& argument);

    static MUnits TextLength(const T* text);
    static ShellMemory<T> TextView(const T* text);
    static MStringEx Concat(const MAtom<T>& a, const MAtom<T>& b);

    static wchar_t CodeUnit(T ch) {
        return static_cast<wchar_t>(static_cast<std::make_unsigned_t<T>>(ch));
    }
    static T FoldLower(T ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<T>(ch + 32) : ch; }
    static T FoldUpper(T ch) { return ch >= 'a' && ch <= 'z' ? static_cast<T>(ch - 32) : ch; }
    void FoldBufferLower();
    void FoldBufferUpper();

    template <class Removable> MStringEx& TrimLeftWhere(Removable removable);
    template <class Removable> MStringEx& TrimRightWhere(Removable removable);
    void TakeBuffer(MStringEx& other) { Swap<T>(*this, other); }
    // The one rule by which raw elements become a string; see the block operations above.
    void TakeElements(const MAtom<T>& raw);
    // Index of the first zero element, or the count when there is none.
    std::uint32_t TextEnd() const;
};

// Exchanging buffers with a block that is not a string would leave the string without its
// terminator; strings exchange only with strings.
template <class T> void Swap(MStringEx<T>& a, MStringEx<T>& b) {
    Swap<T>(static_cast<MAtom<T>&>(a), static_cast<MAtom<T>&>(b));
}
template <class T> void Swap(MStringEx<T>& a, MAtom<T>& b) = delete;
template <class T> void Swap(MAtom<T>& a, MStringEx<T>& b) = delete;

template <> MStringEx<wchar_t> MStringEx<wchar_t>::Format(const wchar_t* format, ...);
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromResource(UINT id);
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromUInt64Grouped(std::uint64_t value);
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromVersionInfo(const wchar_t* key);
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromSystemError(DWORD code);
template <> MStringEx<wchar_t> MStringEx<wchar_t>::FromLastError();

// The key comparison of a Dictionary of texts, which finds it by the key type: texts that differ
// in letter case or in their number base are different keys.
template <class T> bool SameKey(const MStringEx<T>& a, const MStringEx<T>& b) {
    return a == b && a.numberBase == b.numberBase;
}

template <class T> MStringEx<T>::MStringEx() : MemoryPH<T, 0>(1), numberBase(10) {
    this->data[0] = 0;
}

template <class T>
MStringEx<T>::MStringEx(const MStringEx& src) : MemoryPH<T, 0>(src), numberBase(src.numberBase) {}

template <class T>
MStringEx<T>::MStringEx(const T* text)
    : MemoryPH<T, 0>(text == nullptr ? MUnits(1) : TextLength(text) + 1), numberBase(10) {
    if (text == nullptr) {
        this->data[0] = 0;
    } else {
        this->CopyFrom(TextView(text));
    }
}

template <class T> MUnits MStringEx<T>::TextLength(const T* text) {
    std::size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    // The count includes the terminator, so the largest count leaves no room for a character.
    if (n >= 0xFFFFFFFFu) {
        throw MUnitException(MUnitException::additionOverflow);
    }
    return MUnits(static_cast<std::uint32_t>(n));
}

// The text with its terminator, read in place.
template <class T> ShellMemory<T> MStringEx<T>::TextView(const T* text) {
    return ShellMemory<T>(TextLength(text) + 1, const_cast<T*>(text));
}

template <class T> MStringEx<T> MStringEx<T>::FromBuffer(ShellMemory<T> view) {
    MUnits n;
    while (n < view.count && view.data[n.Value()] != 0) {
        ++n;
    }
    MStringEx result = WithLength(n);
    result.CopyRange(0, view, 0, n);
    return result;
}

template <class T> MStringEx<T> MStringEx<T>::WithLength(const MUnits& n) {
    MStringEx result(Unset(), n + 1);
    result.data[0] = 0;
    result.data[n.Value()] = 0;
    return result;
}

template <class T> bool MStringEx<T>::AppendToFile(const wchar_t* path, bool withTerminator) {
    if (withTerminator) {
        return this->AppendFile(path);
    }
    ShellMemory<T> text(Length(), this->data);
    return text.AppendFile(path);
}

template <class T>
bool MStringEx<T>::SaveToFile(const wchar_t* path, bool withTerminator, DWORD creationDisposition,
                              DWORD flagsAndAttributes) {
    if (withTerminator) {
        return this->SaveFileEx(path, creationDisposition, flagsAndAttributes, nullptr);
    }
    ShellMemory<T> text(Length(), this->data);
    return text.SaveFileEx(path, creationDisposition, flagsAndAttributes, nullptr);
}

template <class T> MStringEx<T>& MStringEx<T>::Clear() {
    MemoryPH<T, 0>::SetCount(1);
    this->data[0] = 0;
    numberBase = 10;
    return *this;
}

template <class T> std::uint32_t MStringEx<T>::TextEnd() const {
    std::uint32_t n = 0;
    while (n < this->count.Value() && this->data[n] != 0) {
        ++n;
    }
    return n;
}

template <class T> void MStringEx<T>::TakeElements(const MAtom<T>& raw) {
    MStringEx text = raw.count == 0 ? MStringEx() : FromBuffer(ShellMemory<T>(raw.count, raw.data));
    TakeBuffer(text);
}

template <class T> MStringEx<T>& MStringEx<T>::operator=(const MAtom<T>& src) {
    return AssignFrom(src);
}

template <class T> MStringEx<T>& MStringEx<T>::operator=(const MemoryPH<T, 0>& src) {
    return AssignFrom(src);
}

template <class T> MStringEx<T>& MStringEx<T>::AssignFrom(const MAtom<T>& src) {
    if (&src != this) {
        TakeElements(src);
    }
    return *this;
}

template <class T> MStringEx<T>& MStringEx<T>::SetCount(const MUnits&) {
    MStringEx empty;
    TakeBuffer(empty);
    return *this;
}

template <class T> MStringEx<T>& MStringEx<T>::Truncate(const MUnits& n) {
    if (n > this->count) {
        throw MAtomException(MAtomException::beyondElements);
    }
    TakeElements(ShellMemory<T>(n, this->data));
    return *this;
}

// Raw elements are loaded into a plain block and then taken by the string's rule. The string is
// emptied first, so that a failed load leaves it empty as it leaves any block.
template <class T>
void MStringEx<T>::LoadFromResource(HMODULE module, const wchar_t* type, WORD id) {
    MemoryPH<T, 0> raw;
    SetCount(0);
    raw.LoadFromResource(module, type, id);
    TakeElements(raw);
}

template <class T>
void MStringEx<T>::LoadFile(const wchar_t* file, const MUnits& maxCount, HANDLE* keepOpen) {
    MemoryPH<T, 0> raw;
    SetCount(0);
    raw.LoadFile(file, maxCount, keepOpen);
    TakeElements(raw);
}

template <class T> void MStringEx<T>::LoadFile(const wchar_t* file, HANDLE& handle) {
    MemoryPH<T, 0> raw;
    SetCount(0);
    raw.LoadFile(file, handle);
    TakeElements(raw);
}

template <class T> void MStringEx<T>::LoadFile(const wchar_t* file) {
    MemoryPH<T, 0> raw;
    SetCount(0);
    raw.LoadFile(file);
    TakeElements(raw);
}

// Reads as many elements as the string has, terminator included, or the rest of the file.
template <class T> void MStringEx<T>::ReadFrom(HANDLE& handle) {
    MemoryPH<T, 0> raw(this->count);
    raw.ReadFrom(handle);
    TakeElements(raw);
}

// A new buffer is obtained before the old one goes, so a failed allocation leaves the old text.
template <class T> MStringEx<T>& MStringEx<T>::operator=(const MStringEx& src) {
    if (&src != this) {
        if (this->count != src.count) {
            MemoryPH<T, 0>::SetCount(src.count);
        }
        this->CopyFrom(src);
        numberBase = src.numberBase;
    }
    return *this;
}

template <class T> MStringEx<T>& MStringEx<T>::Assign(const T* text) {
    MStringEx other(text);
    TakeBuffer(other);
    return *this;
}

template <class T> MStringEx<T> MStringEx<T>::CutAtNul() const {
    return FromBuffer(ShellMemory<T>(this->count, this->data));
}

template <class T> MStringEx<T> MStringEx<T>::Concat(const MAtom<T>& a, const MAtom<T>& b) {
    const MUnits aLength = a.count - 1;
    MStringEx result = WithLength(aLength + (b.count - 1));
    result.CopyFrom(a);
    result.PutAt(aLength, b);
    return result;
}

template <class T> MStringEx<T>& MStringEx<T>::Append(const MStringEx& other) {
    MStringEx result = Concat(*this, other);
    TakeBuffer(result);
    return *this;
}

template <class T> void MStringEx<T>::FoldBufferLower() {
    for (std::uint32_t i = 0; i < this->count.Value(); ++i) {
        this->data[i] = FoldLower(this->data[i]);
    }
}

template <class T> void MStringEx<T>::FoldBufferUpper() {
    for (std::uint32_t i = 0; i < this->count.Value(); ++i) {
        this->data[i] = FoldUpper(this->data[i]);
    }
}

template <class T> bool MStringEx<T>::EqualsNoCase(const MStringEx& a, const MStringEx& b) {
    if (a.Length() != b.Length()) {
        return false;
    }
    MStringEx upperA(a);
    MStringEx upperB(b);
    upperA.FoldBufferUpper();
    upperB.FoldBufferUpper();
    return upperA == upperB && a.numberBase == b.numberBase;
}

template <class T> std::int64_t MStringEx<T>::Find(const MStringEx& needle) const {
    const std::uint32_t length = Length().Value();
    const std::uint32_t needleLength = needle.Length().Value();
    if (length == 0 || needleLength > length) {
        return -1;
    }
    for (std::uint32_t p = 0; p <= length - needleLength; ++p) {
        std::uint32_t matched = 0;
        while (matched < needleLength && this->data[p + matched] == needle.data[matched]) {
            ++matched;
        }
        if (matched == needleLength) {
            return p;
        }
    }
    return -1;
}

// The scan also stops at the end of the buffer, so a start beyond the text finds nothing.
template <class T> std::int64_t MStringEx<T>::FindCharNoCase(T ch, const MUnits& start) const {
    const T wanted = FoldLower(ch);
    MStringEx lower(*this);
    lower.FoldBufferLower();
    const std::uint32_t length = Length().Value();
    for (std::uint32_t i = start.Value(); i < length && lower.data[i] != 0; ++i) {
        if (lower.data[i] == wanted) {
            return i;
        }
    }
    return -1;
}

template <class T> MStringEx<T> MStringEx<T>::Left(const MUnits& n) const {
    const MUnits m = MUnits::Min(n, Length());
    MStringEx result = WithLength(m);
    result.CopyRange(0, ShellMemory<T>(this->count, this->data), 0, m);
    return result;
}

template <class T> MStringEx<T> MStringEx<T>::Right(const MUnits& n) const {
    const MUnits length = Length();
    const MUnits m = MUnits::Min(n, length);
    MStringEx result = WithLength(m);
    result.CopyRange(0, ShellMemory<T>(this->count, this->data), length - m, m);
    return result;
}

// The scans below stop at the first zero and never pass the end of the buffer.
template <class T> MStringEx<T> MStringEx<T>::LeftOfChar(T ch) const {
    const std::uint32_t end = TextEnd();
    std::uint32_t n = 0;
    while (n < end && this->data[n] != ch) {
        ++n;
    }
    return Left(n);
}

// Without a second '/' the count wraps to the largest value, and Right gives the whole text.
template <class T> MStringEx<T> MStringEx<T>::AfterSecondSlash() const {
    const std::uint32_t end = TextEnd();
    std::uint32_t i = 0;
    std::uint32_t slashes = 0;
    while (i < end) {
        if (this->data[i] == '/' && ++slashes == 2) {
            break;
        }
        ++i;
    }
    return Right(Length().Value() - i - 1);
}

// Folders are not told apart from the file name: a dot anywhere counts.
template <class T> MStringEx<T> MStringEx<T>::Extension() const {
    std::uint32_t lastDot = 0;
    bool found = false;
    const std::uint32_t end = TextEnd();
    for (std::uint32_t i = 0; i < end; ++i) {
        if (this->data[i] == '.') {
            lastDot = i;
            found = true;
        }
    }
    if (!found) {
        return MStringEx();
    }
    return Right(Length() - lastDot - 1);
}

template <class T>
template <class Removable>
MStringEx<T>& MStringEx<T>::TrimLeftWhere(Removable removable) {
    const MUnits length = Length();
    std::uint32_t i = 0;
    while (i < length.Value() && removable(this->data[i])) {
        ++i;
    }
    if (i != 0) {
        MStringEx rest = Right(length - i);
        TakeBuffer(rest);
    }
    return *this;
}

template <class T>
template <class Removable>
MStringEx<T>& MStringEx<T>::TrimRightWhere(Removable removable) {
    const MUnits length = Length();
    std::uint32_t j = 0;
    while (j < length.Value() && removable(this->data[length.Value() - 1 - j])) {
        ++j;
    }
    if (j != 0) {
        MStringEx rest = Left(length - j);
        TakeBuffer(rest);
    }
    return *this;
}

template <class T> MStringEx<T>& MStringEx<T>::TrimLeft() {
    return TrimLeftWhere([](T c) { return IsWhiteSpace(CodeUnit(c)); });
}

template <class T> MStringEx<T>& MStringEx<T>::TrimRight() {
    return TrimRightWhere([](T c) { return IsWhiteSpace(CodeUnit(c)); });
}

template <class T> MStringEx<T>& MStringEx<T>::Trim() {
    TrimLeft();
    return TrimRight();
}

template <class T> MStringEx<T>& MStringEx<T>::TrimLeft(T ch) {
    return TrimLeftWhere([ch](T c) { return c == ch; });
}

template <class T> MStringEx<T>& MStringEx<T>::TrimRight(T ch) {
    return TrimRightWhere([ch](T c) { return c == ch; });
}

template <class T> MStringEx<T>& MStringEx<T>::Trim(T ch) {
    TrimLeft(ch);
    return TrimRight(ch);
}

template <class T> MStringEx<T>& MStringEx<T>::InsertGroupSeparators(const MStringEx& separator) {
    const MUnits length = Length();
    const MUnits separatorLength = separator.Length();
    if (length.Value() <= 3 || separatorLength == 0) {
        return *this;
    }
    const std::uint32_t groups = (length.Value() - 1) / 3;
    const std::uint64_t newLength =
        length.Value() + static_cast<std::uint64_t>(groups) * separatorLength.Value();
    if (newLength > 0xFFFFFFFFu) {
        throw MUnitException(MUnitException::additionOverflow);
    }
    MStringEx result = WithLength(static_cast<std::uint32_t>(newLength));
    const ShellMemory<T> separatorText(separatorLength, separator.data);
    const MUnits three = 3;
    MUnits to;
    MUnits from;
    result.Copy(to, true, *this, from, true, (length.Value() - 1) % 3 + 1);
    result.Put(to, true, separatorText);
    for (std::uint32_t g = 1; g < groups; ++g) {
        result.Copy(to, true, *this, from, true, three);
        result.Put(to, true, separatorText);
    }
    result.Copy(to, true, *this, from, true, three);
    TakeBuffer(result);
    return *this;
}

template <class T> std::uint32_t MStringEx<T>::DigitValue(T ch, std::int32_t radix) {
    switch (radix) {
    case 2:
        if (ch == '0' || ch == '1') {
            return static_cast<std::uint32_t>(ch - '0');
        }
        throw NumericDataException(NumericDataException::binaryInvalid);
    case 8:
        if (ch >= '0' && ch <= '7') {
            return static_cast<std::uint32_t>(ch - '0');
        }
        throw NumericDataException(NumericDataException::octalInvalid);
    case 10:
        if (ch >= '0' && ch <= '9') {
            return static_cast<std::uint32_t>(ch - '0');
        }
        throw NumericDataException(NumericDataException::decimalInvalid);
    case 16:
        if (ch >= '0' && ch <= '9') {
            return static_cast<std::uint32_t>(ch - '0');
        }
        if (ch >= 'A' && ch <= 'F') {
            return static_cast<std::uint32_t>(ch - 'A' + 10);
        }
        if (ch >= 'a' && ch <= 'f') {
            return static_cast<std::uint32_t>(ch - 'a' + 10);
        }
        throw NumericDataException(NumericDataException::hexadecimalInvalid);
    default:
        throw NumericDataException(NumericDataException::invalidBase);
    }
}

// The text is read from its last character back, with the exact place value of each digit: zeros
// never overflow, however far to the left they stand, and any other digit overflows as soon as
// its place lies beyond 64 bits.
template <class T> bool MStringEx<T>::ToUInt64(std::uint64_t& out) const {
    const std::uint64_t largest = ~std::uint64_t(0);
    out = 0;
    try {
        const std::uint32_t length = Length().Value();
        std::uint64_t place = 1;
        bool placeBeyond64Bits = false;
        for (std::uint32_t i = 0; i < length; ++i) {
            const std::uint32_t digit = DigitValue(this->data[length - 1 - i], numberBase);
            if (digit != 0) {
                if (placeBeyond64Bits || place > largest / digit || out > largest - digit * place) {
                    out = largest;
                    return false;
                }
                out += digit * place;
            }
            const std::uint64_t radix = static_cast<std::uint64_t>(numberBase);
            if (place > largest / radix) {
                placeBeyond64Bits = true;
            } else {
                place *= radix;
            }
        }
        return true;
    } catch (...) {
        out = 0;
        return false;
    }
}

template <class T> template <class A> auto MStringEx<T>::PrintfArgument(const A& argument) {
    if constexpr (std::is_same_v<A, MStringEx<wchar_t>>) {
        return static_cast<const wchar_t*>(argument.data);
    } else {
        using Passed = std::decay_t<const A>;
        static_assert(std::is_arithmetic_v<Passed> || std::is_enum_v<Passed> ||
                          std::is_pointer_v<Passed>,
                      "Printf takes strings, numbers and pointers");
        return static_cast<Passed>(argument);
    }
}

template <class T>
template <class... Args>
MStringEx<T> MStringEx<T>::Printf(const wchar_t* format, const Args&... args) {
    static_assert(std::is_same_v<T, wchar_t>, "formatting makes wide text");
    return Format(format, PrintfArgument(args)...);
}

template <class T>
template <class... Args>
MStringEx<T> MStringEx<T>::FormatResource(UINT id, const Args&... args) {
    static_assert(std::is_same_v<T, wchar_t>, "formatting makes wide text");
    const MStringEx format = FromResource(id);
    return Format(format.data, PrintfArgument(args)...);
}
