// Spooler registration steps of the manual installation path: the language monitor, the print
// processor, the printer driver and the printer object, each handed to the spooler in one call.
#include <windows.h>
#include <winspool.h>

#include <cstdlib>
#include <string>

#include "BoundedText.h"
#include "InstallEngine.h"
#include "InstallerFileUtil.h"
#include "PortChoice.h"
#include "Profile.h"
#include "SystemErrorText.h"
#include "TraceLog.h"
#include "framework/Handles.h"
#include "UnattendedRun.h"
#include "framework/MessageBox.h"

namespace {

constexpr DWORD kPathSize = 256;
constexpr int kFirstVistaOSCode = 2007;

// The driver's files besides the rendering, configuration, data and help files, as one block of
// zero-terminated names closed by an extra zero byte.
const char kDependentFiles[] =
    "UNIRES.DLL\0STDNAMES.GPD\0QLX480.DLL\0QLUI480.DLL\0QLUNI480.DLL\0QLUI480.INI\0";

const char kDataTypeRaw[] = "RAW";

LPSTR Text(const char* pszText) { return const_cast<LPSTR>(pszText); }
LPSTR Text(const std::string& strText) { return const_cast<LPSTR>(strText.c_str()); }

// folder + "\\" + name into a path buffer; false (and an empty path) when the folder is empty or
// the result does not fit: a cut path would name another file.
bool JoinPath(char (&szPath)[kPathSize], const char* pszFolder, const char* pszName)
{
    szPath[0] = '\0';
    const size_t cchFolder = BoundedTextLength(pszFolder, kPathSize);
    if (cchFolder == 0 || cchFolder >= kPathSize) {
        return false;
    }
    const size_t cchWanted = cchFolder + 1 + BoundedTextLength(pszName, kPathSize);
    CopyText(szPath, pszFolder);
    AppendText(szPath, "\\");
    if (AppendText(szPath, pszName) != cchWanted) {
        szPath[0] = '\0';
        return false;
    }
    return true;
}

// Folder lookups of the form GetSystemDirectoryA: the length on success, 0 or the needed size
// (not less than the buffer) on failure. The folder is "" when it did not fit.
template <typename Lookup>
void GetFolder(char (&szFolder)[kPathSize], Lookup lookup)
{
    const UINT cch = lookup(szFolder, kPathSize);
    if (cch == 0 || cch >= kPathSize) {
        szFolder[0] = '\0';
    }
}

// Copies a module out of the driver folder into the folder the spooler loads it from. A failed
// copy goes to the fallback for locked files; a destination that cannot be named is not copied
// to and counts as a failed copy with the name error.
void CopyModule(const std::string& strDriverDir, const char* pszFolder, const std::string& strModule)
{
    char szSource[kPathSize];
    CopyText(szSource, strDriverDir.c_str());
    const bool bSource = AppendText(szSource, strModule.c_str()) == strDriverDir.size() + strModule.size();
    char szDest[kPathSize];
    const bool bDest = JoinPath(szDest, pszFolder, strModule.c_str());

    BOOL bCopied = FALSE;
    DWORD dwError = ERROR_FILENAME_EXCED_RANGE;
    if (bSource && bDest) {
        bCopied = ::CopyFileA(szSource, szDest, FALSE);
        dwError = ::GetLastError();
    }
    WriteTraceLog("FILE SRC : %s", szSource);
    if (!bCopied) {
        CopyFileWithFallback(szSource, szDest, dwError);
    }
}

}  // namespace

void ShowErrorBox(const char* pszHeaderFormat, DWORD dwError)
{
    ShowSystemErrorBox(pszHeaderFormat, dwError, MB_OK | MB_ICONERROR);
}

bool CInstallEngine::AddLanguageMonitor()
{
    TraceStep step("AddLanguageMonitor");
    ProgressNote("Installing L/M...\r\n", 500);

    // The spooler finds the monitor module in the Windows directory under WOW64 and in the
    // system directory otherwise.
    char szFolder[kPathSize] = "";
    if (m_bWow64) {
        GetFolder(szFolder, [](LPSTR psz, UINT cch) { return ::GetWindowsDirectoryA(psz, cch); });
    } else {
        GetFolder(szFolder, [](LPSTR psz, UINT cch) { return ::GetSystemDirectoryA(psz, cch); });
    }
    CopyModule(m_strDriverDir, szFolder, m_strMonitorDll);

    MONITOR_INFO_2A monitor = {};
    monitor.pName = Text(m_strMonitorName);
    monitor.pEnvironment = Text(m_strEnvironment);
    monitor.pDLLName = Text(m_strMonitorDll);
    if (!::AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) {
        const DWORD dwError = ::GetLastError();
        // A monitor left registered by an earlier installation serves as it is.
        if (dwError != ERROR_PRINT_MONITOR_ALREADY_INSTALLED) {
            ShowErrorBox("AddMonitor, ERR CODE: %d\n\n", dwError);
            return false;
        }
    }
    return true;
}

