#include "BoundedText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kGuard = '\x5A';
constexpr size_t kArena = 32;

// Destination inside a larger arena filled with guard bytes, so writes past cbDest show up.
struct GuardedBuffer {
    char arena[kArena];
    GuardedBuffer() { std::memset(arena, kGuard, sizeof(arena)); }
    bool GuardIntactFrom(size_t nOffset) const
    {
        for (size_t i = nOffset; i < kArena; ++i) {
            if (arena[i] != kGuard)
                return false;
        }
        return true;
    }
};

// A heap copy of exactly cch bytes without terminator: reading past it trips the sanitizer.
std::unique_ptr<char[]> Unterminated(const char* pch, size_t cch)
{
    std::unique_ptr<char[]> p(new char[cch]);
    std::memcpy(p.get(), pch, cch);
    return p;
}

struct CopyCase {
    size_t cbDest;
    const char* pszSource;
    const char* pszExpected;
};

class CopyTextTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyTextTest, CopiesCutsAndTerminatesWithinBuffer)
{
    const CopyCase& c = GetParam();
    GuardedBuffer buf;
    size_t cch = CopyText(buf.arena, c.cbDest, c.pszSource);
    EXPECT_STREQ(c.pszExpected, buf.arena);
    EXPECT_EQ(std::strlen(c.pszExpected), cch);
    EXPECT_TRUE(buf.GuardIntactFrom(c.cbDest));
}

INSTANTIATE_TEST_SUITE_P(Table, CopyTextTest,
    ::testing::Values(CopyCase{8, "abc", "abc"}, CopyCase{4, "abc", "abc"}, CopyCase{3, "abc", "ab"},
                      CopyCase{2, "abc", "a"}, CopyCase{1, "abc", ""}, CopyCase{8, "", ""},
                      CopyCase{8, nullptr, ""}, CopyCase{1, nullptr, ""}));

TEST(CopyText, ZeroSizeWritesNothing)
{
    GuardedBuffer buf;
    EXPECT_EQ(0u, CopyText(buf.arena, 0, "abc"));
    EXPECT_TRUE(buf.GuardIntactFrom(0));
    EXPECT_EQ(0u, CopyText(nullptr, 16, "abc"));
}

TEST(CopyText, ReadsNoMoreOfTheSourceThanFits)
{
    // Five unterminated bytes into six: all five fit, and the sixth source byte is never read.
    auto pSource = Unterminated("hello", 5);
    char szDest[6];
    EXPECT_EQ(5u, CopyText(szDest, sizeof(szDest), pSource.get()));
    EXPECT_STREQ("hello", szDest);
    char szSmall[3];
    EXPECT_EQ(2u, CopyText(szSmall, pSource.get()));
    EXPECT_STREQ("he", szSmall);
}

TEST(CopyText, ArrayOverloadUsesTheArraySize)
{
    char szDest[4];
    EXPECT_EQ(3u, CopyText(szDest, "abcdef"));
    EXPECT_STREQ("abc", szDest);
}

TEST(CopyTextPart, StopsAtCountOrTerminator)
{
    char szDest[16];
    auto pItem = Unterminated("abcd", 4);
    EXPECT_EQ(4u, CopyTextPart(szDest, pItem.get(), 4));
    EXPECT_STREQ("abcd", szDest);
    EXPECT_EQ(2u, CopyTextPart(szDest, "abcd", 2));
    EXPECT_STREQ("ab", szDest);
    EXPECT_EQ(2u, CopyTextPart(szDest, "ab\0cd", 5));
    EXPECT_STREQ("ab", szDest);
    EXPECT_EQ(3u, CopyTextPart(szDest, 4, "abcdef", 6));
    EXPECT_STREQ("abc", szDest);
}

struct AppendCase {
    size_t cbDest;
    const char* pszStart;
    const char* pszSource;
    const char* pszExpected;
};

class AppendTextTest : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendTextTest, AppendsWhatFitsAndTerminates)
{
    const AppendCase& c = GetParam();
    GuardedBuffer buf;
    std::memcpy(buf.arena, c.pszStart, std::strlen(c.pszStart) + 1);
    size_t cch = AppendText(buf.arena, c.cbDest, c.pszSource);
    EXPECT_STREQ(c.pszExpected, buf.arena);
    EXPECT_EQ(std::strlen(c.pszExpected), cch);
    EXPECT_TRUE(buf.GuardIntactFrom(c.cbDest));
}

