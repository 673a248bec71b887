#pragma once

#include <windows.h>

#include <cstdint>

// The exceptions of the foundation library. They are plain values, thrown by value: no common base,
// no virtual functions and no text of their own, so a catcher names the exact class it handles.
// Second values that a throw site has nothing for are 0.

// Checked element-count arithmetic and conversions.
struct MUnitException {
    std::int32_t code;

    explicit MUnitException(std::int32_t code) : code(code) {}
};

// Memory blocks, their views and their file and resource operations.
struct MAtomException {
    std::int32_t code;
    DWORD win32Error;

    MAtomException(std::int32_t code, DWORD win32Error) : code(code), win32Error(win32Error) {}
};

// The cryptographic provider and the hash authenticator.
struct MCryptException {
    std::int32_t code;
    DWORD win32Error;

    explicit MCryptException(std::int32_t code, DWORD win32Error = 0)
        : code(code), win32Error(win32Error) {}
};

// A string-table entry or version-resource value that is missing or empty.
struct MStringExException {
    std::int32_t code;

    explicit MStringExException(std::int32_t code) : code(code) {}
};

// A dictionary insertion whose key is already present.
struct DictionaryException {
    std::int32_t code;

    explicit DictionaryException(std::int32_t code) : code(code) {}
};

// Access through an empty owning pointer.
struct MSmartPtrError {
    std::int32_t code;
    std::int32_t value;

    explicit MSmartPtrError(std::int32_t code, std::int32_t value = 0) : code(code), value(value) {}
};

// Text that cannot be read as a number; the message is a constant of the number reader.
struct NumericDataException {
    const wchar_t* message;

    explicit NumericDataException(const wchar_t* message) : message(message) {}
};
