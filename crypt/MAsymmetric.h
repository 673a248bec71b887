#pragma once

#include "crypt/MCryptBase.h"

// A provider context with a signature key pair generated in its container when the object is
// built; the new pair replaces the container's previous one. MCryptException (8, error) when
// the generation fails, and nothing stays held.
class MAsymmetric : public MCryptBase {
public:
    // RSA key lengths: 512 to 16384 bits in steps of 64; 512 by default.
    class KeyLength : public KeyLengthBase {
    public:
        KeyLength() : KeyLengthBase(512) {}

        std::uint16_t Minimum() const override { return 512; }
        std::uint16_t Maximum() const override { return 16384; }
        std::uint16_t Step() const override { return 64; }
    };

    MAsymmetric(const MStringEx<wchar_t>& containerName, const KeyLength& keyLength);

    virtual void SetKeyLength(const KeyLength& length) = 0;
    virtual void RegenerateKey() = 0;
    virtual KeyLength GetKeyLength() const { return keyLength; }

protected:
    // Destroys the key held and generates an exportable, unsalted pair of keyLength bits.
    void GenerateKey();

    HCRYPTKEY Key() const { return key.Get(); }

private:
    MCryptKey key;

protected:
    KeyLength keyLength;
};
