#include "BlockTestSupport.h"

#include "memory/MUnits.h"

#include <functional>

namespace {

const std::uint32_t largest = 0xFFFFFFFFu;

TEST(MUnits, StepsPastEitherEndThrowAndLeaveTheOperandWrapped) {
    MUnits top = largest;
    ExpectUnitError(0, [&] { ++top; });
    EXPECT_EQ(0u, top.Value());

    MUnits bottom = 0;
    ExpectUnitError(1, [&] { --bottom; });
    EXPECT_EQ(largest, bottom.Value());

    MUnits n = 7;
    EXPECT_EQ(7u, (n++).Value());
    EXPECT_EQ(8u, n.Value());
    EXPECT_EQ(8u, (n--).Value());
    EXPECT_EQ(7u, n.Value());
}

struct Arithmetic {
    const char* name;
    std::function<MUnits()> operation;
    Outcome outcome;
    std::uint32_t result;
};

TEST(MUnits, ArithmeticIsChecked) {
    const Arithmetic cases[] = {
        {"largest sum", [] { return MUnits(largest - 1) + 1; }, Outcome::Ok(), largest},
        {"sum overflow", [] { return MUnits(largest) + 1; }, Outcome::UnitError(2), 0},
        {"sum overflow of halves", [] { return MUnits(0x80000000u) + 0x80000000u; },
         Outcome::UnitError(2), 0},
        {"difference to zero", [] { return MUnits(5) - 5; }, Outcome::Ok(), 0},
        {"difference below zero", [] { return MUnits(4) - 5; }, Outcome::UnitError(4), 0},
        {"exact quotient", [] { return MUnits(12) / 4; }, Outcome::Ok(), 3},
        {"quotient with remainder", [] { return MUnits(13) / 4; }, Outcome::UnitError(5), 0},
        {"division by zero", [] { return MUnits(12) / 0; }, Outcome::UnitError(6), 0},
        {"zero divided by zero", [] { return MUnits(0) / 0; }, Outcome::UnitError(6), 0},
        {"byte count 0 as wide", [] { return MUnits::FromByteCount<wchar_t>(0); }, Outcome::Ok(),
         0},
        {"byte count 8 as wide", [] { return MUnits::FromByteCount<wchar_t>(8); }, Outcome::Ok(),
         4},
        {"byte count 7 as wide", [] { return MUnits::FromByteCount<wchar_t>(7); },
         Outcome::UnitError(5), 0},
        {"byte count 7 as bytes", [] { return MUnits::FromByteCount<unsigned char>(7); },
         Outcome::Ok(), 7},
        {"largest size", [] { return MUnits::FromSize(largest); }, Outcome::Ok(), largest},
        {"size above 32 bits", [] { return MUnits::FromSize(0x100000000ull); },
         Outcome::UnitError(7), 0},
        {"smaller of two", [] { return MUnits::Min(9, 4); }, Outcome::Ok(), 4},
    };
    for (const Arithmetic& c : cases) {
        SCOPED_TRACE(c.name);
        MUnits result = 0xDEADu;
        ExpectOutcome(c.outcome, [&] { result = c.operation(); });
        if (c.outcome.kind == Outcome::Success) {
            EXPECT_EQ(c.result, result.Value());
        }
    }
}

TEST(MUnits, FailedCompoundAssignmentKeepsTheOperand) {
    MUnits n = largest;
    ExpectUnitError(2, [&] { n += 1; });
    EXPECT_EQ(largest, n.Value());
    MUnits m = 3;
    ExpectUnitError(4, [&] { m -= 4; });
    EXPECT_EQ(3u, m.Value());
}

TEST(MUnits, ByteSizesDoNotWrapAndDwordConversionIsChecked) {
    EXPECT_EQ(0x1FFFFFFFEull, MUnits(largest).ByteCount<wchar_t>());
    EXPECT_EQ(largest, MUnits::ToDword(MUnits(largest).ByteCount<char>()));
    ExpectUnitError(7, [] { MUnits::ToDword(MUnits(0x80000000u).ByteCount<wchar_t>()); });
}

} // namespace
