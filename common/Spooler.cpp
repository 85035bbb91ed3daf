#include "Spooler.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "BoundedText.h"
#include "UnattendedRun.h"
#include "framework/Handles.h"

namespace {

constexpr DWORD kMaxJobs = 1000;

// Runs "net <verb> spooler" hidden. The command line keeps the plain "net ..." text; the program
// itself is named by its full path so a net.exe planted beside the installer never runs.
void RunNetCommand(const char* pszCommandLine)
{
    char szNet[MAX_PATH] = "";
    const UINT nLength = ::GetSystemDirectoryA(szNet, sizeof(szNet));
    if (nLength == 0 || nLength >= sizeof(szNet)) {
        return;
    }
    AppendText(szNet, "\\net.exe");

    char szCommandLine[64] = "";  // CreateProcessA may write into its command line
    CopyText(szCommandLine, pszCommandLine);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(szNet, szCommandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                         &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
}

}  // namespace

void StartSpooler(DWORD dwPauseMs)
{
    RunNetCommand("net start spooler");
    ::Sleep(dwPauseMs);
}

void StopSpooler(DWORD dwPauseMs)
{
    RunNetCommand("net stop spooler");
    ::Sleep(dwPauseMs);
}

SpoolerEnum EnumLocalPrinters()
{
    return EnumerateWithSpoolerRetry(
        {kRpcServerUnavailable, kRpcCallFailedDne}, [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
            return ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, pBuf, cbBuf, pcbNeeded, pnCount);
        });
}

bool IsPrintProcessorListed(const char* pszName)
{
    const SpoolerEnum processors = EnumerateTwoCall([](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
        return ::EnumPrintProcessorsA(nullptr, nullptr, 1, pBuf, cbBuf, pcbNeeded, pnCount);
    });
    // The count never reaches past the buffer.
    const DWORD nProcessors =
        processors.bOk ? std::min<DWORD>(processors.nCount, static_cast<DWORD>(processors.buffer.size() /
                                                                               sizeof(PRINTPROCESSOR_INFO_1A)))
                       : 0;
    const PRINTPROCESSOR_INFO_1A* pProcessors = processors.Records<PRINTPROCESSOR_INFO_1A>();
    for (DWORD i = 0; i < nProcessors; ++i) {
        if (pProcessors[i].pName != nullptr && std::strcmp(pProcessors[i].pName, pszName) == 0) {
            return true;
        }
    }
    return false;
}

void CancelPrinterJobs(HANDLE hPrinter)
{
    const SpoolerEnum jobs = EnumerateWithSpoolerRetry(
        {kRpcServerUnavailable, kRpcCallFailedDne}, [hPrinter](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
            return ::EnumJobsA(hPrinter, 0, kMaxJobs, 3, pBuf, cbBuf, pcbNeeded, pnCount);
        });
    // The count the spooler last reported; a failed enumeration reports none.
    const DWORD nJobs = jobs.bOk ? std::min<DWORD>(jobs.nCount, kMaxJobs) : 0;
    const JOB_INFO_3* pJobs = jobs.Records<JOB_INFO_3>();
    for (DWORD i = 0; i < nJobs && pJobs != nullptr; ++i) {
        // Old Windows (the 9x family, NT before 4.0) only knows how to cancel a job.
        OSVERSIONINFOA osvi = {};
        osvi.dwOSVersionInfoSize = sizeof(osvi);
        ::GetVersionExA(&osvi);
        const DWORD dwCommand = (osvi.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS || osvi.dwMajorVersion < 4)
                                    ? JOB_CONTROL_CANCEL
                                    : JOB_CONTROL_DELETE;
        ::SetJobA(hPrinter, pJobs[i].JobId, 0, nullptr, dwCommand);
    }
    if (nJobs > 0) {
        ::Sleep(kJobsCancelledPause);
    }
}

bool RestartComputer()
{
    HANDLE hRawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hRawToken)) {
        return false;
    }
    fw::ScopedHandle hToken(hRawToken);
    TOKEN_PRIVILEGES tp = {};
    ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid);
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ::AdjustTokenPrivileges(hToken.Get(), FALSE, &tp, 0, nullptr, nullptr);
    // AdjustTokenPrivileges succeeds with ERROR_NOT_ALL_ASSIGNED when the privilege is not held.
    if (::GetLastError() != ERROR_SUCCESS) {
        return false;
    }
    if (!::ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0)) {
        return false;
    }
    NoteOutcome(kOutcomeRestartStarted);
    return true;
}
