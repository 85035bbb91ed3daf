// Custom actions of the MSI packages: run the installer or the uninstaller of the installed driver
// package folder unattended, and make its exit code the installation's outcome. Both are deferred
// and not impersonated, so they run as the local system account; their CustomActionData (set by
// the package) is "<package folder>|<trace log>|<port>": the trace log is where the program writes
// by default (named in the MSI log, not passed: the program makes its folder only then), the port
// is empty for the uninstaller and when the settings file's port is to be taken.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "BoundedText.h"
#include "Handles.h"
#include "RunSwitches.h"

namespace {

constexpr size_t kDataSize = 1024;
constexpr size_t kPathSize = MAX_PATH;
constexpr size_t kCommandSize = 2048;
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480";

class ScopedMsiHandle {
public:
    explicit ScopedMsiHandle(MSIHANDLE hHandle) : m_hHandle(hHandle) {}
    ~ScopedMsiHandle()
    {
        if (m_hHandle != 0) {
            ::MsiCloseHandle(m_hHandle);
        }
    }
    ScopedMsiHandle(const ScopedMsiHandle&) = delete;
    ScopedMsiHandle& operator=(const ScopedMsiHandle&) = delete;
    MSIHANDLE Get() const { return m_hHandle; }

private:
    MSIHANDLE m_hHandle;
};

// One line in the MSI log (msiexec /l*v), formatted like printf.
__attribute__((format(printf, 2, 3))) void LogLine(MSIHANDLE hInstall, const char* pszFormat, ...)
{
    char szText[kCommandSize];
    va_list args;
    va_start(args, pszFormat);
    FormatTextV(szText, sizeof(szText), pszFormat, args);
    va_end(args);
    ScopedMsiHandle hRecord(::MsiCreateRecord(0));
    if (hRecord.Get() != 0 && ::MsiRecordSetStringA(hRecord.Get(), 0, szText) == ERROR_SUCCESS) {
        ::MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRecord.Get());
    }
}

// The fields of CustomActionData, split at "|" in place. False when it does not hold three fields.
bool SplitActionData(char* pszData, char** ppszFolder, char** ppszLog, char** ppszPort)
{
    char** fields[] = {ppszFolder, ppszLog, ppszPort};
    char* pszNext = pszData;
    for (size_t i = 0; i < 3; ++i) {
        *fields[i] = pszNext;
        char* pszBar = pszNext;
        while (*pszBar != '\0' && *pszBar != '|') {
            ++pszBar;
        }
        if (i < 2) {
            if (*pszBar != '|') {
                return false;
            }
            *pszBar = '\0';
            pszNext = pszBar + 1;
        } else if (*pszBar != '\0') {
            return false;
        }
    }
    return true;
}

// Starts the program by its full path, in the given current folder, and waits for its end and
// then for every process it started (net.exe ends a moment after the installer that started it):
// the folder a process starts in stays open until it has ended, and RemoveFiles, right after, must
// be able to remove the package folder. A job holds them all; the program starts suspended, so it
// is in the job before it can start anything. A process that outlives the program by more than a
// minute (a printer-installation command the program gave up on) is not waited for.
bool RunProgram(MSIHANDLE hInstall, const char* pszCurrentFolder, const char* pszPath, char* pszCommand, DWORD* pdwCode)
{
    fw::ScopedHandle hJob(::CreateJobObjectA(nullptr, nullptr));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(pszPath, pszCommand, nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                          pszCurrentFolder, &si, &pi)) {
        LogLine(hInstall, "QLX-480: %s could not be started (%lu)", pszPath, ::GetLastError());
        return false;
    }
    fw::ScopedHandle hProcess(pi.hProcess);
    fw::ScopedHandle hThread(pi.hThread);
    // Windows before 8 puts no process into two jobs: then only the program itself is waited for.
    const bool bInJob = hJob && ::AssignProcessToJobObject(hJob.Get(), hProcess.Get());
    if (!bInJob) {
        LogLine(hInstall, "QLX-480: no job for %s (%lu); only the program is waited for", pszPath, ::GetLastError());
    }
    ::ResumeThread(hThread.Get());
    ::WaitForSingleObject(hProcess.Get(), INFINITE);
    const BOOL bRead = ::GetExitCodeProcess(hProcess.Get(), pdwCode);
    for (int nTries = 0; bInJob && nTries < 600; ++nTries) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
        if (!::QueryInformationJobObject(hJob.Get(), JobObjectBasicAccountingInformation, &info, sizeof(info),
                                         nullptr) ||
            info.ActiveProcesses == 0) {
            break;
        }
        ::Sleep(100);
    }
    return bRead != FALSE;
}

