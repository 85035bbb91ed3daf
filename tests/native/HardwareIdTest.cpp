#include "HardwareId.h"

#include "CaseName.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kPrefix[] = "USB\\Vid_7E21&Pid_0C3B";

// Exactly the given bytes on the heap, so any read past them trips the sanitizer.
struct ExactBuffer {
    std::unique_ptr<char[]> p;
    size_t cb;
    explicit ExactBuffer(const std::string& str) : p(new char[str.size() ? str.size() : 1]), cb(str.size())
    {
        std::memcpy(p.get(), str.data(), str.size());
    }
};

struct IdCase {
    const char* pszName;
    std::string strIds;  // raw bytes, terminators included where present
    bool bExpected;
};

void PrintTo(const IdCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class HardwareIdTest : public ::testing::TestWithParam<IdCase> {};

TEST_P(HardwareIdTest, ComparesFirstIdPrefix)
{
    const IdCase& c = GetParam();
    ExactBuffer buf(c.strIds);
    EXPECT_EQ(c.bExpected, HardwareIdMatches(buf.p.get(), buf.cb, kPrefix));
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Table, HardwareIdTest,
    ::testing::Values(
        IdCase{"exact", "USB\\Vid_7E21&Pid_0C3B\0\0"s, true},
        IdCase{"upperWithRevision", "USB\\VID_7E21&PID_0C3B&REV_0100\0USB\\VID_7E21&PID_0C3B\0\0"s, true},
        IdCase{"lowerWithRevision", "usb\\vid_7e21&pid_0c3b&rev_0100\0\0"s, true},
        IdCase{"interfaceSuffix", "USB\\Vid_7E21&Pid_0C3B&MI_00\0\0"s, true},
        IdCase{"otherProduct", "USB\\Vid_7E21&Pid_0C3C\0\0"s, false},
        IdCase{"otherVendor", "USB\\Vid_7E22&Pid_0C3B\0\0"s, false},
        IdCase{"shortFirstId", "USB\\Vid_7E21&Pid_0C3\0\0"s, false},
        IdCase{"secondPlace", "USBPRINT\\KORVANEQLX-4800\0USB\\Vid_7E21&Pid_0C3B\0\0"s, false},
        IdCase{"secondPlaceAfterShort", "USB\\Vid_7E21\0USB\\Vid_7E21&Pid_0C3B\0\0"s, false},
        IdCase{"emptyList", "\0\0"s, false},
        IdCase{"noBytes", ""s, false},
        IdCase{"cutBeforePrefixEnds", "USB\\Vid_7E21&Pid"s, false},
        IdCase{"unterminatedExactly21", "USB\\Vid_7E21&Pid_0C3B"s, true},
        IdCase{"unterminatedLonger", "usb\\VID_7e21&pid_0c3b&REV"s, true}), CaseName);

TEST(HardwareIdMatches, CountIsBoundedByBufferSizeNotByText)
{
    // The text continues in memory, but only the first 20 bytes belong to the buffer.
    const char szIds[] = "USB\\Vid_7E21&Pid_0C3B";
    EXPECT_FALSE(HardwareIdMatches(szIds, 20, kPrefix));
    EXPECT_TRUE(HardwareIdMatches(szIds, 21, kPrefix));
    EXPECT_FALSE(HardwareIdMatches(szIds, 0, kPrefix));
}

TEST(HardwareIdMatches, ShorterPrefixNeedsAnIdThatEndsWithIt)
{
    EXPECT_FALSE(HardwareIdMatches("USB\\Vid_7E21&Pid_0C3B", 22, "USB\\Vid_7E21"));
    EXPECT_TRUE(HardwareIdMatches("usb\\vid_7e21", 13, "USB\\Vid_7E21"));
}

TEST(HardwareIdMatches, OnlyTheFixedCountIsCompared)
{
    // A longer prefix matches as soon as its first 21 characters do.
    EXPECT_TRUE(HardwareIdMatches("USB\\Vid_7E21&Pid_0C3B&Rev_1", 28, "USB\\Vid_7E21&Pid_0C3B&Rev_2"));
}

TEST(HardwareIdMatches, NullTextsNeverMatch)
{
    EXPECT_FALSE(HardwareIdMatches(nullptr, 100, kPrefix));
    EXPECT_FALSE(HardwareIdMatches("USB\\Vid_7E21&Pid_0C3B", 22, nullptr));
}

// ---- Multi-string walk ----

struct WalkCase {
    const char* pszName;
    std::string strList;
    std::vector<std::string> expected;
};

void PrintTo(const WalkCase& c, std::ostream* pOut) { *pOut << c.pszName; }

class ForEachMultiSzTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(ForEachMultiSzTest, VisitsEntriesWithinBuffer)
{
    const WalkCase& c = GetParam();
    ExactBuffer buf(c.strList);
    std::vector<std::string> seen;
    ForEachMultiSz(buf.p.get(), buf.cb, [&seen](const char* pchItem, size_t cchItem) {
        seen.emplace_back(pchItem, cchItem);
        return true;
    });
    EXPECT_EQ(c.expected, seen);
}

INSTANTIATE_TEST_SUITE_P(Table, ForEachMultiSzTest,
    ::testing::Values(
        WalkCase{"two", "oem1.inf\0oem12.inf\0\0"s, {"oem1.inf", "oem12.inf"}},
        WalkCase{"one", "a\0\0"s, {"a"}},
        WalkCase{"empty", "\0\0"s, {}},
        WalkCase{"singleZero", "\0"s, {}},
        WalkCase{"noBytes", ""s, {}},
        WalkCase{"missingListEnd", "a\0bc\0"s, {"a", "bc"}},
        WalkCase{"missingBothEnds", "a\0bc"s, {"a", "bc"}},
        WalkCase{"noTerminatorAtAll", "abc"s, {"abc"}},
        WalkCase{"emptyEntryEndsList", "a\0\0b\0\0"s, {"a"}},
        WalkCase{"bytesAfterEnd", "a\0\0zzz"s, {"a"}}), CaseName);

TEST(ForEachMultiSz, StopsWhenVisitorSaysSo)
{
    const std::string strList = "a\0b\0c\0\0"s;
    std::vector<std::string> seen;
    ForEachMultiSz(strList.data(), strList.size(), [&seen](const char* pchItem, size_t cchItem) {
        seen.emplace_back(pchItem, cchItem);
        return seen.size() < 2;
    });
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), seen);
}

TEST(ForEachMultiSz, NullBufferVisitsNothing)
{
    int nCalls = 0;
    ForEachMultiSz(nullptr, 100, [&nCalls](const char*, size_t) {
        ++nCalls;
        return true;
    });
    EXPECT_EQ(0, nCalls);
}

} // namespace
