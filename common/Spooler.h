// Spooler service control: start and stop through the system's net command, the one retry
// around a spooler call that failed because the service was down, cancelling a printer's jobs
// before it is deleted, and the restart of Windows.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>

// Pauses after the service commands (milliseconds).
constexpr DWORD kSpoolerRetryPause = 2000;
constexpr DWORD kJobsCancelledPause = 1000;

// Errors of a spooler call made while the service is down, or dying during the call.
constexpr DWORD kRpcServerUnavailable = 1722;
constexpr DWORD kRpcCallFailedDne = 1726;

// "net start spooler" / "net stop spooler", hidden and not awaited, then the caller's pause.
// net.exe is started from the system directory, never from the current or program folder.
void StartSpooler(DWORD dwPauseMs);
void StopSpooler(DWORD dwPauseMs);

// The result of one two-call enumeration: the buffer and the record count, or the failure.
struct SpoolerEnum {
    BOOL bOk = FALSE;
    DWORD dwError = ERROR_SUCCESS;  // GetLastError() of the failed fetch
    DWORD nCount = 0;
    std::vector<BYTE> buffer;

    template <typename T>
    const T* Records() const
    {
        return buffer.empty() ? nullptr : reinterpret_cast<const T*>(buffer.data());
    }
};

// Two-call enumeration: the call with no buffer and size 0 yields the byte count, the second
// call fills a buffer of that size. fn(pBuf, cbBuf, pcbNeeded, pcReturned) -> BOOL.
template <typename Fn>
SpoolerEnum EnumerateTwoCall(Fn fn)
{
    SpoolerEnum result;
    DWORD cbNeeded = 0;
    DWORD nReturned = 0;
    fn(nullptr, 0, &cbNeeded, &nReturned);
    result.buffer.assign(cbNeeded, 0);
    cbNeeded = static_cast<DWORD>(result.buffer.size());
    nReturned = 0;
    result.bOk = fn(result.buffer.empty() ? nullptr : result.buffer.data(), cbNeeded, &cbNeeded, &nReturned);
    if (result.bOk) {
        result.nCount = nReturned;
    } else {
        result.dwError = ::GetLastError();
    }
    return result;
}

// Whether a failed call's error is one of the site's trigger errors.
inline bool IsSpoolerTrigger(DWORD dwError, std::initializer_list<DWORD> triggers)
{
    for (DWORD dwTrigger : triggers) {
        if (dwError == dwTrigger) {
            return true;
        }
    }
    return false;
}

// Spooler retry around one deleting call: on FALSE with a trigger error the spooler is started,
// 2,000 ms pass and the call is made once more with the same arguments. Never a second retry.
// GetLastError() after it is the error of the call that decided the result.
template <typename Call>
BOOL CallWithSpoolerRetry(std::initializer_list<DWORD> triggers, Call call)
{
    if (call()) {
        return TRUE;
    }
    if (!IsSpoolerTrigger(::GetLastError(), triggers)) {
        return FALSE;
    }
    StartSpooler(kSpoolerRetryPause);
    return call();
}

// Spooler retry around one enumeration: the whole two-call form is repeated after the restart.
template <typename Fn>
SpoolerEnum EnumerateWithSpoolerRetry(std::initializer_list<DWORD> triggers, Fn fn)
{
    SpoolerEnum result = EnumerateTwoCall(fn);
    if (result.bOk || !IsSpoolerTrigger(result.dwError, triggers)) {
        return result;
    }
    StartSpooler(kSpoolerRetryPause);
    result = EnumerateTwoCall(fn);
    if (!result.bOk) {
        ::SetLastError(result.dwError);
    }
    return result;
}

// The local printers (level 2) with the spooler retry on 1722 and 1726.
SpoolerEnum EnumLocalPrinters();

// Whether the spooler lists a print processor of exactly this name (byte for byte) in the
// environment of this process. A failed enumeration lists none.
bool IsPrintProcessorListed(const char* pszName);

// Removes every queued job (the first 1000) of a printer opened with PRINTER_ALL_ACCESS.
void CancelPrinterJobs(HANDLE hPrinter);

// Enables the shutdown privilege and asks Windows to reboot, forcing applications closed.
// False, without asking, when the privilege cannot be enabled.
bool RestartComputer();
