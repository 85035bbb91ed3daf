// exit() from a worker ends only that thread while the trap is in place.
#include "Testkit.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qlx::testkit;

namespace {

TEST(ExitTrapTest, ExitOnTheBodyThreadGivesItsCode)
{
    struct Case {
        int nCode;
    };
    for (const Case& c : {Case{3}, Case{0}, Case{-1}}) {
        SCOPED_TRACE(c.nCode);
        bool bAfterExit = false;
        const ExitResult result = RunExpectingExit(
            [&] {
                std::exit(c.nCode);
                bAfterExit = true;
            },
            5000);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(c.nCode, result.code);
        EXPECT_FALSE(bAfterExit);
    }
    // Still alive, and exit is the real one again.
    EXPECT_TRUE(HasImport("msvcrt.dll", "exit"));
}

TEST(ExitTrapTest, ExitFromAThreadTheBodyStartedIsTrapped)
{
    const ExitResult result = RunExpectingExit(
        [] {
            HANDLE hWorker = CreateThread(
                nullptr, 0,
                [](LPVOID) -> DWORD {
                    std::exit(7);
                },
                nullptr, 0, nullptr);
            WaitForSingleObject(hWorker, INFINITE);
            CloseHandle(hWorker);
        },
        5000);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(7, result.code);
}

TEST(ExitTrapTest, BodyThatReturnsOrOutlastsTheTimeoutHasNotExited)
{
    ExitResult result = RunExpectingExit([] {}, 5000);
    EXPECT_FALSE(result.exited);

    const DWORD dwStart = GetTickCount();
    result = RunExpectingExit([] { Sleep(300); }, 50);
    EXPECT_FALSE(result.exited);
    EXPECT_LT(GetTickCount() - dwStart, 250u);
}

TEST(ExitTrapTest, TrapRecordsEveryCodeFromWorkers)
{
    ExitTrap trap;
    EXPECT_FALSE(trap.Exited());
    EXPECT_FALSE(trap.Wait(10).exited);
    for (int nCode : {0, 4}) {
        HANDLE hWorker = CreateThread(
            nullptr, 0,
            [](LPVOID p) -> DWORD {
                std::exit(static_cast<int>(reinterpret_cast<INT_PTR>(p)));
            },
            reinterpret_cast<LPVOID>(static_cast<INT_PTR>(nCode)), 0, nullptr);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hWorker, 5000));
        DWORD dwThreadCode = 99;
        GetExitCodeThread(hWorker, &dwThreadCode);
        EXPECT_EQ(static_cast<DWORD>(nCode), dwThreadCode);
        CloseHandle(hWorker);
    }
    const ExitResult result = trap.Wait(0);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(0, result.code);
    EXPECT_EQ((std::vector<int>{0, 4}), trap.Codes());
}

}  // namespace
