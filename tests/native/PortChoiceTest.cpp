#include "PortChoice.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

// Value of cch characters placed at nOffset in a text of cchTotal 'x' characters.
std::string Padded(size_t cchTotal, size_t nOffset, const char* pszWord)
{
    std::string str(cchTotal, 'x');
    str.replace(nOffset, std::strlen(pszWord), pszWord);
    return str;
}

struct DlgCase {
    const char* pszName;
    std::string strValue;
    bool bNull;
    bool bExpected;
};

void PrintTo(const DlgCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class WantsPortDialogTest : public ::testing::TestWithParam<DlgCase> {};

TEST_P(WantsPortDialogTest, DecidesRoute)
{
    const DlgCase& c = GetParam();
    EXPECT_EQ(c.bExpected, WantsPortDialog(c.bNull ? nullptr : c.strValue.c_str()));
}

INSTANTIATE_TEST_SUITE_P(Table, WantsPortDialogTest,
    ::testing::Values(DlgCase{"null", "", true, true}, DlgCase{"exact", "TRUE", false, true},
                      DlgCase{"surrounded", "xTRUEy", false, true}, DlgCase{"suffix", "NOT TRUE", false, true},
                      DlgCase{"lower", "true", false, false}, DlgCase{"mixed", "True", false, false},
                      DlgCase{"false", "FALSE", false, false}, DlgCase{"number", "1", false, false},
                      DlgCase{"broken", "TRU E", false, false},
                      DlgCase{"empty", "", false, false},
                      DlgCase{"endsAt256", Padded(300, 252, "TRUE"), false, true},
                      DlgCase{"crosses256", Padded(300, 253, "TRUE"), false, false},
                      DlgCase{"past256", Padded(300, 290, "TRUE"), false, false}), CaseName);

struct PortCase {
    const char* pszName;
    std::string strValue;
    bool bNull;
    int nExpected;
};

void PrintTo(const PortCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class PortIndexTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortIndexTest, SelectsIndex)
{
    const PortCase& c = GetParam();
    EXPECT_EQ(c.nExpected, PortIndexFromSetting(c.bNull ? nullptr : c.strValue.c_str()));
}

INSTANTIATE_TEST_SUITE_P(EachPort, PortIndexTest,
    ::testing::Values(PortCase{"COM1", "COM1", false, 0}, PortCase{"COM2", "COM2", false, 1},
                      PortCase{"COM3", "COM3", false, 2}, PortCase{"COM4", "COM4", false, 3},
                      PortCase{"LPT1", "LPT1", false, 4}, PortCase{"LPT2", "LPT2", false, 5},
                      PortCase{"USB", "USB", false, 6}), CaseName);

INSTANTIATE_TEST_SUITE_P(Edges, PortIndexTest,
    ::testing::Values(PortCase{"null", "", true, 0}, PortCase{"empty", "", false, 0},
                      PortCase{"COM10", "COM10", false, 0}, PortCase{"LPT1thenCOM3", "LPT1 COM3", false, 2},
                      PortCase{"USBthenLPT2", "USB LPT2", false, 5}, PortCase{"withColon", "LPT2:", false, 5},
                      PortCase{"USB001", "USB001", false, 6}, PortCase{"lowerLpt", "lpt1", false, 0},
                      PortCase{"lowerUsb", "usb", false, 0}, PortCase{"COM5", "COM5", false, 0},
                      PortCase{"LPT3", "LPT3", false, 0}, PortCase{"split", "CO M2", false, 0},
                      PortCase{"at252", Padded(300, 252, "LPT1"), false, 4},
                      PortCase{"crosses256", Padded(300, 253, "LPT1"), false, 0},
                      PortCase{"past256", Padded(300, 296, "LPT1"), false, 0},
                      PortCase{"USBcrosses256", Padded(300, 254, "USB"), false, 0}), CaseName);

TEST(PortIndexFromSetting, UnterminatedValueIsReadOnlyTo256Bytes)
{
    // A full buffer without a terminator: exactly 256 bytes on the heap, nothing beyond is read.
    std::unique_ptr<char[]> pValue(new char[kSettingValueLimit]);
    std::memset(pValue.get(), 'x', kSettingValueLimit);
    std::memcpy(pValue.get() + kSettingValueLimit - 3, "USB", 3);
    EXPECT_EQ(kPortIndexUsb, PortIndexFromSetting(pValue.get()));
    std::memcpy(pValue.get() + kSettingValueLimit - 4, "TRUE", 4);
    EXPECT_TRUE(WantsPortDialog(pValue.get()));
}

TEST(PortCode, IndexCodeAndNamesAgree)
{
    const char* const apszNames[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2"};
    for (int nIndex = 0; nIndex < 6; ++nIndex) {
        const int nCode = PortCodeFromIndex(nIndex);
        EXPECT_EQ(1000 + nIndex, nCode);
        EXPECT_TRUE(IsValidPortIndex(nIndex));
        EXPECT_STREQ(apszNames[nIndex], PortNameFromCode(nCode));
        EXPECT_EQ(std::string(apszNames[nIndex]) + ":", PortDeviceNameFromCode(nCode));
        // The name read back from a settings value selects the same index.
        EXPECT_EQ(nIndex, PortIndexFromSetting(PortNameFromCode(nCode)));
    }
    EXPECT_EQ(1006, PortCodeFromIndex(kPortIndexUsb));
    EXPECT_TRUE(IsValidPortIndex(kPortIndexUsb));
}

TEST(PortCode, UsbAndUnknownCodesHaveNoName)
{
    const int anCodes[] = {kPortCodeUsb, 999, 1007, 0, -1, 2004, -2147483647 - 1, 2147483647};
    for (int nCode : anCodes) {
        EXPECT_STREQ("", PortNameFromCode(nCode)) << nCode;
        EXPECT_EQ(nullptr, PortDeviceNameFromCode(nCode)) << nCode;
    }
}

TEST(PortCode, OnlyIndexesZeroToSixAreValid)
{
    const int anBad[] = {-1, 7, 1000, -2147483647 - 1, 2147483647};
    for (int nIndex : anBad)
        EXPECT_FALSE(IsValidPortIndex(nIndex)) << nIndex;
}

} // namespace