INSTANTIATE_TEST_SUITE_P(Table, AppendTextTest,
    ::testing::Values(AppendCase{8, "ab", "cd", "abcd"}, AppendCase{5, "ab", "cd", "abcd"},
                      AppendCase{5, "ab", "cdef", "abcd"}, AppendCase{3, "ab", "x", "ab"},
                      AppendCase{8, "", "C:\\", "C:\\"}, AppendCase{8, "ab", nullptr, "ab"},
                      AppendCase{8, "ab", "", "ab"}));

TEST(AppendText, UnterminatedDestinationIsTerminatedAtItsLastByte)
{
    GuardedBuffer buf;
    std::memset(buf.arena, 'x', 4);
    EXPECT_EQ(3u, AppendText(buf.arena, 4, "yz"));
    EXPECT_STREQ("xxx", buf.arena);
    EXPECT_TRUE(buf.GuardIntactFrom(4));
}

TEST(AppendText, BuildsThePathsOfTheTraceLog)
{
    char szPath[256] = "";
    CopyTextPart(szPath, "C:\\Windows", 3);
    AppendText(szPath, "\\Temp");
    size_t cch = AppendText(szPath, "\\QLX-480_Installer.txt");
    EXPECT_STREQ("C:\\\\Temp\\QLX-480_Installer.txt", szPath);
    EXPECT_EQ(std::strlen(szPath), cch);

    // A long folder is cut at 255 characters and stays terminated.
    std::string strLong(300, 'd');
    CopyText(szPath, strLong.c_str());
    EXPECT_EQ(255u, AppendText(szPath, "\\QLX480_Config.KVN"));
    EXPECT_EQ(255u, std::strlen(szPath));
}

TEST(AppendText, ZeroSizeOrNullWritesNothing)
{
    GuardedBuffer buf;
    EXPECT_EQ(0u, AppendText(buf.arena, 0, "abc"));
    EXPECT_TRUE(buf.GuardIntactFrom(0));
    EXPECT_EQ(0u, AppendText(nullptr, 8, "abc"));
}

TEST(FormatText, CutsAndReportsTheLengthWritten)
{
    GuardedBuffer buf;
    EXPECT_EQ(7u, FormatText(buf.arena, 8, "%s (%d)", "abc", 42));
    EXPECT_STREQ("abc (42", buf.arena);
    EXPECT_TRUE(buf.GuardIntactFrom(8));
    char szWide[32];
    EXPECT_EQ(8u, FormatText(szWide, sizeof(szWide), "%s (%d)", "abc", 42));
    EXPECT_STREQ("abc (42)", szWide);
    EXPECT_EQ(0u, FormatText(szWide, sizeof(szWide), nullptr));
    EXPECT_STREQ("", szWide);
    EXPECT_EQ(0u, FormatText(buf.arena, 0, "abc"));
}

TEST(BoundedTextLength, NeverLooksPastTheLimit)
{
    auto pText = Unterminated("abcdef", 6);
    EXPECT_EQ(6u, BoundedTextLength(pText.get(), 6));
    EXPECT_EQ(3u, BoundedTextLength(pText.get(), 3));
    EXPECT_EQ(2u, BoundedTextLength("ab", 100));
    EXPECT_EQ(0u, BoundedTextLength(nullptr, 100));
}

TEST(IsPlainFolderName, OnlyOneFolderInsideAnother)
{
    for (const char* pszName : {"QLX-480", "KORVANE Printer Driver", "a", "x.y"}) {
        EXPECT_TRUE(IsPlainFolderName(pszName)) << pszName;
    }
    for (const char* pszName : {"", ".", "..", "a\\b", "\\", "a/b", "C:", "*", "a?"}) {
        EXPECT_FALSE(IsPlainFolderName(pszName)) << pszName;
    }
    EXPECT_FALSE(IsPlainFolderName(nullptr));
}

} // namespace
