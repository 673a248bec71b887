#pragma once

#include "crypt/CryptHandles.h"
#include "memory/MList.h"
#include "memory/MSmartPtr.h"
#include "text/MStringEx.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>

// A provider context of the enhanced RSA provider on a named, machine-wide key container. The
// container is created when it does not exist, and then opened to every authenticated user of
// the machine; a container that exists keeps its security. MCryptException 0 when no context
// can be had.
class MCryptBase {
public:
    // A CryptoAPI algorithm identifier.
    class HashAlgId {
    public:
        explicit HashAlgId(ALG_ID id) : id(id) {}
        virtual ~HashAlgId() {}

        // Empty when the allocation fails.
        virtual MSmartPtr<HashAlgId> Clone() const;
        virtual MStringEx<wchar_t> Name() const { return MStringEx<wchar_t>(); }
        virtual MList<const MSmartPtr<HashAlgId>> SupportedIds() const {
            return MList<const MSmartPtr<HashAlgId>>();
        }

        ALG_ID Id() const { return id; }

    private:
        ALG_ID id;
    };

    // A set of option flags.
    class AlgFlags {
    public:
        explicit AlgFlags(DWORD value = 0) : value(value) {}
        virtual ~AlgFlags() {}

        // The flags a set adds of its own accord: none.
        virtual DWORD Implied() const { return 0; }

        DWORD Value() const { return value; }

    private:
        DWORD value;
    };

    // A key length in bits, valid between Minimum() and Maximum() in steps of Step(). A length
    // that fails the check throws MCryptException 7 and the length stays.
    class KeyLengthBase {
    public:
        virtual ~KeyLengthBase() {}

        virtual std::uint16_t Minimum() const = 0;
        virtual std::uint16_t Maximum() const = 0;
        virtual std::uint16_t Step() const = 0;

        virtual void Increase();
        virtual void SetBits(std::uint32_t newBits);
        virtual bool IsLess(const KeyLengthBase& other) const { return bits < other.bits; }

        std::uint16_t Bits() const { return bits; }

    protected:
        explicit KeyLengthBase(std::uint16_t bits) : bits(bits) {}
        KeyLengthBase(const KeyLengthBase&) = default;
        KeyLengthBase& operator=(const KeyLengthBase&) = default;

    private:
        bool Accepts(std::uint32_t length) const;

        std::uint16_t bits;
    };

    explicit MCryptBase(const MStringEx<wchar_t>& containerName);
    virtual ~MCryptBase() {}
    MCryptBase(const MCryptBase&) = delete;
    MCryptBase& operator=(const MCryptBase&) = delete;

    // Opens the container, or creates it and gives it the security of a new container; a
    // failure of that security is ignored. 0 when neither gives a context.
    static HCRYPTPROV AcquireProvider(const wchar_t* containerName, DWORD providerType);

protected:
    HCRYPTPROV Provider() const { return provider.Get(); }

private:
    MCryptProvider provider;
    DWORD providerType;
};
