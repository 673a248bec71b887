#include "crypt/KeysetSecurity.h"
#include "crypt/MAAuthenticator.h"

#include "crypt/CryptTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using KeyLength = MAsymmetric::KeyLength;
using AlgHash = MAAuthenticator::MAAuthAlgHash;

const DWORD genericReadWriteExecute = 0xE0000000;

TEST(KeysetSecurity, GrantsAuthenticatedUsersReadWriteAndExecute) {
    const KeysetSecurity security;
    const SECURITY_DESCRIPTOR* descriptor = security.Descriptor();
    ASSERT_TRUE(IsValidSecurityDescriptor(const_cast<SECURITY_DESCRIPTOR*>(descriptor)));
    EXPECT_EQ(descriptor->Revision, 1);

    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(const_cast<SECURITY_DESCRIPTOR*>(descriptor), &present,
                                          &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    ASSERT_NE(dacl, nullptr);

    const AuthenticatedUsersSid users;
    EXPECT_EQ(dacl->AclRevision, 2);
    EXPECT_EQ(dacl->AclSize, GetLengthSid(users.Get()) + 16);
    EXPECT_EQ(dacl->AclSize, 28) << "one entry for a SID of one sub-authority";
    EXPECT_EQ(dacl->AceCount, 1);

    const ACCESS_ALLOWED_ACE* entry = OnlyAllowedEntry(descriptor);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Header.AceFlags, 0);
    EXPECT_EQ(entry->Mask, genericReadWriteExecute);
    EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&entry->SidStart), users.Get()));
}

// Whether this machine's provider keeps the security that is asked for a container: it may
// refuse, and the program goes on without it.
bool ProviderTakesDescriptors() {
    const UniqueContainer scratch;
    const MCryptProvider provider = scratch.Create();
    try {
        KeysetSecurity().ApplyTo(provider.Get());
        return true;
    } catch (const MCryptException&) {
        return false;
    }
}

class KeyContainer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { takesDescriptors = ProviderTakesDescriptors(); }

    // The security the provider reports for the container, through a context of its own.
    std::vector<unsigned char> SecurityOfContainer() {
        const MCryptProvider provider = container.Open();
        EXPECT_TRUE(provider.IsValid());
        return ContainerDescriptor(provider.Get());
    }

    static bool takesDescriptors;
    UniqueContainer container;
};

bool KeyContainer::takesDescriptors = false;

TEST_F(KeyContainer, FirstUseCreatesItOpenToAuthenticatedUsers) {
    SetLastError(0);
    EXPECT_FALSE(container.Open().IsValid());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_KEYSET));

    const MCryptBase context(container.Name());
    EXPECT_TRUE(container.Open().IsValid());

    RecordProperty("provider_takes_descriptors", takesDescriptors ? "yes" : "no");
    if (!takesDescriptors) {
        return;
    }
    const std::vector<unsigned char> descriptor = SecurityOfContainer();
    ASSERT_FALSE(descriptor.empty());
    const ACCESS_ALLOWED_ACE* entry =
        OnlyAllowedEntry(reinterpret_cast<const SECURITY_DESCRIPTOR*>(descriptor.data()));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Mask, genericReadWriteExecute);
    EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&entry->SidStart), AuthenticatedUsersSid().Get()));
}

// A container that exists keeps whatever security it has: here, the provider's default.
TEST_F(KeyContainer, LaterUseOpensItAndLeavesItsSecurity) {
    ASSERT_TRUE(container.Create().IsValid());
    const std::vector<unsigned char> before = SecurityOfContainer();

    const MCryptBase context(container.Name());
    EXPECT_EQ(SecurityOfContainer(), before);
    if (takesDescriptors) {
        ASSERT_FALSE(before.empty());
        EXPECT_EQ(OnlyAllowedEntry(reinterpret_cast<const SECURITY_DESCRIPTOR*>(before.data())),
                  nullptr)
            << "the default security is not the one of a new container";
    }
}

TEST_F(KeyContainer, AProviderOfAnotherTypeGivesNoContextAndCreatesNothing) {
    EXPECT_EQ(MCryptBase::AcquireProvider(container.Name(), PROV_RSA_AES), 0u);
    EXPECT_FALSE(container.Open().IsValid());
}

// The public half of a key pair, with its length and permissions.
struct PublicKey {
    std::vector<unsigned char> blob;
    DWORD bits = 0;
    DWORD permissions = 0;
};

