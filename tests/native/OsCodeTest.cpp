#include "OsCode.h"

#include <gtest/gtest.h>

namespace {

struct OsCase {
    unsigned long dwPlatformId;
    unsigned long dwMajor;
    unsigned long dwMinor;
    unsigned char wProductType;
    int nExpected;
};

void PrintTo(const OsCase& c, std::ostream* pOut)
{
    *pOut << "platform " << c.dwPlatformId << " version " << c.dwMajor << "." << c.dwMinor << " type "
          << static_cast<int>(c.wProductType);
}

class OsCodeTest : public ::testing::TestWithParam<OsCase> {};

TEST_P(OsCodeTest, MapsVersionRecord)
{
    const OsCase& c = GetParam();
    EXPECT_EQ(c.nExpected, OsCodeFromVersion(c.dwPlatformId, c.dwMajor, c.dwMinor, c.wProductType));
}

constexpr unsigned char kServer = 3;
constexpr unsigned char kDomainController = 2;

INSTANTIATE_TEST_SUITE_P(Win9x, OsCodeTest,
    ::testing::Values(OsCase{1, 4, 0, 1, kOsWin95}, OsCase{1, 4, 0, kServer, kOsWin95},
                      OsCase{1, 4, 10, 1, kOsWin98}, OsCase{1, 4, 90, 0, kOsWinMe},
                      OsCase{1, 4, 20, 1, kOsWin7}, OsCase{1, 4, 1, 1, kOsWin7},
                      OsCase{1, 3, 0, 1, kOsWin7}, OsCase{1, 5, 0, 1, kOsWin7}));

INSTANTIATE_TEST_SUITE_P(NtBefore2000, OsCodeTest,
    ::testing::Values(OsCase{2, 4, 0, 1, kOsWinNT4}, OsCase{2, 4, 0, kServer, kOsWinNT4},
                      OsCase{2, 3, 51, 1, kOsWinNT4}, OsCase{2, 4, 90, 1, kOsWinNT4},
                      OsCase{2, 0, 0, 0, kOsWinNT4}));

INSTANTIATE_TEST_SUITE_P(Nt5, OsCodeTest,
    ::testing::Values(OsCase{2, 5, 0, 1, kOsWin2000}, OsCase{2, 5, 0, kServer, kOsWin2000},
                      OsCase{2, 5, 1, 1, kOsWinXP}, OsCase{2, 5, 2, 1, kOsWin2003},
                      OsCase{2, 5, 2, kServer, kOsWin2003}, OsCase{2, 5, 3, 1, kOsWin7}));

// Inside major 6 the order flips between minor 0 and minor 1.
INSTANTIATE_TEST_SUITE_P(Nt6, OsCodeTest,
    ::testing::Values(OsCase{2, 6, 0, 1, kOsVista}, OsCase{2, 6, 0, kServer, kOsWin2008},
                      OsCase{2, 6, 0, kDomainController, kOsWin2008}, OsCase{2, 6, 0, 0, kOsWin2008},
                      OsCase{2, 6, 1, 1, kOsWin7}, OsCase{2, 6, 1, kServer, kOsWin2008R2},
                      OsCase{2, 6, 1, kDomainController, kOsWin2008R2}, OsCase{2, 6, 2, 1, kOsWin7},
                      OsCase{2, 6, 3, kServer, kOsWin7}));

// Newer versions, a cleared record, unknown platforms, and majors that are "negative" if read
// as signed (the compare with 4 is unsigned).
INSTANTIATE_TEST_SUITE_P(Other, OsCodeTest,
    ::testing::Values(OsCase{2, 7, 0, 1, kOsWin7}, OsCase{2, 10, 0, 1, kOsWin7},
                      OsCase{2, 10, 0, kServer, kOsWin7}, OsCase{0, 0, 0, 0, kOsWin7},
                      OsCase{0, 5, 1, 1, kOsWin7}, OsCase{3, 5, 1, 1, kOsWin7},
                      OsCase{2, 0xFFFFFFFFul, 0, 1, kOsWin7}, OsCase{2, 0x80000000ul, 0, 1, kOsWin7}));

// The table above is written with the names; the numbers themselves are what callers compare.
TEST(OsCode, NamedConstantsHaveTheirNumbers)
{
    const int anCodes[] = {kOsWin95, kOsWin98, kOsWinMe, kOsWinNT4, kOsWin2000, kOsWinXP,
                           kOsWin2003, kOsVista, kOsWin2008, kOsWin2008R2, kOsWin7};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(2000 + i, anCodes[i]);
}

} // namespace
