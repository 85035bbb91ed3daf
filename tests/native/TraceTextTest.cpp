#include "TraceText.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace {

size_t FormatTestMessage(char* pszLine, size_t cbLine, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    size_t cch = FormatTraceMessageV(pszLine, cbLine, pszFormat, args);
    va_end(args);
    return cch;
}

// A whole line as the log writer builds it: stamp, then message.
std::string BuildLine(unsigned nHour, unsigned nMinute, unsigned nSecond, const std::string& strMessage)
{
    char szLine[kTraceLineBuffer];
    FormatTraceStamp(szLine, sizeof(szLine), nHour, nMinute, nSecond);
    size_t cch = FormatTestMessage(szLine, sizeof(szLine), "%s", strMessage.c_str());
    EXPECT_EQ(std::strlen(szLine), cch);
    return szLine;
}

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

TEST(FormatTraceMessage, LinesOfTheLog)
{
    EXPECT_EQ("07:05:09: CheckOS BEGIN", BuildLine(7, 5, 9, "CheckOS BEGIN"));
    EXPECT_EQ("07:05:09: \r\n", BuildLine(7, 5, 9, "\r\n"));
    EXPECT_EQ("07:05:09: ", BuildLine(7, 5, 9, ""));

    char szLine[kTraceLineBuffer];
    FormatTraceStamp(szLine, sizeof(szLine), 12, 0, 1);
    FormatTestMessage(szLine, sizeof(szLine), "SHDeleteKey failed : %s (%d) ", "SOFTWARE\\X", 2);
    EXPECT_STREQ("12:00:01: SHDeleteKey failed : SOFTWARE\\X (2) ", szLine);
}

TEST(FormatTraceMessage, MessageIsCutAt1013Characters)
{
    const std::string str1013(1013, 'm');
    EXPECT_EQ("01:02:03: " + str1013, BuildLine(1, 2, 3, str1013));
    EXPECT_EQ("01:02:03: " + str1013, BuildLine(1, 2, 3, str1013 + "x"));
    EXPECT_EQ("01:02:03: " + str1013, BuildLine(1, 2, 3, std::string(5000, 'm')));
    EXPECT_EQ("01:02:03: " + std::string(1012, 'm'), BuildLine(1, 2, 3, std::string(1012, 'm')));
}

TEST(FormatTraceMessage, BiggerBufferStillKeeps1013Characters)
{
    static char szLine[4096];
    FormatTraceStamp(szLine, sizeof(szLine), 1, 2, 3);
    EXPECT_EQ(kTraceStampLength + kTraceMessageLimit,
              FormatTestMessage(szLine, sizeof(szLine), "%s", std::string(3000, 'm').c_str()));
}

TEST(FormatTraceMessage, SmallBuffersNeverOverflow)
{
    char szArena[32];
    std::memset(szArena, 'G', sizeof(szArena));
    FormatTraceStamp(szArena, 12, 1, 2, 3);
    EXPECT_EQ(11u, FormatTestMessage(szArena, 12, "%s", "abcdef"));
    EXPECT_STREQ("01:02:03: a", szArena);
    EXPECT_EQ('G', szArena[12]);

    // No room after the stamp: the line is left as it is.
    std::memset(szArena, 'G', sizeof(szArena));
    FormatTraceStamp(szArena, 10, 1, 2, 3);
    EXPECT_EQ(9u, FormatTestMessage(szArena, 10, "%s", "abcdef"));
    EXPECT_STREQ("01:02:03:", szArena);
    EXPECT_EQ(0u, FormatTestMessage(nullptr, 0, "%s", "abcdef"));
}

} // namespace