// Leaves the programs' own uninstall entry out of Programs and Features, so that the package's
// entry is the only one and removal always goes through the Windows Installer. The entry lives in
// the 64-bit registry view on 64-bit Windows, where this 32-bit module runs under WOW64.
void HideProgramsEntry(MSIHANDLE hInstall)
{
    REGSAM samView = 0;
#ifndef _WIN64
    using PFN_ISWOW64PROCESS = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto pfnIsWow64Process = reinterpret_cast<PFN_ISWOW64PROCESS>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32"), "IsWow64Process")));
    BOOL bWow64 = FALSE;
    if (pfnIsWow64Process != nullptr && pfnIsWow64Process(::GetCurrentProcess(), &bWow64) && bWow64) {
        samView = KEY_WOW64_64KEY;
    }
#endif
    fw::ScopedRegKey hKey;
    LONG nStatus = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE | samView, hKey.Receive());
    if (nStatus == ERROR_SUCCESS) {
        const DWORD dwOne = 1;
        nStatus = ::RegSetValueExA(hKey.Get(), "SystemComponent", 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&dwOne), sizeof(dwOne));
    }
    if (nStatus != ERROR_SUCCESS) {
        LogLine(hInstall, "QLX-480: SystemComponent not set on HKLM\\%s (%ld)", kUninstallKey, nStatus);
    }
}

// Runs one program of the package folder with /quiet /norestart (the package decides on the
// restart) and maps its exit code: restart codes ask the Windows Installer for a restart at the
// end, "nothing installed" of the uninstaller is success, anything else fails the installation.
UINT RunPackageProgram(MSIHANDLE hInstall, const char* pszExe, bool bInstaller)
{
    char szData[kDataSize] = "";
    DWORD cchData = sizeof(szData);
    char* pszFolder = nullptr;
    char* pszLog = nullptr;
    char* pszPort = nullptr;
    if (::MsiGetPropertyA(hInstall, "CustomActionData", szData, &cchData) != ERROR_SUCCESS ||
        !SplitActionData(szData, &pszFolder, &pszLog, &pszPort) || pszFolder[0] == '\0') {
        LogLine(hInstall, "QLX-480: unusable CustomActionData '%s'", szData);
        return ERROR_INSTALL_FAILURE;
    }
    // Quotes group the switch into one argument; a quote in the value would end the group.
    for (const char* pch = pszPort; *pch != '\0'; ++pch) {
        if (*pch == '"') {
            LogLine(hInstall, "QLX-480: PORT '%s' is not a port", pszPort);
            return ERROR_INSTALL_FAILURE;
        }
    }

    char szPath[kPathSize];
    CopyText(szPath, pszFolder);
    if (szPath[0] != '\0' && szPath[BoundedTextLength(szPath, sizeof(szPath)) - 1] != '\\') {
        AppendText(szPath, sizeof(szPath), "\\");
    }
    if (AppendText(szPath, sizeof(szPath), pszExe) >= sizeof(szPath) - 1) {
        LogLine(hInstall, "QLX-480: the path of %s in '%s' is too long", pszExe, pszFolder);
        return ERROR_INSTALL_FAILURE;
    }
    char szCommand[kCommandSize];
    FormatText(szCommand, sizeof(szCommand), "\"%s\" /quiet /norestart", szPath);
    if (bInstaller && pszPort[0] != '\0') {
        AppendText(szCommand, sizeof(szCommand), " \"/port=");
        AppendText(szCommand, sizeof(szCommand), pszPort);
        AppendText(szCommand, sizeof(szCommand), "\"");
    }
    LogLine(hInstall, "QLX-480: running %s", szCommand);

    // The installer reads the package from its current folder. The uninstaller needs none: it
    // starts in the system folder, since the folder a process starts in stays open until it has
    // ended, and RemoveFiles, right after, must be able to remove the package folder.
    char szSystem[kPathSize] = "";
    const UINT cchSystem = ::GetSystemDirectoryA(szSystem, sizeof(szSystem));
    if (!bInstaller && (cchSystem == 0 || cchSystem >= sizeof(szSystem))) {
        LogLine(hInstall, "QLX-480: GetSystemDirectory failed (%lu)", ::GetLastError());
        return ERROR_INSTALL_FAILURE;
    }
    DWORD dwCode = 0;
    if (!RunProgram(hInstall, bInstaller ? pszFolder : szSystem, szPath, szCommand, &dwCode)) {
        return ERROR_INSTALL_FAILURE;
    }
    // A program that finds that folder made a link logs to <Windows>\Temp under the same name.
    LogLine(hInstall, "QLX-480: %s exited %lu; its trace log is %s (or, if that folder is a link, the file of that "
            "name in the Windows directory's Temp folder)", pszExe, dwCode, pszLog);
    switch (dwCode) {
    case kExitSuccess:
        break;
    case kExitRestartNeeded:
    case kExitRestartStarted:
        ::MsiSetMode(hInstall, MSIRUNMODE_REBOOTATEND, TRUE);
        break;
    case kExitNothingInstalled:
        if (!bInstaller) {
            return ERROR_SUCCESS;
        }
        return ERROR_INSTALL_FAILURE;
    default:
        return ERROR_INSTALL_FAILURE;
    }
    if (bInstaller) {
        HideProgramsEntry(hInstall);
    }
    return ERROR_SUCCESS;
}

} // namespace

extern "C" __declspec(dllexport) UINT __stdcall RunInstaller(MSIHANDLE hInstall)
{
    return RunPackageProgram(hInstall, "QLX480_Installer.exe", true);
}

extern "C" __declspec(dllexport) UINT __stdcall RunUninstaller(MSIHANDLE hInstall)
{
    return RunPackageProgram(hInstall, "QLX480_Uninstaller.exe", false);
}
