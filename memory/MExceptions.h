#pragma once

#include <windows.h>

#include <cstdint>

// The exceptions of the foundation library. They are plain values, thrown by value: no common base,
// no virtual functions and no text of their own, so a catcher names the exact class it handles.
// Second values that a throw site has nothing for are 0.
//
// Each class names its codes in a nested enumeration, and its constructors take only those names,
// so a throw site says what failed and a bare number does not compile. The numbers are fixed: a
// catcher or a report may compare and show them. Where one number covers two meanings, each
// meaning has its own name with that number.

// Checked element-count arithmetic and conversions.
struct MUnitException {
    enum Code : std::int32_t {
        incrementOfLargest = 0,
        decrementOfZero = 1,
        additionOverflow = 2,
        subtractionBelowZero = 4,
        // An exact quotient was required, for example an odd byte count read as wide characters.
        inexactDivision = 5,
        divisionByZero = 6,
        // A count does not fit the 32-bit DWORD it is passed as.
        exceedsDword = 7,
    };

    std::int32_t code;

    explicit MUnitException(Code code) : code(code) {}
};

// Memory blocks, their views and their file and resource operations.
struct MAtomException {
    // Failures whose Win32 error follows from the code alone.
    enum Code : std::int32_t {
        // A buffer or data pointer is null.
        nullPointer = 0,
        // A position or count lies beyond the elements of a block.
        beyondElements = 1,
        // A view was asked to allocate or reallocate.
        viewAllocation = 2,
        // A file handle is invalid: ERROR_INVALID_HANDLE.
        invalidFileHandle = 3,
        // The request does not fit an owning block, or a view.
        wrongKindOfBlock = 5,
        // A size is not a whole number of elements.
        partialElement = 5,
        // A copy would write past the end of its destination.
        destinationOverrun = 6,
        // A copy or slice would read past the end of its source.
        sourceOverrun = 7,
        // ERROR_NOT_ENOUGH_MEMORY.
        heapExhausted = 8,
        // The heap failed in another way: ERROR_ACCESS_DENIED.
        heapFailed = 9,
        // Text that should be hexadecimal holds another character: ERROR_INVALID_DATA.
        notHexadecimal = 10,
    };

    // File failures that carry the error of the call that failed.
    enum FileCode : std::int32_t {
        fileNotOpened = 3,
        // Reading, writing or positioning a file failed; ERROR_WRITE_FAULT or ERROR_READ_FAULT
        // for a short write or read.
        fileOperationFailed = 4,
    };

    std::int32_t code;
    DWORD win32Error;

    explicit MAtomException(Code code) : code(code), win32Error(ErrorOf(code)) {}
    MAtomException(FileCode code, DWORD win32Error) : code(code), win32Error(win32Error) {}

private:
    static constexpr DWORD ErrorOf(Code code) {
        switch (code) {
        case invalidFileHandle:
            return ERROR_INVALID_HANDLE;
        case heapExhausted:
            return ERROR_NOT_ENOUGH_MEMORY;
        case heapFailed:
            return ERROR_ACCESS_DENIED;
        case notHexadecimal:
            return ERROR_INVALID_DATA;
        default:
            return 0;
        }
    }
};

// The cryptographic provider and the hash authenticator.
struct MCryptException {
    // Failures without a Win32 error.
    enum Code : std::int32_t {
        noProviderContext = 0,
        // Outside the allowed range, or not a multiple of the allowed step.
        invalidKeyLength = 7,
        unnamedHashAlgorithm = 15,
    };

    // Failures that carry GetLastError() of the call that failed.
    enum CallCode : std::int32_t {
        // A CryptoAPI call, or a file call made while hashing.
        callFailed = 8,
    };

    std::int32_t code;
    DWORD win32Error;

    explicit MCryptException(Code code) : code(code), win32Error(0) {}
    MCryptException(CallCode code, DWORD win32Error) : code(code), win32Error(win32Error) {}
};

// A string-table entry or version-resource value that is missing or empty.
struct MStringExException {
    enum Code : std::int32_t {
        missingOrEmpty = 0,
    };

    std::int32_t code;

    explicit MStringExException(Code code) : code(code) {}
};

// A dictionary insertion whose key is already present.
struct DictionaryException {
    enum Code : std::int32_t {
        duplicateKey = 2,
    };

    std::int32_t code;

    explicit DictionaryException(Code code) : code(code) {}
};

// Access through an empty owning pointer.
struct MSmartPtrError {
    enum Code : std::int32_t {
        emptyPointer = 0,
    };

    std::int32_t code;
    std::int32_t value;

    explicit MSmartPtrError(Code code) : code(code), value(0) {}
};

// Text that cannot be read as a number; the message is one of the texts below.
struct NumericDataException {
    static constexpr const wchar_t* binaryInvalid = L"Binary Data: Invalid Character.";
    static constexpr const wchar_t* octalInvalid = L"Octal Data: Invalid Character.";
    static constexpr const wchar_t* decimalInvalid = L"Decimal Data: Invalid Character.";
    static constexpr const wchar_t* hexadecimalInvalid = L"Hexadecimal Data: Invalid Character.";
    static constexpr const wchar_t* invalidBase = L"Invalid number base system.";

    const wchar_t* message;

    explicit NumericDataException(const wchar_t* message) : message(message) {}
};
