#include "RegText.h"

#include "FailingAllocator.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Repeat(const char* psz, int nCount)
{
    std::string str;
    for (int i = 0; i < nCount; ++i)
        str += psz;
    return str;
}

// ---- Registry path texts ----

struct PathCase {
    const char* pszName;
    std::string strPath;
    unsigned long dwResult;
    std::string strMachine;
    RegHive nHive;
    std::string strSubKey;
};

void PrintTo(const PathCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class ParseRegPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ParseRegPathTest, SplitsPath)
{
    const PathCase& c = GetParam();
    RegPathParts parts;
    std::memset(&parts, 0x5A, sizeof(parts));  // a failure must not leave old contents behind
    EXPECT_EQ(c.dwResult, ParseRegPath(c.strPath.c_str(), &parts));
    EXPECT_EQ(c.strMachine, parts.szMachine);
    EXPECT_EQ(c.nHive, parts.nHive);
    EXPECT_EQ(c.strSubKey, parts.szSubKey);
}

const char kUsbEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\KORVANE_QLX-480";

INSTANTIATE_TEST_SUITE_P(Local, ParseRegPathTest,
    ::testing::Values(
        PathCase{"enumKey", std::string("HKLM\\") + kUsbEnumKey, 0, "", kRegHiveLocalMachine, kUsbEnumKey},
        PathCase{"longLower", "hkey_local_machine\\SOFTWARE", 0, "", kRegHiveLocalMachine, "SOFTWARE"},
        PathCase{"mixedCase", "HkLm\\Software\\X", 0, "", kRegHiveLocalMachine, "Software\\X"},
        PathCase{"hiveOnly", "HKU", 0, "", kRegHiveUsers, ""},
        PathCase{"hiveSlash", "HKU\\", 0, "", kRegHiveUsers, ""},
        PathCase{"users", "HKEY_USERS\\.DEFAULT", 0, "", kRegHiveUsers, ".DEFAULT"},
        PathCase{"classes", "HKCR\\.txt", 0, "", kRegHiveClassesRoot, ".txt"},
        PathCase{"classesLong", "HKEY_CLASSES_ROOT", 0, "", kRegHiveClassesRoot, ""},
        PathCase{"user", "HKCU\\Software", 0, "", kRegHiveCurrentUser, "Software"},
        PathCase{"userLong", "hkey_current_user\\a b", 0, "", kRegHiveCurrentUser, "a b"},
        PathCase{"doubleSlash", "HKLM\\\\A", 0, "", kRegHiveLocalMachine, "\\A"},
        PathCase{"trailingSlash", "HKLM\\A\\", 0, "", kRegHiveLocalMachine, "A\\"}), CaseName);

INSTANTIATE_TEST_SUITE_P(Remote, ParseRegPathTest,
    ::testing::Values(
        PathCase{"machine", "\\\\server\\HKLM\\SOFTWARE", 0, "\\\\server", kRegHiveLocalMachine, "SOFTWARE"},
        PathCase{"machineHiveOnly", "\\\\srv\\HKEY_USERS", 0, "\\\\srv", kRegHiveUsers, ""},
        PathCase{"emptyMachineName", "\\\\\\HKLM\\X", 0, "\\\\", kRegHiveLocalMachine, "X"},
        PathCase{"machineUser", "\\\\server\\HKCU\\Software", 87, "", kRegHiveNone, ""},
        PathCase{"machineClasses", "\\\\server\\hkey_classes_root", 87, "", kRegHiveNone, ""},
        PathCase{"machineOnly", "\\\\server", 87, "", kRegHiveNone, ""},
        PathCase{"machineSlash", "\\\\server\\", 87, "", kRegHiveNone, ""},
        PathCase{"slashesOnly", "\\\\", 87, "", kRegHiveNone, ""}), CaseName);

INSTANTIATE_TEST_SUITE_P(Bad, ParseRegPathTest,
    ::testing::Values(
        PathCase{"hiveSuffix", "HKLMX\\SOFTWARE", 87, "", kRegHiveNone, ""},
        PathCase{"noHive", "SOFTWARE", 87, "", kRegHiveNone, ""},
        PathCase{"hivePrefix", "HKL\\SOFTWARE", 87, "", kRegHiveNone, ""},
        PathCase{"longPrefix", "HKEY_LOCAL\\SOFTWARE", 87, "", kRegHiveNone, ""},
        PathCase{"empty", "", 87, "", kRegHiveNone, ""},
        PathCase{"leadingSlash", "\\HKLM\\SOFTWARE", 87, "", kRegHiveNone, ""},
        PathCase{"blankSeparator", "HKLM SOFTWARE", 87, "", kRegHiveNone, ""},
        PathCase{"forwardSlash", "HKLM/SOFTWARE", 87, "", kRegHiveNone, ""}), CaseName);

