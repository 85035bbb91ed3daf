// Driver-package installation path (Vista and later): the package is handed to the system's
// printer-installation tool in a hidden child process; then the INF, the uninstall entry and the
// utilities, and the closing message.
#include <windows.h>
#include <winspool.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "BoundedText.h"
#include "EnginePaths.h"
#include "InstallEngine.h"
#include "PortChoice.h"
#include "Spooler.h"
#include "TraceLog.h"
#include "UnattendedRun.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"

namespace {

// The printer-installation tool gets at most this long before the installer gives up.
constexpr DWORD kInstallWaitMs = 120000;
constexpr DWORD kFinalSpoolerPause = 1500;
constexpr size_t kCommandSize = 1024;

const char kRestartQuestion[] =
    "Restarting your computer can take effect.\nPlease restart your computer."
    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.";
const char kReplugMessage[] = "Please turn-off the printer and then turn-on again.";

// "<System>\\cmd.exe" /c <System>\\RUNDLL32.exe <arguments>. A system folder with a blank in it
// has the RUNDLL32 path quoted and the whole command after /c quoted once more, since cmd strips
// the first and the last quote of it. szCmdExe gets the program to start ("" when the system
// folder cannot be named, which makes the start fail).
void BuildPackageCommand(char (&szCmdExe)[engine_paths::kPathSize], char (&szCommand)[kCommandSize],
                         const char* pszArguments)
{
    char szSystem[engine_paths::kPathSize];
    engine_paths::SystemFolder(szSystem);
    char szRundll[engine_paths::kPathSize];
    if (!engine_paths::JoinPath(szCmdExe, szSystem, "cmd.exe") ||
        !engine_paths::JoinPath(szRundll, szSystem, "RUNDLL32.exe")) {
        szCmdExe[0] = '\0';
        szRundll[0] = '\0';
    }
    if (std::strchr(szRundll, ' ') != nullptr) {
        FormatText(szCommand, sizeof(szCommand), "\"%s\" /c \"\"%s\" %s\"", szCmdExe, szRundll, pszArguments);
    } else {
        FormatText(szCommand, sizeof(szCommand), "\"%s\" /c %s %s", szCmdExe, szRundll, pszArguments);
    }
}

// Whether a local printer on this port ("LPT1" matches "LPT1:") uses the printer driver.
bool PrinterOnPortUses(const char* pszPort, const std::string& strDriver)
{
    const SpoolerEnum printers =
        EnumerateWithSpoolerRetry({kRpcServerUnavailable}, [](LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pnCount) {
            return ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, pBuf, cbBuf, pcbNeeded, pnCount);
        });
    const std::string strPort = std::string(pszPort) + ":";
    const PRINTER_INFO_2A* pPrinters = printers.Records<PRINTER_INFO_2A>();
    const size_t nFit = printers.buffer.size() / sizeof(PRINTER_INFO_2A);
    for (size_t i = 0; printers.bOk && pPrinters != nullptr && i < printers.nCount && i < nFit; ++i) {
        const PRINTER_INFO_2A& printer = pPrinters[i];
        if (printer.pDriverName != nullptr && strDriver == printer.pDriverName && printer.pPortName != nullptr &&
            (::lstrcmpiA(printer.pPortName, strPort.c_str()) == 0 || ::lstrcmpiA(printer.pPortName, pszPort) == 0)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void CInstallEngine::AddToWin2KWithWHQL(int nPortCode)
{
    TraceStep step("AddToWin2KWithWHQL");
    const int bExisted = PrinterDrvExist(m_strDriverName);
    ProgressNote("Preparing for installation...\r\n", 500);
    if (!bExisted) {
        m_removal.DeleteVidPid(Note::Quiet);
        m_removal.DeletePrnDrvPnPDirectory(Note::Quiet);
        m_removal.Delete_LPT_USB_Info(Note::Quiet);
    }
    ProgressNote("Installing printer...\r\n", 500);

    // A serial or parallel port gets a printer object named like the driver from the INF; USB
    // gets the driver only, and Plug and Play makes the printer object when the printer is on.
    const bool bUsb = nPortCode == kPortCodeUsb;
    const std::string strInfPath = ".\\" + m_strInfName;
    char szArguments[kCommandSize];
    if (bUsb) {
        FormatText(szArguments, sizeof(szArguments), "printui.dll,PrintUIEntry /ia /m \"%s\" /f %s",
                   m_strDriverName.c_str(), strInfPath.c_str());
    } else {
        FormatText(szArguments, sizeof(szArguments), "printui.dll,PrintUIEntry /if /b \"%s\" /f %s /r \"%s:\" /m \"%s\"",
                   m_strDriverName.c_str(), strInfPath.c_str(), PortNameFromCode(nPortCode), m_strDriverName.c_str());
    }
    // An installed driver is used as it is.
    if (bExisted) {
        AppendText(szArguments, " /u");
    }
    // The installer runs elevated with the package folder as its current folder: cmd.exe and
    // RUNDLL32.exe are named by their paths in the system directory, so copies planted beside the
    // installer or in the package never run.
    char szCmdExe[engine_paths::kPathSize];
    char szCommand[kCommandSize];
    BuildPackageCommand(szCmdExe, szCommand, szArguments);
    ProgressNote("Creates a new process \r\n", 500);

    // With the driver present a USB printer needs nothing from the installer. The tool's own
    // outcome decides nothing: what the spooler holds afterwards does.
    bool bInstalled = true;
    if (!(bUsb && bExisted)) {
        bInstalled = RunPackageCommand(szCmdExe, szCommand) && PackageCommandInstalled(bExisted, nPortCode);
        if (bInstalled && INFFileExist(m_strMakerName, m_strDriverName) == 0) {
            CopyINFFile();
        }
    }

    if (bInstalled && !bExisted) {
        RegisterUninstallInfo();
        CopyFilesOfUtilities();
        CompletionNote("The driver has been successfully installed.");
        if (bUsb) {
            fw::AppMessageBox(kReplugMessage, MB_OK | MB_ICONINFORMATION);
        } else if (fw::AppMessageBox(kRestartQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            RestartComputer();
        }
    }

    WriteTraceLog("\r\n");
    step.End();
    CompletionNote("Completed.");
    StartSpooler(kFinalSpoolerPause);
}

bool CInstallEngine::RunPackageCommand(const char* pszCmdExe, char* pszCommand)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const BOOL bStarted = ::CreateProcessA(pszCmdExe, pszCommand, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                                           nullptr, nullptr, &startup, &process);
    const DWORD dwError = ::GetLastError();
    WriteTraceLog("\r\nCOMMAND LINE : %s", pszCommand);
    if (!bStarted) {
        // Nothing was installed: no uninstall entry and no success message for it.
        NoteOutcome(kOutcomeFailure);
        fw::AppMessageBox("CreateProcess failed.", MB_OK);
        WriteTraceLog("CreateProcess failed. (%d)", static_cast<int>(dwError));
        return false;
    }

    fw::ScopedHandle hProcess(process.hProcess);
    fw::ScopedHandle hThread(process.hThread);
    ProgressNote("The new process is running...\r\n", 500);
    ProgressNote("Waiting until the process has finished processing ...\r\n", 0);
    if (::WaitForSingleObject(hProcess.Get(), kInstallWaitMs) == WAIT_TIMEOUT) {
        // The tool is left running; the installer gives up with its own exit code.
        hProcess.Reset();
        hThread.Reset();
        NoteOutcome(kOutcomeFailure);
        fw::AppMessageBox("The process could not finish the installation.", MB_OK | MB_ICONHAND);
        WriteTraceLog("WAIT_TIMEOUT");
        EndRun(-1);
    }
    DWORD dwExitCode = 0;
    ::GetExitCodeProcess(hProcess.Get(), &dwExitCode);
    WriteTraceLog("PROCESS EXIT CODE : %d", static_cast<int>(dwExitCode));
    return true;
}

bool CInstallEngine::PackageCommandInstalled(int bExisted, int nPortCode)
{
    char szMissing[512] = "";
    if (!bExisted && !SpoolerListsDriver(m_strEnvironment.c_str(), m_strDriverName)) {
        FormatText(szMissing, sizeof(szMissing), "the printer driver %s is not installed", m_strDriverName.c_str());
    } else if (nPortCode != kPortCodeUsb && !PrinterOnPortUses(PortNameFromCode(nPortCode), m_strDriverName)) {
        FormatText(szMissing, sizeof(szMissing), "no printer on %s: with the printer driver %s",
                   PortNameFromCode(nPortCode), m_strDriverName.c_str());
    }
    if (szMissing[0] == '\0') {
        return true;
    }
    NoteOutcome(kOutcomeFailure);
    WriteTraceLog("PACKAGE INSTALLATION FAILED : %s", szMissing);
    const std::string strText = "The system's printer-installation tool did not install the driver.\n\n"
                                "The trace log " + TraceLogShownPath() + " says what is missing.";
    fw::AppMessageBox(strText.c_str(), MB_OK | MB_ICONHAND);
    return false;
}
