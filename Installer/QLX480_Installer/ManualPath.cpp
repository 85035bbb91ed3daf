// Manual installation path (Windows 2000, XP, Server 2003): leftovers of an earlier installation
// cleared, driver files staged, every component registered with the spooler, a printer object on
// the chosen port, then the INF, the staging copies removed and the uninstaller registered.
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "BoundedText.h"
#include "EnginePaths.h"
#include "FileUtil.h"
#include "HardwareId.h"
#include "InfFileList.h"
#include "InstallEngine.h"
#include "InstallerFileUtil.h"
#include "PortChoice.h"
#include "Profile.h"
#include "Spooler.h"
#include "TraceLog.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"

using engine_paths::ConcatPath;
using engine_paths::JoinPath;
using engine_paths::kPathSize;

namespace {

constexpr int kFirstVistaOSCode = 2007;
constexpr DWORD kCompletedPause = 1500;
// Printer names tried for another printer object of the driver: "<driver>(#1)" up to this number.
constexpr int kMaxPrinterSuffix = 9999;

// The Universal Printer Driver files: staged and removed without any check.
const char* const kUniversalFiles[] = {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIDRV.HLP", "UNIRES.DLL"};
const char kStdNames[] = "STDNAMES.GPD";

const char kRestartQuestion[] =
    "Restarting your computer can take effect.\nPlease restart your computer."
    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.";
const char kReplugMessage[] = "Please turn-off the printer and then turn-on again.";

std::string LoadEntry(ProfileEntry entry) { return LoadProfileEntry(Program::Installer, entry); }

// Whether the spooler opens a printer of this name (the handle is closed again at once).
bool PrinterExists(const std::string& strName)
{
    HANDLE hPrinter = nullptr;
    if (!::OpenPrinterA(const_cast<LPSTR>(strName.c_str()), &hPrinter, nullptr)) {
        return false;
    }
    fw::ScopedPrinter owned(hPrinter);
    return true;
}

// Copy of one staged file. bFallback: a failed copy goes to the fallback for locked files.
void StageFile(const char* pszSource, const char* pszDest, bool bFallback)
{
    BOOL bCopied = FALSE;
    DWORD dwError = ERROR_FILENAME_EXCED_RANGE;  // a path that could not be named whole
    if (pszSource[0] != '\0' && pszDest[0] != '\0') {
        bCopied = ::CopyFileA(pszSource, pszDest, FALSE);
        dwError = ::GetLastError();
    }
    WriteTraceLog("FILE SRC : %s", pszSource);
    if (!bCopied && bFallback) {
        CopyFileWithFallback(pszSource, pszDest, dwError);
    }
}

}  // namespace

bool SpoolerListsDriver(const char* pszEnvironment, const std::string& strDriverName)
{
    const SpoolerEnum drivers = EnumerateWithSpoolerRetry(
        {kRpcServerUnavailable}, [pszEnvironment](LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pnCount) {
            return ::EnumPrinterDriversA(nullptr, const_cast<LPSTR>(pszEnvironment), 3, pBuf, cbBuf, pcbNeeded,
                                         pnCount);
        });
    if (!drivers.bOk) {
        return false;
    }
    const DRIVER_INFO_3A* pDrivers = drivers.Records<DRIVER_INFO_3A>();
    // Never more records than the buffer holds, whatever the count says.
    const size_t nFit = drivers.buffer.size() / sizeof(DRIVER_INFO_3A);
    for (size_t i = 0; pDrivers != nullptr && i < drivers.nCount && i < nFit; ++i) {
        if (pDrivers[i].pName != nullptr && strDriverName == pDrivers[i].pName) {
            return true;
        }
    }
    return false;
}

int CInstallEngine::PrinterDrvExist(const std::string& strDriverName)
{
    TraceStep step("PrinterDrvExist");
    ProgressNote("Checking existing drivers...\r\n", 500);

    if (SpoolerListsDriver(nullptr, strDriverName)) {
        WriteTraceLog("%s PRINTER DRIVER EXISTS.", strDriverName.c_str());
        return 1;
    }
    WriteTraceLog("%s PRINTER DRIVER DOES NOT EXIST.", strDriverName.c_str());
    return 0;
}

void CInstallEngine::AddToWin2K(int nPortCode)
{
    TraceStep step("AddToWin2K");
    const int bExists = PrinterDrvExist(m_strDriverName);
    ProgressNote("Preparing for installation...\r\n", 500);

    // Another printer object of an installed driver takes the first free name "<driver>(#n)".
    std::string strPrinterName = m_strDriverName;
    if (bExists) {
        for (int n = 1; n <= kMaxPrinterSuffix && PrinterExists(strPrinterName); ++n) {
            strPrinterName = m_strDriverName + "(#" + std::to_string(n) + ")";
        }
    }
    WriteTraceLog("PRINTER-DRIVER NAME TO ADD : %s ", strPrinterName.c_str());

    if (!bExists) {
        m_removal.DeleteVidPid(Note::Quiet);
        m_removal.DeletePrnDrvPnPDirectory(Note::Quiet);
        m_removal.Delete_LPT_USB_Info(Note::Quiet);
        CopyFilesNeededToAddPrnDrv();
        AddLanguageMonitor();
        AddPrinterProcessor();
        AddPrinterDriverToSystem();
    }
    AddPrinterToSystem(nPortCode, strPrinterName);

    if (!bExists) {
        CopyINFFile();
        DeleteFilesUsed();
        RegisterUninstallInfo();
        CopyFilesOfUtilities();
        CompletionNote("The driver has been successfully installed.");
        if (nPortCode == kPortCodeUsb) {
            fw::AppMessageBox(kReplugMessage, MB_OK | MB_ICONINFORMATION);
        } else if (fw::AppMessageBox(kRestartQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            // The restart request does not wait for the shutdown: the step goes on to its end.
            WriteTraceLog("AddToWin2K END");
            RestartComputer();
        }
    }

    WriteTraceLog("\r\n");
    step.End();
    CompletionNote("Completed.");
    ::Sleep(kCompletedPause);
}

void CInstallEngine::CopyFilesNeededToAddPrnDrv()
{
    TraceStep step("CopyFilesNeededToAddPrnDrv");
    ProgressNote("Copying files...\r\n", 500);

    char szWindows[kPathSize];
    engine_paths::WindowsFolder(szWindows);
    char szDriverFolder[kPathSize];
    engine_paths::PrinterDriverFolder(szDriverFolder);

    // 32-bit Windows before Vista also loads the driver's own modules from the Windows directory.
    const bool bAlsoWindows = !m_bWow64 && m_nOSCode < kFirstVistaOSCode;

    char szSource[kPathSize];
    char szDest[kPathSize];
    for (const char* pszFile : kUniversalFiles) {
        ConcatPath(szSource, m_strDriverDir.c_str(), pszFile);
        JoinPath(szDest, szDriverFolder, pszFile);
        StageFile(szSource, szDest, false);
    }

    const std::string ownFiles[] = {m_strDriverDll, m_strUiDll, m_strUniDll,
                                    (m_strWork = LoadEntry(ProfileEntry::UiIniName)),
                                    (m_strWork = LoadEntry(ProfileEntry::GpdName))};
    for (const std::string& strFile : ownFiles) {
        ConcatPath(szSource, m_strDriverDir.c_str(), strFile.c_str());
        JoinPath(szDest, szDriverFolder, strFile.c_str());
        StageFile(szSource, szDest, true);
        if (bAlsoWindows) {
            JoinPath(szDest, szWindows, strFile.c_str());
            StageFile(szSource, szDest, true);
        }
    }

    ConcatPath(szSource, m_strDriverDir.c_str(), kStdNames);
    JoinPath(szDest, szDriverFolder, kStdNames);
    StageFile(szSource, szDest, true);
}

void CInstallEngine::DeleteFilesUsed()
{
    TraceStep step("DeleteFilesUsed");
    ProgressNote("Deleting files used to install...\r\n", 500);

    char szDriverFolder[kPathSize];
    engine_paths::PrinterDriverFolder(szDriverFolder);
    char szPath[kPathSize];

    for (const char* pszFile : kUniversalFiles) {
        if (JoinPath(szPath, szDriverFolder, pszFile)) {
            ::DeleteFileA(szPath);
        }
        WriteTraceLog("FILE SRC : %s", szPath);
    }

    const std::string ownFiles[] = {m_strDriverDll, m_strUiDll, m_strUniDll,
                                    (m_strWork = LoadEntry(ProfileEntry::UiIniName)),
                                    (m_strWork = LoadEntry(ProfileEntry::GpdName)), kStdNames};
    for (const std::string& strFile : ownFiles) {
        // A path that cannot be named whole is not deleted: a cut one would name another file.
        if (!JoinPath(szPath, szDriverFolder, strFile.c_str())) {
            continue;
        }
        WriteTraceLog("FILE SRC : %s", szPath);
        if (!::DeleteFileA(szPath)) {
            LogDeleteFileError(szPath, ::GetLastError());
        }
    }
}

int CInstallEngine::INFFileExist(std::string strSection, std::string strKey)
{
    TraceStep step("INFFileExist");

    char szSection[kPathSize];
    CopyText(szSection, strSection.c_str());
    if (m_bWow64) {
        AppendText(szSection, ".NTamd64");
    }
    WriteTraceLog("SECTION NAME : %s", szSection);
    char szKey[kPathSize];
    CopyText(szKey, strKey.c_str());
    WriteTraceLog("KEY NAME : %s", szKey);

    // The list of the system's INF folder: names each ended by a zero byte.
    const std::vector<char> list = SystemInfFileList();

    int nResult = 0;
    ForEachMultiSz(list.data(), list.size(), [&](const char* pchName, size_t cchName) {
        if (cchName < 3 || std::strncmp(pchName, "oem", 3) != 0) {
            return true;
        }
        const std::string strName(pchName, cchName);
        UINT nErrorLine = 0;
        fw::ScopedInf hInf(::SetupOpenInfFileA(strName.c_str(), nullptr, INF_STYLE_OLDNT | INF_STYLE_WIN4, &nErrorLine));
        if (!hInf.IsValid()) {
            WriteTraceLog("SetupOpenInfFile failed. %d", static_cast<int>(::GetLastError()));
            return true;
        }
        INFCONTEXT context = {};
        if (::SetupFindFirstLineA(hInf.Get(), szSection, szKey, &context)) {
            WriteTraceLog("OEM FILES EXISTING : %s", strName.c_str());
            nResult = 1;
        }
        return true;
    });
    return nResult;
}
