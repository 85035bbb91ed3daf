#include "TraceText.h"

#include <gtest/gtest.h>

#include <cstring>

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
