// uidriver against the probe window, and qlxstate on the prefix. Needs a display
// (tests/tools/wine-session start); skipped without one.
#include "Testkit.h"

#include <gtest/gtest.h>

#include <string>

using namespace qlx::testkit;

namespace {

const char kProbeTitle[] = "Harness Probe";

std::string Tool(const char* pszUnixPath)
{
    return "\"" + HostPath(pszUnixPath) + "\"";
}

int UiDriver(const std::string& strArgs, std::string* pOutput = nullptr)
{
    std::string strOutput;
    const int nCode = RunProgram(Tool(QLX_UIDRIVER_EXE) + " " + strArgs, 60000, &strOutput);
    if (pOutput != nullptr) {
        *pOutput = strOutput;
    }
    return nCode;
}

bool HasDisplay()
{
    char szDisplay[256] = "";
    return GetEnvironmentVariableA("DISPLAY", szDisplay, sizeof(szDisplay)) > 0;
}

// Posted clicks land a moment later: dump until the line appears.
bool DumpShows(const std::string& strLine, std::string& strDump)
{
    for (int i = 0; i < 40; ++i) {
        if (UiDriver(std::string("dump \"") + kProbeTitle + "\"", &strDump) == 0 &&
            strDump.find(strLine) != std::string::npos) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

TEST(UiDriverTest, DrivesTheProbeWindow)
{
    if (!HasDisplay()) {
        GTEST_SKIP() << "no DISPLAY: start tests/tools/wine-session first";
    }
    const std::string strTitle = std::string("\"") + kProbeTitle + "\"";
    ChildProcess probe(Tool(QLX_PROBE_EXE));
    ASSERT_TRUE(probe.Started());
    ASSERT_EQ(0, UiDriver("wait " + strTitle + " 20000"));

    std::string strDump;
    ASSERT_EQ(0, UiDriver("dump " + strTitle, &strDump));
    for (const char* pszLine : {
             "id=1001 class=Button text=\"&Done\" enabled=1 visible=1",
             "id=1003 class=Button text=\"Option\" enabled=1 visible=1 checked=0",
             "id=1002 class=ListBox text=\"\" enabled=1 visible=1 count=3",
             "  line 0 data=1 text=\"Alpha\"",
             "  line 1 data=0 text=\"Beta\"",
             "  line 2 data=1 text=\"Gamma\"",
         }) {
        EXPECT_NE(std::string::npos, strDump.find(pszLine)) << pszLine << "\nin:\n" << strDump;
    }

    // Tick the second line, untick the first; tick the check box by its text.
    EXPECT_EQ(0, UiDriver("tick " + strTitle + " 1002 1"));
    EXPECT_EQ(0, UiDriver("tick " + strTitle + " 1002 0"));
    EXPECT_TRUE(DumpShows("  line 1 data=1 text=\"Beta\"", strDump)) << strDump;
    EXPECT_NE(std::string::npos, strDump.find("  line 0 data=0 selected text=\"Alpha\"")) << strDump;
    EXPECT_EQ(0, UiDriver("click " + strTitle + " Option"));
    EXPECT_TRUE(DumpShows("text=\"Option\" enabled=1 visible=1 checked=1", strDump)) << strDump;

    // Unknown controls and lines are reported, not guessed.
    std::string strOut;
    EXPECT_EQ(1, UiDriver("click " + strTitle + " Nothing", &strOut));
    EXPECT_NE(std::string::npos, strOut.find("no control")) << strOut;
    EXPECT_EQ(1, UiDriver("tick " + strTitle + " 1002 3"));
    EXPECT_EQ(1, UiDriver("tick " + strTitle + " 1001 0"));

    // A message box owned by the probe: read it, answer Yes.
    EXPECT_EQ(0, UiDriver("click " + strTitle + " 1004"));
    ASSERT_EQ(0, UiDriver("wait \"Probe Box\" 20000"));
    EXPECT_EQ(0, UiDriver("msgtext \"Probe Box\"", &strOut));
    EXPECT_EQ("Probe question\nSecond line\n", strOut);
    EXPECT_EQ(0, UiDriver("click \"Probe Box\" \"&Yes\""));
    EXPECT_EQ(0, UiDriver("gone \"Probe Box\" 20000"));

    EXPECT_EQ(0, UiDriver("click " + strTitle + " Done"));
    EXPECT_EQ(0, UiDriver("gone " + strTitle + " 20000"));
    // Alpha untouched->0, Beta 1, Gamma 1, check box, Yes.
    EXPECT_EQ(2 | 4 | 8 | 16, probe.Wait(20000));

    EXPECT_EQ(1, UiDriver("wait " + strTitle + " 200", &strOut));
    EXPECT_EQ("uidriver: no window \"Harness Probe\"\n", strOut);
}

TEST(UiDriverTest, CloseAndKeyReachTheWindow)
{
    if (!HasDisplay()) {
        GTEST_SKIP() << "no DISPLAY: start tests/tools/wine-session first";
    }
    ChildProcess probe(Tool(QLX_PROBE_EXE));
    ASSERT_TRUE(probe.Started());
    const std::string strTitle = std::string("\"") + kProbeTitle + "\"";
    ASSERT_EQ(0, UiDriver("wait " + strTitle));
    EXPECT_EQ(0, UiDriver("key " + strTitle + " ESCAPE"));
    EXPECT_EQ(2, UiDriver("key " + strTitle + " NOKEY"));
    EXPECT_EQ(0, UiDriver("activate " + strTitle));
    std::string strOut;
    EXPECT_EQ(0, UiDriver("foreground", &strOut));
    EXPECT_EQ("Harness Probe\n", strOut);
    EXPECT_EQ(0, UiDriver("close " + strTitle));
    EXPECT_EQ(100, probe.Wait(20000));  // WM_CLOSE ends the probe with 100
}

TEST(UiDriverTest, UsageErrorsAndMissingWindows)
{
    struct Case {
        const char* pszArgs;
        int nCode;
    };
    const Case cases[] = {
        {"", 2},
        {"frobnicate \"Harness Probe\"", 2},
        {"click \"Harness Probe\"", 2},
        {"tick \"Harness Probe\" 1002", 2},
        {"wait \"No Such Window\" 100", 1},
        {"gone \"No Such Window\" 100", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszArgs);
        EXPECT_EQ(c.nCode, UiDriver(c.pszArgs));
    }
}

TEST(QlxStateTest, PrintsEverySectionOfAFreshPrefix)
{
    std::string strOut;
    ASSERT_EQ(0, RunProgram(Tool(QLX_QLXSTATE_EXE), 60000, &strOut));
    for (const char* pszText : {"[printers]\n", "[drivers Windows x64]\n", "[monitors]\n", "  Local Port\n",
                                "[processors Windows x64]\n", "  winprint\n",
                                "[uninstall HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                "KORVANE_QLX-480]\n  (absent)\n"}) {
        EXPECT_NE(std::string::npos, strOut.find(pszText)) << pszText << "\nin:\n" << strOut;
    }
    ASSERT_EQ(0, RunProgram(Tool(QLX_QLXSTATE_EXE) + " monitors", 60000, &strOut));
    EXPECT_EQ(0u, strOut.find("[monitors]\n")) << strOut;
    EXPECT_EQ(std::string::npos, strOut.find("[printers]")) << strOut;
    EXPECT_EQ(2, RunProgram(Tool(QLX_QLXSTATE_EXE) + " bogus", 60000, &strOut));
}

}  // namespace
