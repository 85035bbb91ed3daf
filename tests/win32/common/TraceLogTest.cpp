// Trace log: where the file lies, what a line looks like, and that lines survive threads and cuts.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "Testkit.h"
#include "TraceLog.h"
#include "TraceText.h"

using namespace qlx::testkit;

namespace {

const char kLogPath[] = "C:\\Temp\\QLX-480_CommonTest.txt";

// Every line of the log, without its CR LF; fails the test on a line not ended by CR LF.
std::vector<std::string> LogLines()
{
    const std::string strLog = ReadWholeFile(kLogPath);
    std::vector<std::string> lines;
    size_t nStart = 0;
    while (nStart < strLog.size()) {
        const size_t nEnd = strLog.find("\r\n", nStart);
        if (nEnd == std::string::npos) {
            ADD_FAILURE() << "unterminated last line: " << strLog.substr(nStart);
            break;
        }
        lines.push_back(strLog.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    return lines;
}

// A fixed clock so the stamp of each line is known.
Hook<decltype(&GetLocalTime)> FixedClock(WORD wHour, WORD wMinute, WORD wSecond)
{
    return Replace<decltype(&GetLocalTime)>("kernel32.dll", "GetLocalTime", [=](LPSYSTEMTIME pst) {
        *pst = SYSTEMTIME{};
        pst->wYear = 2026;
        pst->wMonth = 12;
        pst->wDay = 9;
        pst->wHour = wHour;
        pst->wMinute = wMinute;
        pst->wSecond = wSecond;
    });
}

TEST(TraceLog, NothingIsWrittenBeforeStart)
{
    ::DeleteFileA(kLogPath);
    std::vector<std::string> opened;
    auto hook = Replace<decltype(&CreateFileA)>(
        "kernel32.dll", "CreateFileA",
        [&](auto original, LPCSTR pszName, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD d, DWORD f, HANDLE t) {
            opened.push_back(pszName);
            return original(pszName, a, s, sa, d, f, t);
        });
    ASSERT_STREQ(TraceLogPath(), "");
    WriteTraceLog("too early %d", 1);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(FileExists(kLogPath));
}

TEST(TraceLog, StartsAFreshFileUnderTheDriveRootTemp)
{
    ::CreateDirectoryA("C:\\Temp", nullptr);
    ASSERT_TRUE(WriteWholeFile(kLogPath, "line of an earlier run\r\n"));
    ASSERT_TRUE(StartTraceLog());
    EXPECT_STREQ(TraceLogPath(), "C:\\\\Temp\\QLX-480_CommonTest.txt");  // doubled separator kept
    EXPECT_EQ(ReadWholeFile(kLogPath), "");  // emptied in place, never deleted

    WriteTraceLog("first %s %d", "line", 1);
    WriteTraceLog("second");
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    const std::regex stamp("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]: ");
    EXPECT_TRUE(std::regex_search(lines[0], stamp)) << lines[0];
    EXPECT_EQ(lines[0].substr(10), "first line 1");
    EXPECT_EQ(lines[1].substr(10), "second");
}

TEST(TraceLog, StampIsTwoDigitHourMinuteSecond)
{
    StartTraceLog();
    auto clock = FixedClock(7, 5, 9);
    WriteTraceLog("morning");
    EXPECT_EQ(ReadWholeFile(kLogPath), "07:05:09: morning\r\n");
}

TEST(TraceLog, StepSeparatorLineIsStampBlankAndTwoLineEnds)
{
    StartTraceLog();
    auto clock = FixedClock(23, 59, 58);
    {
        TraceStep step("DeleteInstalledDirectory");
    }
    EXPECT_EQ(ReadWholeFile(kLogPath),
              "23:59:58: \r\n\r\n23:59:58: DeleteInstalledDirectory BEGIN\r\n23:59:58: DeleteInstalledDirectory END\r\n");
}

TEST(TraceLog, StepEndsOnceAndCanBeLeftWithoutEnd)
{
    StartTraceLog();
    {
        TraceStep step("A");
        step.End();
    }
    {
        TraceStep step("B");
        step.Abandon();
    }
    const std::vector<std::string> lines = LogLines();
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
        texts.push_back(line.size() >= 10 ? line.substr(10) : line);  // the frame's blank line has no stamp
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"", "", "A BEGIN", "A END", "", "", "B BEGIN"}));
}

TEST(TraceLog, MessagesAreCutAt1013Characters)
{
    StartTraceLog();
    for (size_t nLength : {size_t(1012), size_t(1013), size_t(1014), size_t(5000)}) {
        const std::string strMessage(nLength, 'x');
        WriteTraceLog("%s", strMessage.c_str());
    }
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 10u + 1012u);
    EXPECT_EQ(lines[1].size(), 10u + 1013u);
    EXPECT_EQ(lines[2].size(), 10u + 1013u);
    EXPECT_EQ(lines[3].size(), 10u + 1013u);
    EXPECT_EQ(lines[3].substr(10), std::string(1013, 'x'));
}

