#include "TraceText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(TraceText, LineLayoutConstantsAddUp)
{
    EXPECT_EQ(kTraceLineBuffer, kTraceStampLength + kTraceMessageLimit + 1);
}

TEST(FormatTraceStamp, TwoDigitsEachAndTrailingBlank)
{
    char szLine[kTraceLineBuffer];
    FormatTraceStamp(szLine, sizeof(szLine), 7, 5, 9);
    EXPECT_STREQ("07:05:09: ", szLine);
    FormatTraceStamp(szLine, sizeof(szLine), 23, 59, 59);
    EXPECT_STREQ("23:59:59: ", szLine);
    FormatTraceStamp(szLine, sizeof(szLine), 0, 0, 0);
    EXPECT_STREQ("00:00:00: ", szLine);
    EXPECT_EQ(kTraceStampLength, std::strlen(szLine));
}

TEST(FormatTraceStamp, SmallBuffersAreCutAndTerminated)
{
    char szArena[16];
    std::memset(szArena, 'G', sizeof(szArena));
    FormatTraceStamp(szArena, 10, 7, 5, 9);
    EXPECT_STREQ("07:05:09:", szArena);
    EXPECT_EQ('G', szArena[10]);
    FormatTraceStamp(szArena, 1, 7, 5, 9);
    EXPECT_STREQ("", szArena);
    std::memset(szArena, 'G', sizeof(szArena));
    FormatTraceStamp(szArena, 0, 7, 5, 9);
    EXPECT_EQ('G', szArena[0]);
    FormatTraceStamp(nullptr, 0, 7, 5, 9);
}

} // namespace

namespace {

// Each part of a path up to its end, as PathPartEnds gives them.
std::vector<std::string> Parts(const char* pszPath)
{
    std::vector<std::string> parts;
    for (size_t nEnd : PathPartEnds(pszPath)) {
        parts.emplace_back(pszPath, nEnd);
    }
    return parts;
}

TEST(PathPartEnds, EveryFolderBelowTheRootThenTheName)
{
    using Texts = std::vector<std::string>;
    EXPECT_EQ(Parts("C:\\\\Temp\\QLX-480_Installer.txt"), (Texts{"C:\\\\Temp", "C:\\\\Temp\\QLX-480_Installer.txt"}));
    EXPECT_EQ(Parts("C:\\logs\\new\\setup.txt"), (Texts{"C:\\logs", "C:\\logs\\new", "C:\\logs\\new\\setup.txt"}));
    EXPECT_EQ(Parts("C:\\logs\\"), (Texts{"C:\\logs"}));
    EXPECT_EQ(Parts("\\\\server\\share\\logs\\a.txt"), (Texts{"\\\\server\\share\\logs", "\\\\server\\share\\logs\\a.txt"}));
    EXPECT_EQ(Parts("\\\\server\\share"), Texts{});
    EXPECT_EQ(Parts("C:\\"), Texts{});
    EXPECT_EQ(Parts("logs\\a.txt"), Texts{});
    EXPECT_EQ(Parts("\\\\\\a"), Texts{});
    EXPECT_EQ(Parts(""), Texts{});
    EXPECT_EQ(Parts(nullptr), Texts{});
}

}  // namespace
