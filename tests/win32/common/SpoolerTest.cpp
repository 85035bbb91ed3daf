// Spooler service control: the net command, the retry after an outage, job cancelling and the
// restart request. Outages, job lists and the reboot are injected: Wine cannot produce them, and a
// real reboot would end the prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "Spooler.h"
#include "Testkit.h"

using namespace qlx::testkit;

namespace {

struct ProcessStart {
    std::string strApplication;
    std::string strCommandLine;
    DWORD dwFlags;
    WORD wShowWindow;
};

// Records every CreateProcessA and starts nothing.
class ProcessRecorder {
public:
    ProcessRecorder()
        : m_hook(Replace<decltype(&CreateProcessA)>(
              "kernel32.dll", "CreateProcessA",
              [this](LPCSTR pszApp, LPSTR pszCmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD dwFlags,
                     LPVOID, LPCSTR, LPSTARTUPINFOA pSi, LPPROCESS_INFORMATION pPi) {
                  m_starts.push_back({pszApp ? pszApp : "", pszCmd ? pszCmd : "", dwFlags,
                                      (pSi->dwFlags & STARTF_USESHOWWINDOW) ? pSi->wShowWindow : WORD(0xFFFF)});
                  pPi->hProcess = ::GetCurrentProcess();  // pseudo handles: closing them does nothing
                  pPi->hThread = ::GetCurrentThread();
                  pPi->dwProcessId = 0;
                  pPi->dwThreadId = 0;
                  return TRUE;
              }))
    {
    }
    std::vector<std::string> CommandLines() const
    {
        std::vector<std::string> lines;
        for (const ProcessStart& start : m_starts) {
            lines.push_back(start.strCommandLine);
        }
        return lines;
    }
    std::vector<ProcessStart> m_starts;

private:
    Hook<decltype(&CreateProcessA)> m_hook;
};

std::string SystemNet()
{
    char szDir[MAX_PATH] = "";
    ::GetSystemDirectoryA(szDir, sizeof(szDir));
    return std::string(szDir) + "\\net.exe";
}

TEST(SpoolerService, NetCommandsRunHiddenFromTheSystemDirectoryThenPause)
{
    SleepRecorder sleeps;
    ProcessRecorder processes;
    StartSpooler(2000);
    StopSpooler(1500);
    ASSERT_EQ(processes.m_starts.size(), 2u);
    EXPECT_EQ(processes.m_starts[0].strApplication, SystemNet());
    EXPECT_EQ(processes.m_starts[0].strCommandLine, "net start spooler");
    EXPECT_EQ(processes.m_starts[0].wShowWindow, SW_HIDE);
    EXPECT_EQ(processes.m_starts[1].strApplication, SystemNet());
    EXPECT_EQ(processes.m_starts[1].strCommandLine, "net stop spooler");
    EXPECT_EQ(sleeps.Pauses(), (std::vector<DWORD>{2000, 1500}));
}

// A spooler call that fails with the given errors in turn, then succeeds.
struct ScriptedCall {
    std::vector<DWORD> errors;
    int nCalls = 0;
    BOOL operator()()
    {
        const size_t nIndex = static_cast<size_t>(nCalls++);
        if (nIndex < errors.size()) {
            ::SetLastError(errors[nIndex]);
            return FALSE;
        }
        return TRUE;
    }
};

TEST(SpoolerRetry, RetriesOnceOnlyForTheSitesTriggerErrors)
{
    const struct {
        std::vector<DWORD> triggers;
        std::vector<DWORD> errors;
        BOOL bResult;
        int nCalls;
        bool bRestarted;
        DWORD dwLastError;
    } cases[] = {
        {{1722, 1726}, {}, TRUE, 1, false, 0},
        {{1722, 1726}, {1722}, TRUE, 2, true, 0},
        {{1722, 1726}, {1726}, TRUE, 2, true, 0},
        {{1722, 1726}, {1722, 1722}, FALSE, 2, true, 1722},
        {{1722, 1726}, {1726, 1722, 1722}, FALSE, 2, true, 1722},
        {{1722}, {1726}, FALSE, 1, false, 1726},
        {{1722}, {1722}, TRUE, 2, true, 0},
        {{1722, 1726}, {3000}, FALSE, 1, false, 3000},
    };
    for (const auto& c : cases) {
        SleepRecorder sleeps;
        ProcessRecorder processes;
        ScriptedCall call{c.errors};
        ::SetLastError(0);
        const BOOL bResult = c.triggers.size() == 2 ? CallWithSpoolerRetry({1722, 1726}, [&] { return call(); })
                                                    : CallWithSpoolerRetry({1722}, [&] { return call(); });
        const DWORD dwError = ::GetLastError();
        EXPECT_EQ(bResult, c.bResult);
        EXPECT_EQ(call.nCalls, c.nCalls);
        if (!c.bResult) {
            EXPECT_EQ(dwError, c.dwLastError);
        }
        EXPECT_EQ(processes.CommandLines(),
                  c.bRestarted ? std::vector<std::string>{"net start spooler"} : std::vector<std::string>{});
        EXPECT_EQ(sleeps.Pauses(), c.bRestarted ? std::vector<DWORD>{2000} : std::vector<DWORD>{});
    }
}

SpoolerEnum EnumLocalPrinters(std::initializer_list<DWORD> triggers)
{
    return EnumerateWithSpoolerRetry(triggers, [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
        return ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, pBuf, cbBuf, pcbNeeded, pnCount);
    });
}

