#include "crypt/MAAuthenticator.h"
#include "support/FailingAllocation.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace {

using KeyLength = MAsymmetric::KeyLength;
using AlgHash = MAAuthenticator::MAAuthAlgHash;

TEST(KeyLength, StartsAtTheShortestRsaKey) {
    EXPECT_EQ(KeyLength().Bits(), 512);
}

TEST(KeyLength, SetBitsTakesWholeStepsInsideTheRange) {
    struct Case {
        std::uint32_t bits;
        bool accepted;
    };
    const Case cases[] = {{512, true},        {576, true},  {16384, true},  {1024, true},
                          {448, false},       {520, false}, {16448, false}, {0, false},
                          {0x10200, false}, // 512 in its low 16 bits
                          {0xFFFFFFFF, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        KeyLength length;
        length.SetBits(1024);
        try {
            length.SetBits(c.bits);
            EXPECT_TRUE(c.accepted);
            EXPECT_EQ(length.Bits(), c.bits);
        } catch (const MCryptException& e) {
            EXPECT_FALSE(c.accepted);
            EXPECT_EQ(e.code, 7);
            EXPECT_EQ(length.Bits(), 1024) << "a refused length leaves the old one";
        }
    }
}

TEST(KeyLength, IncreaseAddsOneStepUpToTheMaximum) {
    KeyLength length;
    length.Increase();
    EXPECT_EQ(length.Bits(), 576);

    length.SetBits(16320);
    length.Increase();
    EXPECT_EQ(length.Bits(), 16384);
    try {
        length.Increase();
        ADD_FAILURE() << "16448 bits accepted";
    } catch (const MCryptException& e) {
        EXPECT_EQ(e.code, 7);
    }
    EXPECT_EQ(length.Bits(), 16384);
}

TEST(KeyLength, IsLessComparesTheBitCounts) {
    struct Case {
        std::uint32_t left;
        std::uint32_t right;
        bool less;
    };
    const Case cases[] = {{512, 1024, true}, {1024, 512, false}, {512, 512, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + " against " + std::to_string(c.right));
        KeyLength left;
        KeyLength right;
        left.SetBits(c.left);
        right.SetBits(c.right);
        EXPECT_EQ(left.IsLess(right), c.less);
    }
}

TEST(HashAlgorithm, NamesTheFourHashes) {
    struct Case {
        ALG_ID id;
        const wchar_t* name;
    };
    const Case cases[] = {
        {CALG_MD2, L"MD2"}, {CALG_MD4, L"MD4"}, {CALG_MD5, L"MD5"}, {CALG_SHA1, L"SHA"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_TRUE(AlgHash(c.id).Name() == MStringEx<wchar_t>(c.name));
    }
}

TEST(HashAlgorithm, OtherIdentifiersHaveNoName) {
    for (ALG_ID id : {ALG_ID(0), ALG_ID(CALG_RC4), ALG_ID(CALG_RSA_SIGN)}) {
        SCOPED_TRACE(id);
        try {
            AlgHash(id).Name();
            ADD_FAILURE() << "no exception";
        } catch (const MCryptException& e) {
            EXPECT_EQ(e.code, 15);
        }
    }
}

TEST(HashAlgorithm, SupportedIdsListSha1FirstThenTheMessageDigests) {
    const MList<const MSmartPtr<MCryptBase::HashAlgId>> ids = AlgHash(CALG_MD5).SupportedIds();
    ASSERT_EQ(ids.Count(), 4u);
    const ALG_ID expected[] = {CALG_SHA1, CALG_MD2, CALG_MD4, CALG_MD5};
    for (std::uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((*ids.Item(i))->Id(), expected[i]);
        EXPECT_FALSE((*ids.Item(i))->Name().IsEmpty()) << "the items are authenticator hashes";
    }
}

// Each allocation of the list fails in turn; what was made before it is given back.
TEST(HashAlgorithm, SupportedIdsLoseNothingWhenAnAllocationFails) {
    const AlgHash hash(CALG_MD5);
    for (std::uint32_t allowed = 0;; ++allowed) {
        SCOPED_TRACE(allowed);
        const std::int64_t aliveBefore = FailingAllocation::Alive();
        bool failed = false;
        {
            FailingAllocation::Armed failing(allowed);
            try {
                hash.SupportedIds();
            } catch (const std::bad_alloc&) {
                failed = true;
            }
        }
        EXPECT_EQ(FailingAllocation::Alive(), aliveBefore);
        if (!failed) {
            break;
        }
        ASSERT_LT(allowed, 100u) << "the list is never made";
    }
}

TEST(HashAlgorithm, CloneKeepsTheKind) {
    const MSmartPtr<MCryptBase::HashAlgId> clone = AlgHash(CALG_SHA1).Clone();
    EXPECT_EQ(clone->Id(), ALG_ID(CALG_SHA1));
    EXPECT_TRUE(clone->Name() == MStringEx<wchar_t>(L"SHA"));

    const MCryptBase::HashAlgId plain(CALG_SHA1);
    const MSmartPtr<MCryptBase::HashAlgId> plainClone = plain.Clone();
    EXPECT_EQ(plainClone->Id(), ALG_ID(CALG_SHA1));
    EXPECT_TRUE(plainClone->Name().IsEmpty());
    EXPECT_EQ(plainClone->SupportedIds().Count(), 0u);
}

} // namespace