PublicKey PublicKeyOf(HCRYPTKEY key) {
    PublicKey result;
    DWORD size = sizeof(DWORD);
    EXPECT_TRUE(CryptGetKeyParam(key, KP_KEYLEN, reinterpret_cast<BYTE*>(&result.bits), &size, 0));
    size = sizeof(DWORD);
    EXPECT_TRUE(CryptGetKeyParam(key, KP_PERMISSIONS, reinterpret_cast<BYTE*>(&result.permissions),
                                 &size, 0));
    DWORD length = 0;
    EXPECT_TRUE(CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &length));
    result.blob.resize(length);
    EXPECT_TRUE(CryptExportKey(key, 0, PUBLICKEYBLOB, 0, result.blob.data(), &length));
    return result;
}

// The signature key pair stored in the container.
PublicKey StoredSignatureKey(const UniqueContainer& container) {
    const MCryptProvider provider = container.Open();
    HCRYPTKEY userKey = 0;
    if (!CryptGetUserKey(provider.Get(), AT_SIGNATURE, &userKey)) {
        ADD_FAILURE() << "no signature key pair";
        return PublicKey();
    }
    const MCryptKey key(userKey);
    return PublicKeyOf(key.Get());
}

// An authenticator whose key pair the test can look at while it lives.
class InspectedAuthenticator : public MAAuthenticator {
public:
    using MAAuthenticator::MAAuthenticator;

    PublicKey Generated() const { return PublicKeyOf(Key()); }
};

TEST_F(KeyContainer, EveryAuthenticatorStoresANewExportableSignatureKeyPair) {
    PublicKey first;
    {
        const InspectedAuthenticator authenticator(container.Name(), KeyLength(),
                                                   AlgHash(CALG_SHA1));
        first = authenticator.Generated();
    }
    EXPECT_EQ(first.bits, 512u);
    EXPECT_NE(first.permissions & CRYPT_EXPORT, 0u);
    EXPECT_EQ(StoredSignatureKey(container).blob, first.blob);

    PublicKey second;
    {
        const InspectedAuthenticator authenticator(container.Name(), KeyLength(),
                                                   AlgHash(CALG_SHA1));
        second = authenticator.Generated();
    }
    EXPECT_NE(second.blob, first.blob);
    EXPECT_EQ(StoredSignatureKey(container).blob, second.blob)
        << "the new pair replaces the one before";
}

TEST_F(KeyContainer, KeysAreRegeneratedWithTheLengthAsked) {
    InspectedAuthenticator authenticator(container.Name(), KeyLength(), AlgHash(CALG_SHA1));
    const PublicKey generated = authenticator.Generated();

    authenticator.RegenerateKey();
    const PublicKey regenerated = authenticator.Generated();
    EXPECT_NE(regenerated.blob, generated.blob);
    EXPECT_EQ(regenerated.bits, 512u);

    KeyLength longer;
    longer.SetBits(576);
    authenticator.SetKeyLength(longer);
    const PublicKey longerKey = authenticator.Generated();
    EXPECT_NE(longerKey.blob, regenerated.blob);
    EXPECT_EQ(longerKey.bits, 576u);
    EXPECT_EQ(authenticator.GetKeyLength().Bits(), 576);
}

// A length the provider does not generate: the authenticator takes lengths as they come.
class TooShortKeyLength : public KeyLength {
public:
    TooShortKeyLength() { SetBits(256); }
    std::uint16_t Minimum() const override { return 64; }
};

TEST_F(KeyContainer, AFailedKeyGenerationThrowsTheProvidersError) {
    try {
        const MAAuthenticator authenticator(container.Name(), TooShortKeyLength(),
                                            AlgHash(CALG_SHA1));
        ADD_FAILURE() << "a 256-bit key was generated";
    } catch (const MCryptException& e) {
        EXPECT_EQ(e.code, 8);
        EXPECT_EQ(HRESULT_FACILITY(e.win32Error), FACILITY_SECURITY) << std::hex << e.win32Error;
    }

    MAAuthenticator authenticator(container.Name(), KeyLength(), AlgHash(CALG_SHA1));
    try {
        authenticator.SetKeyLength(TooShortKeyLength());
        ADD_FAILURE() << "a 256-bit key was generated";
    } catch (const MCryptException& e) {
        EXPECT_EQ(e.code, 8);
    }
}

} // namespace
