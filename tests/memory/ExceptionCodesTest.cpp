#include "memory/MExceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <type_traits>

namespace {

// A throw site can only name a code: a bare number must not construct an exception.
static_assert(!std::is_constructible_v<MUnitException, int>);
static_assert(!std::is_constructible_v<MAtomException, int>);
static_assert(!std::is_constructible_v<MAtomException, int, DWORD>);
static_assert(!std::is_constructible_v<MAtomException, MAtomException::Code, DWORD>);
static_assert(!std::is_constructible_v<MAtomException, MAtomException::FileCode>);
static_assert(!std::is_constructible_v<MCryptException, int>);
static_assert(!std::is_constructible_v<MCryptException, int, DWORD>);
static_assert(!std::is_constructible_v<MCryptException, MCryptException::CallCode>);
static_assert(!std::is_constructible_v<MStringExException, int>);
static_assert(!std::is_constructible_v<DictionaryException, int>);
static_assert(!std::is_constructible_v<MSmartPtrError, int>);

// What a thrown exception carries, against the numbers that catchers and reports rely on.
struct Pinned {
    const char* name;
    std::int32_t code;
    DWORD win32Error;
    std::int32_t expectedCode;
    DWORD expectedError;
};

template <class E> Pinned Pin(const char* name, const E& e, std::int32_t code) {
    return {name, e.code, 0, code, 0};
}

Pinned Pin(const char* name, const MAtomException& e, std::int32_t code, DWORD error) {
    return {name, e.code, e.win32Error, code, error};
}

Pinned Pin(const char* name, const MCryptException& e, std::int32_t code, DWORD error) {
    return {name, e.code, e.win32Error, code, error};
}

// A Win32 error that no code carries by itself, to see that a passed error arrives unchanged.
const DWORD passedError = 1234;

TEST(ExceptionCodes, EveryNamedCodeKeepsItsNumber) {
    using U = MUnitException;
    using A = MAtomException;
    using C = MCryptException;
    const Pinned cases[] = {
        Pin("incrementOfLargest", U(U::incrementOfLargest), 0),
        Pin("decrementOfZero", U(U::decrementOfZero), 1),
        Pin("additionOverflow", U(U::additionOverflow), 2),
        Pin("subtractionBelowZero", U(U::subtractionBelowZero), 4),
        Pin("inexactDivision", U(U::inexactDivision), 5),
        Pin("divisionByZero", U(U::divisionByZero), 6),
        Pin("exceedsDword", U(U::exceedsDword), 7),

        Pin("nullPointer", A(A::nullPointer), 0, 0),
        Pin("beyondElements", A(A::beyondElements), 1, 0),
        Pin("viewAllocation", A(A::viewAllocation), 2, 0),
        Pin("invalidFileHandle", A(A::invalidFileHandle), 3, 6),
        Pin("fileNotOpened", A(A::fileNotOpened, passedError), 3, passedError),
        Pin("fileOperationFailed", A(A::fileOperationFailed, passedError), 4, passedError),
        Pin("wrongKindOfBlock", A(A::wrongKindOfBlock), 5, 0),
        Pin("partialElement", A(A::partialElement), 5, 0),
        Pin("destinationOverrun", A(A::destinationOverrun), 6, 0),
        Pin("sourceOverrun", A(A::sourceOverrun), 7, 0),
        Pin("heapExhausted", A(A::heapExhausted), 8, 8),
        Pin("heapFailed", A(A::heapFailed), 9, 5),
        Pin("notHexadecimal", A(A::notHexadecimal), 10, 13),

        Pin("noProviderContext", C(C::noProviderContext), 0, 0),
        Pin("invalidKeyLength", C(C::invalidKeyLength), 7, 0),
        Pin("callFailed", C(C::callFailed, passedError), 8, passedError),
        Pin("unnamedHashAlgorithm", C(C::unnamedHashAlgorithm), 15, 0),

        Pin("missingOrEmpty", MStringExException(MStringExException::missingOrEmpty), 0),
        Pin("duplicateKey", DictionaryException(DictionaryException::duplicateKey), 2),
        Pin("emptyPointer", MSmartPtrError(MSmartPtrError::emptyPointer), 0),
    };
    for (const Pinned& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expectedCode, c.code);
        EXPECT_EQ(c.expectedError, c.win32Error);
    }
}

TEST(ExceptionCodes, EveryNumberReadingMessageKeepsItsText) {
    struct Message {
        const wchar_t* named;
        const wchar_t* text;
    };
    const Message cases[] = {
        {NumericDataException::binaryInvalid, L"Binary Data: Invalid Character."},
        {NumericDataException::octalInvalid, L"Octal Data: Invalid Character."},
        {NumericDataException::decimalInvalid, L"Decimal Data: Invalid Character."},
        {NumericDataException::hexadecimalInvalid, L"Hexadecimal Data: Invalid Character."},
        {NumericDataException::invalidBase, L"Invalid number base system."},
    };
    for (const Message& c : cases) {
        EXPECT_STREQ(c.text, NumericDataException(c.named).message);
    }
}

} // namespace