// At most 511 characters are read (a 512-byte work text): the cut can fall in any element.
INSTANTIATE_TEST_SUITE_P(Long, ParseRegPathTest,
    ::testing::Values(
        PathCase{"subKeyCut", "HKLM\\" + std::string(600, 'a'), 0, "", kRegHiveLocalMachine,
                 std::string(506, 'a')},
        PathCase{"subKeyExact", "HKLM\\" + std::string(506, 'a'), 0, "", kRegHiveLocalMachine,
                 std::string(506, 'a')},
        PathCase{"machineFits", "\\\\" + std::string(504, 'm') + "\\HKLM", 0, "\\\\" + std::string(504, 'm'),
                 kRegHiveLocalMachine, ""},
        PathCase{"hiveCut", "\\\\" + std::string(505, 'm') + "\\HKLM", 87, "", kRegHiveNone, ""},
        PathCase{"machineCut", "\\\\" + std::string(600, 'm') + "\\HKLM\\X", 87, "", kRegHiveNone, ""}), CaseName);

TEST(ParseRegPath, NullArgumentsAreInvalid)
{
    RegPathParts parts;
    EXPECT_EQ(kErrInvalidParameter, ParseRegPath(nullptr, &parts));
    EXPECT_EQ(kRegHiveNone, parts.nHive);
    EXPECT_EQ(kErrInvalidParameter, ParseRegPath("HKLM", nullptr));
}

TEST(RegHiveName, NamesEveryHive)
{
    EXPECT_STREQ("HKEY_LOCAL_MACHINE", RegHiveName(kRegHiveLocalMachine));
    EXPECT_STREQ("HKEY_USERS", RegHiveName(kRegHiveUsers));
    EXPECT_STREQ("HKEY_CLASSES_ROOT", RegHiveName(kRegHiveClassesRoot));
    EXPECT_STREQ("HKEY_CURRENT_USER", RegHiveName(kRegHiveCurrentUser));
    EXPECT_STREQ("", RegHiveName(kRegHiveNone));
}

// ---- Permission texts ----

struct PermCase {
    const char* pszName;
    std::string strText;
    unsigned long dwResult;
    unsigned long dwMode;
    std::string strTrustee;
    unsigned long dwMask;
};

