#pragma once

#include "memory/MemoryPH.h"
#include "memory/ShellMemory.h"

#include <gtest/gtest.h>

#include <string>

// What an operation is expected to do: succeed, or throw one of the two block exceptions.
struct Outcome {
    enum Kind { Success, Unit, Atom };
    Kind kind;
    int code;
    DWORD win32Error;

    static Outcome Ok() { return {Success, 0, 0}; }
    static Outcome UnitError(int code) { return {Unit, code, 0}; }
    static Outcome AtomError(int code, DWORD error = 0) { return {Atom, code, error}; }
};

template <class F> void ExpectOutcome(const Outcome& expected, F operation) {
    try {
        operation();
        EXPECT_EQ(Outcome::Success, expected.kind) << "no exception was thrown";
    } catch (const MUnitException& e) {
        EXPECT_EQ(Outcome::Unit, expected.kind) << "MUnitException " << e.code;
        EXPECT_EQ(expected.code, e.code);
    } catch (const MAtomException& e) {
        EXPECT_EQ(Outcome::Atom, expected.kind) << "MAtomException " << e.code;
        EXPECT_EQ(expected.code, e.code);
        EXPECT_EQ(expected.win32Error, e.win32Error);
    }
}

template <class F> void ExpectAtomError(int code, DWORD error, F operation) {
    ExpectOutcome(Outcome::AtomError(code, error), operation);
}

template <class F> void ExpectUnitError(int code, F operation) {
    ExpectOutcome(Outcome::UnitError(code), operation);
}

inline MemoryPH<char, 0> CharBlock(const std::string& text) {
    MemoryPH<char, 0> block(MUnits::FromSize(text.size()));
    if (!text.empty()) {
        text.copy(block.data, text.size());
    }
    return block;
}

inline MemoryPH<unsigned char, 0> ByteBlock(const std::string& bytes) {
    MemoryPH<unsigned char, 0> block(MUnits::FromSize(bytes.size()));
    if (!bytes.empty()) {
        bytes.copy(reinterpret_cast<char*>(block.data), bytes.size());
    }
    return block;
}

inline MemoryPH<wchar_t, 0> WideBlock(const std::wstring& text) {
    MemoryPH<wchar_t, 0> block(MUnits::FromSize(text.size()));
    if (!text.empty()) {
        text.copy(block.data, text.size());
    }
    return block;
}

template <class T> std::string Text(const MAtom<T>& block) {
    static_assert(sizeof(T) == 1, "byte-sized elements");
    return std::string(reinterpret_cast<const char*>(block.data), block.count.Value());
}

inline std::wstring WideText(const MAtom<wchar_t>& block) {
    return std::wstring(block.data, block.count.Value());
}
