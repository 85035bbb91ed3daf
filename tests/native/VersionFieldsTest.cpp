// Version fields from the profile text and the comparison of installed against wanted.
#include <gtest/gtest.h>

#include "VersionFields.h"

namespace {

TEST(VersionFieldFromText, PlainDecimalConversion)
{
    EXPECT_EQ(VersionFieldFromText("2"), 2ul);
    EXPECT_EQ(VersionFieldFromText("0"), 0ul);
    EXPECT_EQ(VersionFieldFromText("10"), 10ul);
    EXPECT_EQ(VersionFieldFromText("4294967295"), 4294967295ul);
    EXPECT_EQ(VersionFieldFromText("7b"), 7ul);
    EXPECT_EQ(VersionFieldFromText("x"), 0ul);
    EXPECT_EQ(VersionFieldFromText(""), 0ul);
    EXPECT_EQ(VersionFieldFromText(" 3"), 0ul);
    EXPECT_EQ(VersionFieldFromText("-1"), 0ul);
    EXPECT_EQ(VersionFieldFromText(nullptr), 0ul);
    EXPECT_EQ(VersionFieldFromText("4294967296"), 0ul);  // wraps like a 32-bit unsigned number
}

TEST(CompareVersionFields, FirstDifferingFieldDecides)
{
    const DriverVersion wanted{2, 0, 0, 0};
    const struct {
        DriverVersion installed;
        int nResult;
    } cases[] = {
        {{2, 0, 0, 0}, kVersionSame},    {{1, 9, 9, 9}, kVersionReplace}, {{2, 0, 0, 1}, kVersionNewer},
        {{2, 1, 0, 0}, kVersionNewer},   {{0, 0, 0, 0}, kVersionReplace}, {{3, 0, 0, 0}, kVersionNewer},
        {{4294967295ul, 0, 0, 0}, kVersionNewer},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareVersionFields(wanted, c.installed), c.nResult)
            << c.installed.dwMajor << "." << c.installed.dwMinor << "." << c.installed.dwBuild << "."
            << c.installed.dwExtra;
    }
    // Decided at the minor field even when later fields are smaller.
    EXPECT_EQ(CompareVersionFields({2, 0, 5, 5}, {2, 1, 0, 0}), kVersionNewer);
    EXPECT_EQ(CompareVersionFields({2, 1, 0, 0}, {2, 0, 9, 9}), kVersionReplace);
}

}  // namespace
