// System probe: the version record as the system reports it, mapped and traced.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "SystemProbe.h"
#include "Testkit.h"
#include "TraceLog.h"

using namespace qlx::testkit;

namespace {

const char kLogPath[] = "C:\\Temp\\QLX-480_CommonTest.txt";

struct Version {
    DWORD dwPlatform;
    DWORD dwMajor;
    DWORD dwMinor;
    BYTE bProductType;
    int nExpected;
};

// A system that reports the given version record.
Hook<decltype(&GetVersionExA)> ReportVersion(const Version& v, std::vector<DWORD>* pSizes = nullptr)
{
    return Replace<decltype(&GetVersionExA)>("kernel32.dll", "GetVersionExA", [=](LPOSVERSIONINFOA pInfo) {
        if (pSizes != nullptr) {
            pSizes->push_back(pInfo->dwOSVersionInfoSize);
        }
        auto* pEx = reinterpret_cast<OSVERSIONINFOEXA*>(pInfo);
        pEx->dwPlatformId = v.dwPlatform;
        pEx->dwMajorVersion = v.dwMajor;
        pEx->dwMinorVersion = v.dwMinor;
        pEx->dwBuildNumber = 4321;
        pEx->wProductType = v.bProductType;
        return TRUE;
    });
}

TEST(CheckOS, MapsTheReportedVersion)
{
    const Version versions[] = {
        {1, 4, 0, 1, 2000},  {1, 4, 10, 1, 2001}, {1, 4, 90, 1, 2002}, {1, 4, 20, 1, 2010}, {1, 5, 0, 1, 2010},
        {2, 3, 51, 1, 2003}, {2, 4, 0, 3, 2003},  {2, 5, 0, 1, 2004},  {2, 5, 1, 1, 2005}, {2, 5, 2, 1, 2006},
        {2, 5, 2, 3, 2006},  {2, 5, 3, 1, 2010},  {2, 6, 0, 1, 2007},  {2, 6, 0, 3, 2008}, {2, 6, 1, 3, 2009},
        {2, 6, 1, 1, 2010},  {2, 6, 2, 1, 2010},  {2, 10, 0, 1, 2010}, {3, 4, 0, 1, 2010}, {0, 0, 0, 0, 2010},
    };
    StartTraceLog();
    for (const Version& v : versions) {
        auto hook = ReportVersion(v);
        EXPECT_EQ(CheckOS(), v.nExpected) << v.dwPlatform << " " << v.dwMajor << "." << v.dwMinor << " type "
                                          << int(v.bProductType);
    }
}

TEST(CheckOS, WritesItsBlockWithTheRecordFields)
{
    StartTraceLog();
    std::vector<DWORD> sizes;
    auto hook = ReportVersion({2, 6, 1, 1, 2010}, &sizes);
    EXPECT_EQ(CheckOS(), 2010);
    EXPECT_EQ(sizes, std::vector<DWORD>{sizeof(OSVERSIONINFOEXA)});
    const std::string strLog = ReadWholeFile(kLogPath);
    // Compare without the stamps: every line is "hh:mm:ss: " + text.
    std::string strTexts;
    for (size_t nPos = 0; nPos < strLog.size();) {
        const size_t nEnd = strLog.find("\r\n", nPos);
        const std::string strLine = strLog.substr(nPos, nEnd - nPos);
        strTexts += (strLine.size() >= 10 ? strLine.substr(10) : strLine) + "\n";
        nPos = nEnd + 2;
    }
    EXPECT_EQ(strTexts,
              "\n\nCheckOS BEGIN\nosvi.dwPlatformID   : 2\nosvi.dwMajorVersion : 6\nosvi.dwMinorVersion : 1\n"
              "osvi.dwBuildNumber  : 4321\nCheckOS END\n");
}

TEST(CheckOS, AsksTwiceWithTheExtendedSizeAndTreatsAClearedRecordAsNewest)
{
    StartTraceLog();
    std::vector<DWORD> sizes;
    auto hook = Replace<decltype(&GetVersionExA)>("kernel32.dll", "GetVersionExA", [&](LPOSVERSIONINFOA pInfo) {
        sizes.push_back(pInfo->dwOSVersionInfoSize);
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    });
    EXPECT_EQ(CheckOS(), 2010);
    EXPECT_EQ(sizes, (std::vector<DWORD>{156, 156}));
}

TEST(Wow64Probe, SixtyFourBitBuildTakesTheSixtyFourBitChoices)
{
    StartTraceLog();
    EXPECT_NE(IsWow64(), 0);
    const std::string strLog = ReadWholeFile(kLogPath);
    ASSERT_GE(strLog.size(), 10u);
    EXPECT_EQ(strLog.substr(10), "The process is a 64-bit process.\r\n");
}

BOOL WINAPI ReportsWow64(HANDLE, PBOOL pbWow64)
{
    *pbWow64 = TRUE;
    return TRUE;
}
BOOL WINAPI ReportsNative(HANDLE, PBOOL pbWow64)
{
    *pbWow64 = FALSE;
    return TRUE;
}
BOOL WINAPI FailsUntouched(HANDLE, PBOOL)
{
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

TEST(Wow64Probe, ThirtyTwoBitQueryFollowsTheSystemAnswer)
{
    EXPECT_EQ(QueryWow64Flag(nullptr), 0);  // a system without IsWow64Process
    EXPECT_NE(QueryWow64Flag(ReportsWow64), 0);
    EXPECT_EQ(QueryWow64Flag(ReportsNative), 0);
    EXPECT_EQ(QueryWow64Flag(FailsUntouched), 0);
}

}  // namespace