TEST(TraceLog, WideStringsAndNumbersAreFormatted)
{
    StartTraceLog();
    // %ws is the runtime's own spelling for a wide string; the compiler's format check knows %ls.
    const char* pszWide = "fnSetupUninstallOEMInf failed, %ws, %d";
    WriteTraceLog(pszWide, L"oem7.inf", 2);
    WriteTraceLog("ENV : %s, DRV DIR : %s ", "Windows x64", ".\\Driver64\\");
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(10), "fnSetupUninstallOEMInf failed, oem7.inf, 2");
    EXPECT_EQ(lines[1].substr(10), "ENV : Windows x64, DRV DIR : .\\Driver64\\ ");
}

TEST(TraceLog, LeavesTheLastErrorAlone)
{
    StartTraceLog();
    ::SetLastError(1722);
    WriteTraceLog("a line");
    EXPECT_EQ(::GetLastError(), 1722u);
}

TEST(TraceLog, LinesOfTwoThreadsAreAllPresentAndWhole)
{
    StartTraceLog();
    constexpr int kLinesPerThread = 200;
    auto writer = [](char cThread) {
        for (int i = 0; i < kLinesPerThread; ++i) {
            WriteTraceLog("thread %c line %d", cThread, i);
        }
    };
    std::thread first(writer, 'A');
    std::thread second(writer, 'B');
    first.join();
    second.join();

    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u * kLinesPerThread);
    const std::regex whole("^[0-9]{2}:[0-9]{2}:[0-9]{2}: thread [AB] line [0-9]+$");
    int nA = 0;
    int nB = 0;
    for (const std::string& line : lines) {
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
        (line[17] == 'A' ? nA : nB)++;
    }
    EXPECT_EQ(nA, kLinesPerThread);
    EXPECT_EQ(nB, kLinesPerThread);
}

TEST(TraceLog, WindowsOnAnotherDriveLogsToThatDrivesRoot)
{
    auto windowsDir = Replace<decltype(&GetWindowsDirectoryA)>("kernel32.dll", "GetWindowsDirectoryA",
                                                               [](LPSTR pszBuffer, UINT cchBuffer) -> UINT {
                                                                   lstrcpynA(pszBuffer, "D:\\WINNT", cchBuffer);
                                                                   return 8;
                                                               });
    std::vector<std::string> created;
    auto createDir = Replace<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA",
                                                          [&](LPCSTR pszPath, LPSECURITY_ATTRIBUTES) {
                                                              created.push_back(pszPath);
                                                              ::SetLastError(ERROR_PATH_NOT_FOUND);
                                                              return FALSE;
                                                          });
    StartTraceLog();
    EXPECT_EQ(created, std::vector<std::string>{"D:\\\\Temp"});
    EXPECT_STREQ(TraceLogPath(), "D:\\\\Temp\\QLX-480_CommonTest.txt");
}

TEST(TraceLog, ChosenLogGetsItsFoldersAndIsNeverWrittenThroughALink)
{
    ScratchDir scratch;
    ChooseTraceLogPath((scratch / "new\\folder\\setup.txt").c_str());
    ASSERT_TRUE(StartTraceLog());
    WriteTraceLog("kept");
    EXPECT_EQ(ReadWholeFile(scratch / "new\\folder\\setup.txt").substr(kTraceStampLength), "kept\r\n");

    // A folder on the path that is a link, and a file with a second name, are left as they are.
    ASSERT_TRUE(::CreateDirectoryA((scratch / "victim").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(scratch / "victim\\setup.txt", "precious"));
    ASSERT_TRUE(MakeDirectoryLink(scratch / "link", scratch / "victim"));
    ChooseTraceLogPath((scratch / "link\\setup.txt").c_str());
    EXPECT_FALSE(StartTraceLog());
    EXPECT_EQ(TraceLogRefusal(), scratch / "link" + " is a link");
    ASSERT_TRUE(::CreateHardLinkA((scratch / "second.txt").c_str(), (scratch / "victim\\setup.txt").c_str(), nullptr));
    ChooseTraceLogPath((scratch / "second.txt").c_str());
    EXPECT_FALSE(StartTraceLog());
    EXPECT_STREQ(TraceLogRefusal(), "it has more than one name (hard link)");
    WriteTraceLog("lost");
    EXPECT_EQ(ReadWholeFile(scratch / "victim\\setup.txt"), "precious");
}

TEST(TraceLog, UnwritableFolderLosesLinesSilently)
{
    ::DeleteFileA(kLogPath);
    auto failOpen = FailCall<decltype(&CreateFileA)>("kernel32.dll", "CreateFileA", ERROR_ACCESS_DENIED, -1,
                                                     INVALID_HANDLE_VALUE);
    StartTraceLog();
    WriteTraceLog("lost");
    EXPECT_FALSE(FileExists(kLogPath));
}

}  // namespace