bool CInstallEngine::AddPrinterProcessor()
{
    TraceStep step("AddPrinterProcessor");
    ProgressNote("Installing printer processor...\r\n", 500);

    char szFolder[kPathSize] = "";
    DWORD cbNeeded = 0;
    if (!::GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(szFolder), sizeof(szFolder),
                                       &cbNeeded)) {
        szFolder[0] = '\0';
    }
    szFolder[kPathSize - 1] = '\0';
    CopyModule(m_strDriverDir, szFolder, m_strProcessorDll);

    if (!::AddPrintProcessorA(nullptr, Text(m_strEnvironment), Text(m_strProcessorDll), Text(m_strProcessorName))) {
        ShowErrorBox("AddPrintProcessor, ERR CODE: %d\n\n", ::GetLastError());
        return false;
    }
    return true;
}

bool CInstallEngine::AddPrinterDriverToSystem()
{
    TraceStep step("AddPrinterDriverToSystem");
    ProgressNote("Installing printer driver...\r\n", 500);

    m_strWork = LoadProfileEntry(Program::Installer, ProfileEntry::GpdName);
    DRIVER_INFO_3A driver = {};
    driver.cVersion = 3;
    driver.pName = Text(m_strDriverName);
    driver.pEnvironment = Text(m_strEnvironment);
    driver.pDriverPath = Text("UNIDRV.DLL");
    driver.pDataFile = Text(m_strWork);
    driver.pConfigFile = Text("UNIDRVUI.DLL");
    driver.pHelpFile = Text("UNIDRV.HLP");
    driver.pDependentFiles = Text(kDependentFiles);
    driver.pMonitorName = Text(m_strMonitorName);
    driver.pDefaultDataType = Text(kDataTypeRaw);

    BOOL bAdded = ::AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));
    DWORD dwError = ::GetLastError();

    // Before Vista the driver's modules may need the WMI framework library, which lives in the
    // wbem folder, out of the loader's reach: lend it a copy in the system directory for one more
    // attempt. A copy that was there already is neither replaced nor removed.
    if (!bAdded && m_nOSCode < kFirstVistaOSCode && dwError == ERROR_MOD_NOT_FOUND) {
        char szSystem[kPathSize] = "";
        GetFolder(szSystem, [](LPSTR psz, UINT cch) { return ::GetSystemDirectoryA(psz, cch); });
        char szSource[kPathSize];
        char szLent[kPathSize];
        const bool bPaths = JoinPath(szSource, szSystem, "wbem\\framedyn.dll") && JoinPath(szLent, szSystem, "framedyn.dll");
        const bool bLend = bPaths && ::GetFileAttributesA(szLent) == INVALID_FILE_ATTRIBUTES;
        const bool bLent = bLend && ::CopyFileA(szSource, szLent, FALSE);

        bAdded = ::AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));
        dwError = ::GetLastError();

        if (bLent) {
            ::DeleteFileA(szLent);
        }
    }

    if (!bAdded) {
        ShowErrorBox("AddPrinterDriver, ERR CODE: %d\n\n", dwError);
        return false;
    }
    return true;
}

int CInstallEngine::AddPrinterToSystem(int nPortCode, std::string strPrinterName)
{
    TraceStep step("AddPrinterToSystem");

    // A USB printer gets its printer object from Plug and Play when it is connected.
    if (nPortCode == kPortCodeUsb) {
        return 1;
    }

    ProgressNote("Adding printer...\r\n", 500);
    ProgressNote("Please wait for adding printer.\r\nIt takes a couple of minutes.", 0);

    // Only the ports of the port dialog are given to the spooler: a printer needs a port.
    const char* pszPort = PortDeviceNameFromCode(nPortCode);
    BOOL bAdded = FALSE;
    DWORD dwError = ERROR_INVALID_PARAMETER;
    if (pszPort != nullptr) {
        PRINTER_INFO_2A printer = {};
        printer.pPrinterName = Text(strPrinterName);
        printer.pPortName = Text(pszPort);
        printer.pDriverName = Text(m_strDriverName);
        printer.pPrintProcessor = Text(m_strProcessorName);
        printer.pDatatype = Text(kDataTypeRaw);
        printer.Attributes = PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_RAW_ONLY;
        printer.Priority = 1;
        printer.Status = PRINTER_STATUS_OFFLINE;  // 0x80
        fw::ScopedPrinter hPrinter(::AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&printer)));
        dwError = ::GetLastError();
        bAdded = hPrinter.IsValid();
    }
    if (bAdded) {
        return 1;
    }

    // Without a printer object the installation cannot go on: report it and end the installer.
    ShowErrorBox("AddPrinter, Error Code: %d\n\n", dwError);
    step.End();
    EndRun(0);
}