TEST(SpoolerRetry, EnumerationIsRepeatedInFullAfterTheRestart)
{
    SleepRecorder sleeps;
    ProcessRecorder processes;
    auto outage = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", 1722, 2, FALSE);
    const SpoolerEnum printers = EnumLocalPrinters({1722, 1726});
    EXPECT_TRUE(printers.bOk);
    EXPECT_EQ(outage.Calls(), 4);  // size and fetch, twice
    EXPECT_EQ(processes.CommandLines(), std::vector<std::string>{"net start spooler"});
    EXPECT_EQ(sleeps.Pauses(), std::vector<DWORD>{2000});
}

TEST(SpoolerRetry, SpoolerThatStaysDownFailsWithItsError)
{
    SleepRecorder sleeps;
    ProcessRecorder processes;
    auto outage = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", 1722, -1, FALSE);
    const SpoolerEnum printers = EnumLocalPrinters({1722, 1726});
    EXPECT_FALSE(printers.bOk);
    EXPECT_EQ(printers.dwError, 1722u);
    EXPECT_EQ(::GetLastError(), 1722u);
    EXPECT_EQ(outage.Calls(), 4);
}

TEST(SpoolerRetry, ErrorOutsideTheSitesTriggersIsNotRetried)
{
    SleepRecorder sleeps;
    ProcessRecorder processes;
    auto outage = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", 1726, -1, FALSE);
    const SpoolerEnum printers = EnumLocalPrinters({1722});
    EXPECT_FALSE(printers.bOk);
    EXPECT_EQ(outage.Calls(), 2);
    EXPECT_TRUE(processes.m_starts.empty());
}

// A printer queue with the given number of jobs (ids 100, 101, ...), honest about sizes.
Hook<decltype(&EnumJobsA)> QueueWithJobs(DWORD nJobs, std::vector<DWORD>* pRequested)
{
    return Replace<decltype(&EnumJobsA)>(
        "winspool.drv", "EnumJobsA",
        [=](HANDLE, DWORD, DWORD nWanted, DWORD dwLevel, LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pnCount) {
            pRequested->push_back(nWanted);
            EXPECT_EQ(dwLevel, 3u);
            const DWORD cbNeeded = nJobs * sizeof(JOB_INFO_3);
            *pcbNeeded = cbNeeded;
            *pnCount = 0;
            if (cbBuf < cbNeeded || (cbNeeded != 0 && pBuf == nullptr)) {
                ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return FALSE;
            }
            auto* pJobs = reinterpret_cast<JOB_INFO_3*>(pBuf);
            for (DWORD i = 0; i < nJobs; ++i) {
                pJobs[i] = JOB_INFO_3{100 + i, i + 1 < nJobs ? 101 + i : 0, 0};
            }
            *pnCount = nJobs;
            return TRUE;
        });
}

struct JobCommand {
    DWORD dwJobId;
    DWORD dwCommand;
    bool operator==(const JobCommand& o) const { return dwJobId == o.dwJobId && dwCommand == o.dwCommand; }
};

Hook<decltype(&SetJobA)> RecordSetJob(std::vector<JobCommand>* pCommands)
{
    return Replace<decltype(&SetJobA)>("winspool.drv", "SetJobA",
                                       [=](HANDLE, DWORD dwJobId, DWORD dwLevel, LPBYTE pJob, DWORD dwCommand) {
                                           EXPECT_EQ(dwLevel, 0u);
                                           EXPECT_EQ(pJob, nullptr);
                                           pCommands->push_back({dwJobId, dwCommand});
                                           return TRUE;
                                       });
}

TEST(CancelPrinterJobs, DeletesEachQueuedJobAndPausesOnlyWhenThereWereJobs)
{
    for (DWORD nJobs : {0u, 3u, 1001u}) {
        SleepRecorder sleeps;
        std::vector<DWORD> requested;
        std::vector<JobCommand> commands;
        auto jobs = QueueWithJobs(nJobs, &requested);
        auto setJob = RecordSetJob(&commands);
        CancelPrinterJobs(reinterpret_cast<HANDLE>(0x1234));

        const DWORD nHandled = std::min<DWORD>(nJobs, 1000);
        ASSERT_EQ(commands.size(), nHandled) << nJobs << " jobs";
        for (DWORD i = 0; i < nHandled; ++i) {
            EXPECT_EQ(commands[i], (JobCommand{100 + i, JOB_CONTROL_DELETE}));
        }
        EXPECT_EQ(requested, (std::vector<DWORD>{1000, 1000}));
        EXPECT_EQ(sleeps.Pauses(), nJobs > 0 ? std::vector<DWORD>{1000} : std::vector<DWORD>{});
    }
}

