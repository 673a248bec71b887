#include "text/MStringEx.h"
#include "support/TextAssertions.h"

#include <gtest/gtest.h>

namespace {

using String = MStringEx<wchar_t>;

// The test executable carries the program's own version resource.
TEST(VersionInfo, TheProductIdentity) {
    EXPECT_TRUE(HoldsText(String::FromVersionInfo(L"ProductName"), L"Veltrane"));
    EXPECT_TRUE(HoldsText(String::FromVersionInfo(L"ProductVersion"), L"2.30.0.0"));
    EXPECT_TRUE(HoldsText(String::FromVersionInfo(L"InternalName"), L"Tornquill"));
}

TEST(VersionInfo, AKeyTheResourceLacksRaises) {
    for (const wchar_t* key : {L"SpecialBuild", L"PrivateBuild", L"ProductNam"}) {
        SCOPED_TRACE(testing::Message() << '"' << key << '"');
        try {
            String::FromVersionInfo(key);
            ADD_FAILURE() << "no exception";
        } catch (const MStringExException& e) {
            EXPECT_EQ(e.code, 0);
        }
    }
}

} // namespace
