#include "RunSwitches.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SwitchCase {
    const char* pszName;
    std::string strArgs;
    bool bInstaller;
    bool bValid;
    bool bQuiet;
    bool bNoRestart;
    bool bForceRestart;
    bool bHelp;
    int nPortIndex;
    const char* pszLogPath;
    const char* pszBadSwitch;
};

void PrintTo(const SwitchCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class RunSwitchesTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(RunSwitchesTest, ReadsTheArguments)
{
    const SwitchCase& c = GetParam();
    const RunSwitches sw = ParseRunSwitches(c.strArgs.c_str(), c.bInstaller);
    EXPECT_EQ(sw.bAny, !c.strArgs.empty() && c.strArgs.find_first_not_of(" \t") != std::string::npos);
    EXPECT_EQ(sw.bValid, c.bValid);
    EXPECT_STREQ(sw.szBadSwitch, c.pszBadSwitch);
    EXPECT_EQ(sw.bQuiet, c.bQuiet);
    if (c.bValid) {
        EXPECT_EQ(sw.bNoRestart, c.bNoRestart);
        EXPECT_EQ(sw.bForceRestart, c.bForceRestart);
        EXPECT_EQ(sw.bHelp, c.bHelp);
        EXPECT_EQ(sw.nPortIndex, c.nPortIndex);
        EXPECT_STREQ(sw.szLogPath, c.pszLogPath);
    }
}

const std::string kLongPath = "C:\\" + std::string(252, 'x');  // 255 characters: fits
const std::string kTooLongPath = kLongPath + "y";
const std::string kTooLongShown = ("/log=" + kTooLongPath).substr(0, kBadSwitchSize - 1);  // cut to its buffer

INSTANTIATE_TEST_SUITE_P(Table, RunSwitchesTest,
    ::testing::Values(
        SwitchCase{"none", "", true, true, false, false, false, false, -1, "", ""},
        SwitchCase{"blanksOnly", " \t ", true, true, false, false, false, false, -1, "", ""},
        SwitchCase{"quietSlash", "/quiet", true, true, true, false, false, false, -1, "", ""},
        SwitchCase{"quietDashUpper", "-QUIET", true, true, true, false, false, false, -1, "", ""},
        SwitchCase{"allInstaller", "/Quiet -port=lpt1 /NoRestart /log=C:\\deploy\\qlx.txt", true, true, true, true,
                   false, false, 4, "C:\\deploy\\qlx.txt", ""},
        SwitchCase{"everyPort", "/port=USB", true, true, false, false, false, false, 6, "", ""},
        SwitchCase{"com3Mixed", "-Port=Com3", true, true, false, false, false, false, 2, "", ""},
        SwitchCase{"forceRestart", "/forcerestart", false, true, false, false, true, false, -1, "", ""},
        SwitchCase{"help", "-?", false, true, false, false, false, true, -1, "", ""},
        SwitchCase{"quotedLog", "/quiet \"/log=C:\\my logs\\a.txt\"", false, true, true, false, false, false, -1,
                   "C:\\my logs\\a.txt", ""},
        SwitchCase{"quotedValue", "/log=\"C:\\my logs\\b.txt\" /quiet", false, true, true, false, false, false, -1,
                   "C:\\my logs\\b.txt", ""},
        SwitchCase{"logFits", "/log=" + kLongPath, false, true, false, false, false, false, -1, kLongPath.c_str(), ""},
        SwitchCase{"repeatedSame", "/quiet /QUIET /port=COM2 -port=com2", true, true, true, false, false, false, 1,
                   "", ""},
        SwitchCase{"repeatedPortDiffers", "/port=COM1 /port=COM2", true, false, false, false, false, false, -1, "",
                   "/port=COM2"},
        SwitchCase{"repeatedLogDiffers", "/log=a /log=b", true, false, false, false, false, false, -1, "", "/log=b"},
        SwitchCase{"bothRestarts", "/norestart /forcerestart", true, false, false, false, false, false, -1, "",
                   "/forcerestart"},
        SwitchCase{"unknown", "/silent /quiet", true, false, true, false, false, false, -1, "", "/silent"},
        SwitchCase{"noPrefix", "quiet", true, false, false, false, false, false, -1, "", "quiet"},
        SwitchCase{"prefixOnly", "/", true, false, false, false, false, false, -1, "", "/"},
        SwitchCase{"badPort", "/port=COM5", true, false, false, false, false, false, -1, "", "/port=COM5"},
        SwitchCase{"portWithColon", "/port=LPT1:", true, false, false, false, false, false, -1, "", "/port=LPT1:"},
        SwitchCase{"emptyPort", "/port=", true, false, false, false, false, false, -1, "", "/port="},
        SwitchCase{"portAtUninstaller", "/port=LPT1", false, false, false, false, false, false, -1, "", "/port=LPT1"},
        SwitchCase{"emptyLog", "/log=", false, false, false, false, false, false, -1, "", "/log="},
        SwitchCase{"logTooLong", "/log=" + kTooLongPath, false, false, false, false, false, false, -1, "",
                   kTooLongShown.c_str()},
        SwitchCase{"valueOnFlag", "/quiet=yes", true, false, false, false, false, false, -1, "", "/quiet=yes"},
        SwitchCase{"emptyQuotes", "/quiet \"\"", true, false, true, false, false, false, -1, "", "\"\""}),
    CaseName);

TEST(RunSwitches, SkipsTheProgramName)
{
    EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\x\\QLX480_Installer.exe\"  /quiet"), "/quiet");
    EXPECT_STREQ(SkipProgramName("QLX480_Installer.exe\t-quiet /port=USB"), "-quiet /port=USB");
    EXPECT_STREQ(SkipProgramName("\"unterminated /quiet"), "");
    EXPECT_STREQ(SkipProgramName("prog"), "");
    EXPECT_STREQ(SkipProgramName(nullptr), "");
}

TEST(RunSwitches, ExitCodeOfOutcomes)
{
    EXPECT_EQ(ExitCodeFromOutcomes(0), 0);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeRestartNeeded), 3010);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeRestartNeeded | kOutcomeRestartStarted), 1641);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeRestartNeeded | kOutcomeFailure), 1603);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeNothingInstalled), 1605);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeOldWindows | kOutcomeFailure), 1633);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeBadCommandLine), 1639);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomePackageInvalid | kOutcomeFailure), 1620);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeLogFailure | kOutcomeOldWindows), 1622);
    EXPECT_EQ(ExitCodeFromOutcomes(kOutcomeAnotherInstance | kOutcomeBadCommandLine), 1618);
}

} // namespace