TEST(CancelPrinterJobs, OldWindowsCancelsInsteadOfDeleting)
{
    const struct {
        DWORD dwPlatform;
        DWORD dwMajor;
        DWORD dwCommand;
    } systems[] = {{1, 4, JOB_CONTROL_CANCEL}, {2, 3, JOB_CONTROL_CANCEL}, {2, 4, JOB_CONTROL_DELETE},
                   {2, 6, JOB_CONTROL_DELETE}};
    for (const auto& system : systems) {
        SleepRecorder sleeps;
        std::vector<DWORD> requested;
        std::vector<JobCommand> commands;
        auto jobs = QueueWithJobs(2, &requested);
        auto setJob = RecordSetJob(&commands);
        std::vector<DWORD> sizes;
        auto version = Replace<decltype(&GetVersionExA)>("kernel32.dll", "GetVersionExA", [&](LPOSVERSIONINFOA p) {
            sizes.push_back(p->dwOSVersionInfoSize);
            p->dwPlatformId = system.dwPlatform;
            p->dwMajorVersion = system.dwMajor;
            return TRUE;
        });
        CancelPrinterJobs(reinterpret_cast<HANDLE>(0x1234));
        EXPECT_EQ(commands, (std::vector<JobCommand>{{100, system.dwCommand}, {101, system.dwCommand}}));
        EXPECT_EQ(sizes, (std::vector<DWORD>{148, 148}));  // read again for every job
    }
}

TEST(CancelPrinterJobs, SpoolerDownLeavesTheJobsToDeletePrinter)
{
    SleepRecorder sleeps;
    ProcessRecorder processes;
    std::vector<JobCommand> commands;
    auto outage = FailCall<decltype(&EnumJobsA)>("winspool.drv", "EnumJobsA", 1726, -1, FALSE);
    auto setJob = RecordSetJob(&commands);
    CancelPrinterJobs(reinterpret_cast<HANDLE>(0x1234));
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(outage.Calls(), 4);
    EXPECT_EQ(processes.CommandLines(), std::vector<std::string>{"net start spooler"});
    EXPECT_EQ(sleeps.Pauses(), std::vector<DWORD>{2000});  // the retry pause, no job pause
}

// Never lets a test reboot the prefix; records what would have been asked.
Hook<decltype(&ExitWindowsEx)> RecordReboot(std::vector<UINT>* pFlags)
{
    return Replace<decltype(&ExitWindowsEx)>("user32.dll", "ExitWindowsEx", [=](UINT uFlags, DWORD dwReason) {
        EXPECT_EQ(dwReason, 0u);
        pFlags->push_back(uFlags);
        return TRUE;
    });
}

TEST(RestartComputer, EnablesThePrivilegeAndAsksForAForcedReboot)
{
    std::vector<UINT> flags;
    auto reboot = RecordReboot(&flags);
    EXPECT_TRUE(RestartComputer());
    EXPECT_EQ(flags, std::vector<UINT>{EWX_REBOOT | EWX_FORCE});
}

TEST(RestartComputer, WithoutTheShutdownPrivilegeAsksNothing)
{
    std::vector<UINT> flags;
    auto reboot = RecordReboot(&flags);
    auto adjust = Replace<decltype(&AdjustTokenPrivileges)>(
        "advapi32.dll", "AdjustTokenPrivileges", [](HANDLE, BOOL bDisableAll, PTOKEN_PRIVILEGES pNew, DWORD,
                                                    PTOKEN_PRIVILEGES, PDWORD) {
            EXPECT_FALSE(bDisableAll);
            EXPECT_EQ(pNew->PrivilegeCount, 1u);
            EXPECT_EQ(pNew->Privileges[0].Attributes, static_cast<DWORD>(SE_PRIVILEGE_ENABLED));
            ::SetLastError(ERROR_NOT_ALL_ASSIGNED);
            return TRUE;
        });
    EXPECT_FALSE(RestartComputer());
    EXPECT_TRUE(flags.empty());
}

TEST(RestartComputer, TokenThatCannotBeOpenedAsksNothing)
{
    std::vector<UINT> flags;
    auto reboot = RecordReboot(&flags);
    auto token = FailCall<decltype(&OpenProcessToken)>("advapi32.dll", "OpenProcessToken", ERROR_ACCESS_DENIED, -1,
                                                       FALSE);
    EXPECT_FALSE(RestartComputer());
    EXPECT_TRUE(flags.empty());
}

}  // namespace