void PrintTo(const PermCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class ParseRegPermissionTest : public ::testing::TestWithParam<PermCase> {};

TEST_P(ParseRegPermissionTest, SplitsPermission)
{
    const PermCase& c = GetParam();
    RegPermission perm;
    std::memset(&perm, 0x5A, sizeof(perm));
    EXPECT_EQ(c.dwResult, ParseRegPermission(c.strText.c_str(), &perm));
    EXPECT_EQ(c.dwMode, perm.dwMode);
    EXPECT_EQ(c.strTrustee, perm.szTrustee);
    EXPECT_EQ(c.dwMask, perm.dwMask) << std::hex << perm.dwMask;
}

constexpr unsigned long kG = kRegAccessGrant;
constexpr unsigned long kS = kRegAccessSet;
constexpr unsigned long kD = kRegAccessDeny;
constexpr unsigned long kR = kRegAccessRevoke;
constexpr unsigned long kN = kRegAccessNotUsed;

INSTANTIATE_TEST_SUITE_P(Modes, ParseRegPermissionTest,
    ::testing::Values(
        PermCase{"grantFull", "/PG:Everyone:Fc", 0, kG, "Everyone", 0xF003F},
        PermCase{"setReadWrite", "/PS:Everyone:RdWr", 0, kS, "Everyone", 0x2003F},
        PermCase{"denyRead", "/PD:Users:Rd", 0, kD, "Users", 0x20019},
        PermCase{"revoke", "/PR:Everyone", 0, kR, "Everyone", 0},
        PermCase{"revokeIgnoresRights", "/PR:Everyone:Fc", 0, kR, "Everyone", 0},
        PermCase{"lowerCase", "/pg:Everyone:fc", 0, kG, "Everyone", 0xF003F},
        PermCase{"firstCharFree", "-pS:Everyone:Wr", 0, kS, "Everyone", 0x20026},
        PermCase{"longSwitch", "/PGX:Everyone:Fc", 0, kG, "Everyone", 0xF003F},
        PermCase{"noP", "/XG:Everyone:Fc", 0, kN, "Everyone", 0},
        PermCase{"noPNoRights", "/XG:Everyone", 0, kN, "Everyone", 0},
        PermCase{"oneCharSwitch", "/:Everyone", 0, kN, "Everyone", 0},
        PermCase{"emptySwitch", ":Everyone:Fc", 0, kN, "Everyone", 0},
        PermCase{"trusteeWithSlash", "/PG:NT AUTHORITY\\SYSTEM:Rd", 0, kG, "NT AUTHORITY\\SYSTEM", 0x20019}), CaseName);

INSTANTIATE_TEST_SUITE_P(Rights, ParseRegPermissionTest,
    ::testing::Values(
        PermCase{"oddRights", "/PG:Everyone:F", 0, kG, "Everyone", 0},
        PermCase{"unknownPairSkipped", "/PG:Everyone:FcXx", 0, kG, "Everyone", 0xF003F},
        PermCase{"emptyRights", "/PG:Everyone:", 0, kG, "Everyone", 0},
        PermCase{"restWithColonOdd", "/PG:Everyone:Fc:Rd", 0, kG, "Everyone", 0},
        PermCase{"restWithColonEven", "/PG:Everyone:Fc:R", 0, kG, "Everyone", 0xF003F}), CaseName);

INSTANTIATE_TEST_SUITE_P(Bad, ParseRegPermissionTest,
    ::testing::Values(
        PermCase{"noRights", "/PG:Everyone", 87, kN, "", 0},
        PermCase{"unknownMode", "/PX:Everyone:Fc", 87, kN, "", 0},
        PermCase{"noModeLetter", "/P:Everyone:Fc", 87, kN, "", 0},
        PermCase{"switchOnly", "/PG", 87, kN, "", 0},
        PermCase{"noColonNoP", "/XG", 87, kN, "", 0},
        PermCase{"emptyText", "", 87, kN, "", 0},
        PermCase{"emptyTrustee", "/PG::Fc", 87, kN, "", 0},
        PermCase{"emptyTrusteeRevoke", "/PR:", 87, kN, "", 0}), CaseName);

// The permission text is read up to 511 characters.
INSTANTIATE_TEST_SUITE_P(Long, ParseRegPermissionTest,
    ::testing::Values(
        PermCase{"trusteeCutNoRights", "/PG:" + std::string(600, 'E') + ":Fc", 87, kN, "", 0},
        PermCase{"trusteeFits", "/PR:" + std::string(507, 'E'), 0, kR, std::string(507, 'E'), 0},
        PermCase{"rightsCutEven", "/PG:Everyone:" + Repeat("Rd", 300), 0, kG, "Everyone", 0x20019},
        PermCase{"rightsCutOdd", "/PG:Everyon:" + Repeat("Rd", 300), 0, kG, "Everyon", 0}), CaseName);

TEST(ParseRegPermission, NullArgumentsAreInvalid)
{
    RegPermission perm;
    EXPECT_EQ(kErrInvalidParameter, ParseRegPermission(nullptr, &perm));
    EXPECT_EQ(kRegAccessNotUsed, perm.dwMode);
    EXPECT_EQ(kErrInvalidParameter, ParseRegPermission("/PG:Everyone:Fc", nullptr));
}

TEST(ParseRegPermission, SameTextParsesTheSameEveryTime)
{
    const char szText[] = "/PG:Everyone:Fc";
    RegPermission first;
    RegPermission second;
    ASSERT_EQ(0u, ParseRegPermission(szText, &first));
    ASSERT_EQ(0u, ParseRegPermission(szText, &second));
    EXPECT_STREQ("/PG:Everyone:Fc", szText);
    EXPECT_EQ(first.dwMode, second.dwMode);
    EXPECT_STREQ(first.szTrustee, second.szTrustee);
    EXPECT_EQ(first.dwMask, second.dwMask);
}

// ---- Rights letters ----

struct RightsCase {
    std::string strRights;
    unsigned long dwResult;
    unsigned long dwMask;
};

void PrintTo(const RightsCase& c, std::ostream* pOut)
{
    *pOut << '"' << (c.strRights.size() > 40 ? c.strRights.substr(0, 40) + "..." : c.strRights) << "\" ("
          << c.strRights.size() << ")";
}

class ParseRegRightsTest : public ::testing::TestWithParam<RightsCase> {};

TEST_P(ParseRegRightsTest, CombinesMasks)
{
    const RightsCase& c = GetParam();
    unsigned long dwMask = 0xDEADBEEF;
    EXPECT_EQ(c.dwResult, ParseRegRights(c.strRights.c_str(), &dwMask));
    EXPECT_EQ(c.dwMask, dwMask) << std::hex << dwMask;
}

INSTANTIATE_TEST_SUITE_P(Letters, ParseRegRightsTest,
    ::testing::Values(RightsCase{"Fc", 0, 0xF003F}, RightsCase{"fC", 0, 0xF003F}, RightsCase{"FC", 0, 0xF003F},
                      RightsCase{"Rd", 0, 0x20019}, RightsCase{"rd", 0, 0x20019}, RightsCase{"Wr", 0, 0x20026},
                      RightsCase{"wR", 0, 0x20026}, RightsCase{"RdWr", 0, 0x2003F}, RightsCase{"WrRd", 0, 0x2003F},
                      RightsCase{"FcRdWr", 0, 0xF003F}, RightsCase{"RdRd", 0, 0x20019}, RightsCase{"", 0, 0}));

INSTANTIATE_TEST_SUITE_P(Bad, ParseRegRightsTest,
    ::testing::Values(RightsCase{"F", 87, 0}, RightsCase{"FcR", 87, 0}, RightsCase{"Xx", 87, 0},
                      RightsCase{"FcXx", 87, 0xF003F}, RightsCase{"XxRd", 87, 0x20019},
                      RightsCase{"cF", 87, 0}, RightsCase{"F c ", 87, 0},
                      RightsCase{" Fc ", 87, 0}, RightsCase{"RdxWr", 87, 0}));

// Cut to 511 characters before the length test: an even text longer than that becomes odd.
INSTANTIATE_TEST_SUITE_P(Long, ParseRegRightsTest,
    ::testing::Values(RightsCase{Repeat("Rd", 255), 0, 0x20019}, RightsCase{Repeat("Rd", 255) + "W", 87, 0},
                      RightsCase{Repeat("Rd", 256), 87, 0}, RightsCase{Repeat("Fc", 300), 87, 0},
                      RightsCase{Repeat("Rd", 254) + "Wr", 0, 0x2003F}));

TEST(ParseRegRights, NullTextCountsAsEmptyAndNullMaskIsInvalid)
{
    unsigned long dwMask = 1;
    EXPECT_EQ(0u, ParseRegRights(nullptr, &dwMask));
    EXPECT_EQ(0u, dwMask);
    EXPECT_EQ(kErrInvalidParameter, ParseRegRights("Fc", nullptr));
}

// ---- Work buffers that cannot be had ----

TEST(RegTextOutOfMemory, EveryParserReportsEightAndLeavesEmptyResults)
{
    {
        CFailNothrowArrayNew failNext;
        unsigned long dwMask = 1;
        EXPECT_EQ(kErrNotEnoughMemory, ParseRegRights("Fc", &dwMask));
        EXPECT_EQ(0u, dwMask);
        EXPECT_EQ(1, failNext.Seen());
    }
    {
        CFailNothrowArrayNew failNext;
        RegPathParts parts;
        std::memset(&parts, 0x5A, sizeof(parts));
        EXPECT_EQ(kErrNotEnoughMemory, ParseRegPath("\\\\m\\HKLM\\SOFTWARE", &parts));
        EXPECT_STREQ("", parts.szMachine);
        EXPECT_EQ(kRegHiveNone, parts.nHive);
        EXPECT_STREQ("", parts.szSubKey);
    }
    {
        CFailNothrowArrayNew failNext;
        RegPermission perm;
        std::memset(&perm, 0x5A, sizeof(perm));
        EXPECT_EQ(kErrNotEnoughMemory, ParseRegPermission("/PG:Everyone:Fc", &perm));
        EXPECT_EQ(kRegAccessNotUsed, perm.dwMode);
        EXPECT_STREQ("", perm.szTrustee);
        EXPECT_EQ(0u, perm.dwMask);
    }
}

TEST(RegTextOutOfMemory, RightsBufferMissingGivesGrantWithMaskZero)
{
    // The permission's own work text is had; the rights parser's is not. Its code is ignored.
    CFailNothrowArrayNew failSecond(1, 1);
    RegPermission perm;
    EXPECT_EQ(0u, ParseRegPermission("/PG:Everyone:Fc", &perm));
    EXPECT_EQ(kRegAccessGrant, perm.dwMode);
    EXPECT_STREQ("Everyone", perm.szTrustee);
    EXPECT_EQ(0u, perm.dwMask);
    EXPECT_EQ(2, failSecond.Seen());
}

TEST(RegTextOutOfMemory, ParsersWorkAgainOnceMemoryIsBack)
{
    {
        CFailNothrowArrayNew failMany(0, 100);
        unsigned long dwMask = 0;
        EXPECT_EQ(kErrNotEnoughMemory, ParseRegRights("Rd", &dwMask));
    }
    unsigned long dwMask = 0;
    EXPECT_EQ(0u, ParseRegRights("Rd", &dwMask));
    EXPECT_EQ(0x20019u, dwMask);
}

} // namespace
