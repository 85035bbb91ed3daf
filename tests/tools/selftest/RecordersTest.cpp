// Recorders of pauses, started programs and message boxes.
#include "Testkit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qlx::testkit;

namespace {

TEST(SleepRecorderTest, PausesReturnAtOnceAndAreRecordedInOrder)
{
    SleepRecorder sleeps;
    const DWORD dwStart = GetTickCount();
    Sleep(2000);
    Sleep(500);
    Sleep(0);
    Sleep(120000);
    EXPECT_LT(GetTickCount() - dwStart, 1000u);
    EXPECT_EQ((std::vector<DWORD>{2000, 500, 0, 120000}), sleeps.Durations());
    EXPECT_EQ((std::vector<DWORD>{2000, 500, 120000}), sleeps.Pauses());
    EXPECT_EQ(122500u, sleeps.Total());
    sleeps.Clear();
    EXPECT_TRUE(sleeps.Durations().empty());
}

TEST(SleepRecorderTest, RecordsPausesOfOtherThreadsAndRestoresTheRealSleep)
{
    {
        SleepRecorder sleeps;
        HANDLE hThread = CreateThread(
            nullptr, 0,
            [](LPVOID) -> DWORD {
                Sleep(1500);
                return 0;
            },
            nullptr, 0, nullptr);
        ASSERT_NE(nullptr, hThread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 1000));
        CloseHandle(hThread);
        EXPECT_EQ(std::vector<DWORD>{1500}, sleeps.Pauses());
    }
    const DWORD dwStart = GetTickCount();
    Sleep(60);
    EXPECT_GE(GetTickCount() - dwStart, 40u);
}

TEST(WinExecRecorderTest, RecordsCommandLinesWithoutRunningThem)
{
    WinExecRecorder execs;
    EXPECT_EQ(33u, WinExec("net start spooler", SW_HIDE));
    execs.SetResult(2);
    EXPECT_EQ(2u, WinExec("cmd /c exit 5", SW_SHOWNORMAL));
    const std::vector<WinExecRecorder::Call> calls = execs.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("net start spooler", calls[0].strCmdLine);
    EXPECT_EQ(static_cast<UINT>(SW_HIDE), calls[0].uShow);
    EXPECT_EQ("cmd /c exit 5", calls[1].strCmdLine);
    EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), calls[1].uShow);
    EXPECT_EQ((std::vector<std::string>{"net start spooler", "cmd /c exit 5"}), execs.CommandLines());
}

TEST(MessageBoxRecorderTest, AnswersFromTheQueueThenWithTheDefault)
{
    MessageBoxRecorder boxes;
    boxes.QueueAnswer(IDNO);
    boxes.QueueAnswer(IDYES);
    HWND hOwner = GetDesktopWindow();
    EXPECT_EQ(IDNO, MessageBoxA(hOwner, "Restart now?", "QLX-480", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "Second", "Caption", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Third", nullptr, MB_OK | MB_ICONINFORMATION));
    boxes.SetDefaultAnswer(IDCANCEL);
    EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, nullptr, "Fourth", MB_OKCANCEL));

    const std::vector<MessageBoxRecorder::Box> seen = boxes.Boxes();
    ASSERT_EQ(4u, seen.size());
    EXPECT_TRUE(seen[0].bOwner);
    EXPECT_EQ("Restart now?", seen[0].strText);
    EXPECT_EQ("QLX-480", seen[0].strCaption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), seen[0].uType);
    EXPECT_FALSE(seen[1].bOwner);
    EXPECT_EQ("", seen[2].strCaption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), seen[2].uType);
    EXPECT_EQ("", seen[3].strText);
    EXPECT_EQ(4u, boxes.Count());
}

}  // namespace
