#include "TraceText.h"

#include <gtest/gtest.h>

#include <cstring>
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

TEST(PathPartEnds, EveryFolderBelowTheRootThenTheName)
{
    using Ends = std::vector<size_t>;
    EXPECT_EQ(PathPartEnds("C:\\\\Temp\\QLX-480_Installer.txt"), (Ends{8, 30}));  // doubled separator kept
    EXPECT_EQ(PathPartEnds("C:\\logs\\new\\"), (Ends{7, 11}));
    EXPECT_EQ(PathPartEnds("\\\\server\\share\\logs\\a.txt"), (Ends{19, 25}));
    for (const char* pszNoParts : {"\\\\server\\share", "C:\\", "logs\\a.txt", "\\\\\\a", "", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(PathPartEnds(pszNoParts), Ends{}) << (pszNoParts != nullptr ? pszNoParts : "(null)");
    }
}

}  // namespace
