// What the spooler holds for the driver: printer objects, forms, the printer driver, the language
// monitor and the print processor. Where the spooler refuses a deletion, the object's spooler
// registry key is deleted directly; the monitor and processor DLLs go in any case.
#include "RemovalEngine.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "BoundedText.h"
#include "FileUtil.h"
#include "RegUtil.h"
#include "Spooler.h"
#include "TraceLog.h"
#include "framework/Handles.h"

namespace {

using PFN_GETSYSTEMWOW64DIRECTORYA = UINT(WINAPI*)(LPSTR, UINT);

// The spooler bounce after the driver and after the ticked printers.
constexpr DWORD kBouncePause = 2000;

const char kDriverKey64[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\";
const char kDriverKey32[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
const char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const char kMonitorsKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
const char kProcessorKey64[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Print Processors\\";
const char kProcessorKey32[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Print Processors\\";

// Key of one spooler object: the parent key followed by the object's name. False for an empty name
// or one that does not fit whole: either would name the parent key, or another key, and the
// deletion would take every object of that kind with it.
bool BuildObjectKey(char (&szKey)[256], const char* pszParent, const char* pszName)
{
    CopyText(szKey, pszParent);
    const size_t cchName = BoundedTextLength(pszName, sizeof(szKey));
    return cchName > 0 && AppendText(szKey, pszName) == std::strlen(pszParent) + cchName;
}

// Deletes the object's key by the registry deletion rule. False when it was not deleted.
bool DeleteObjectKey(const char* pszParent, const char* pszName, int bWow64)
{
    char szKey[256] = {};
    if (!BuildObjectKey(szKey, pszParent, pszName)) {
        return false;
    }
    return DeleteRegKeyByRule(szKey, bWow64);
}

// A system folder that a Get*Directory call wrote into a 256-byte buffer: nLength is what the
// call returned. A failed or cut-off answer gives no folder, so no file is looked for relative to
// the current drive.
bool IsFolder(const char (&szDir)[256], UINT nLength)
{
    return nLength > 0 && nLength < sizeof(szDir) && szDir[0] != '\0';
}

// Deletes <folder>\<file>; a failure leaves its "DeleteFile Error" line.
void DeleteFileIn(const char* pszFolder, const char* pszFile)
{
    char szPath[256] = {};
    CopyText(szPath, pszFolder);
    AppendText(szPath, "\\");
    AppendText(szPath, pszFile);
    if (!::DeleteFileA(szPath)) {
        LogDeleteFileError(szPath, ::GetLastError());
    }
}

}  // namespace

void CRemovalEngine::DeletePrinterObject(const char* pszPrinterName)
{
    // A null or empty name would open the print server itself, not a printer.
    if (pszPrinterName == nullptr || pszPrinterName[0] == '\0') {
        return;
    }
    // The name is passed whole: a cut name could be another printer's.
    std::string strName = pszPrinterName;
    char szDatatype[] = "raw";
    PRINTER_DEFAULTSA defaults = {szDatatype, nullptr, PRINTER_ALL_ACCESS};
    fw::ScopedPrinter hPrinter;
    if (!::OpenPrinterA(strName.data(), hPrinter.Receive(), &defaults)) {
        hPrinter.Release();
        return;
    }
    CancelPrinterJobs(hPrinter.Get());
    ::DeletePrinter(hPrinter.Get());
}

void CRemovalEngine::RemovePrinterObjects(const fw::StringList& listPrinterNames)
{
    TraceStep step("RemovePrinterObjects");
    for (const std::string& strName : listPrinterNames) {
        WriteTraceLog("OBJECT NAME : %s", strName.c_str());
        DeletePrinterObject(strName.c_str());
    }
    // The spooler lets go of the deleted printers' files and keys when it restarts.
    StopSpooler(kBouncePause);
    StartSpooler(kBouncePause);
}

void CRemovalEngine::DeleteForms()
{
    TraceStep step("DeleteForms");
    if (!IsInstaller()) {
        m_context.ProgressNote("Deleting forms...", false, 100);
    }

    fw::ScopedPrinter hServer;
    if (!::OpenPrinterA(nullptr, hServer.Receive(), nullptr)) {
        hServer.Release();
        return;
    }

    const auto enumForms = [&hServer](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
        return ::EnumFormsA(hServer.Get(), 1, pBuf, cbBuf, pcbNeeded, pnCount);
    };
    // The uninstaller retries only when the spooler was down, not when it died during the call.
    const SpoolerEnum forms = IsInstaller()
                                  ? EnumerateWithSpoolerRetry({kRpcServerUnavailable, kRpcCallFailedDne}, enumForms)
                                  : EnumerateWithSpoolerRetry({kRpcServerUnavailable}, enumForms);

    char szTag[256] = {};
    CopyText(szTag, Profile(ProfileEntry::FormTag).c_str());
    // An empty tag is in every name: without a tag no form is the product's.
    if (szTag[0] == '\0') {
        return;
    }

    // A failed enumeration has no records; the count never reaches past the buffer.
    const DWORD nForms =
        forms.bOk ? std::min<DWORD>(forms.nCount, static_cast<DWORD>(forms.buffer.size() / sizeof(FORM_INFO_1A))) : 0;
    const FORM_INFO_1A* pForms = forms.Records<FORM_INFO_1A>();
    for (DWORD i = 0; i < nForms; ++i) {
        LPSTR pszForm = pForms[i].pName;
        if (pszForm != nullptr && std::strstr(pszForm, szTag) != nullptr) {
            ::DeleteFormA(hServer.Get(), pszForm);
            WriteTraceLog("FORM NAMES : %s ", pszForm);
        }
    }
}

bool CRemovalEngine::DeletePrinterDrv(const char* pszModelName)
{
    TraceStep step("DeletePrinterDrv");
    if (!IsInstaller()) {
        m_context.ProgressNote("Deleting printer-drivers...", false, 100);
    }

    char szDriver[256] = {};
    CopyText(szDriver, Profile(ProfileEntry::MakerName).c_str());
    AppendText(szDriver, " ");
    AppendText(szDriver, pszModelName);

    const auto deleteDriver = [&szDriver] {
        return ::DeletePrinterDriverExA(nullptr, nullptr, szDriver, DPD_DELETE_UNUSED_FILES, 3);
    };
    bool bResult = true;
    BOOL bDeleted = FALSE;
    if (IsInstaller()) {
        bDeleted = deleteDriver();
    } else {
        bDeleted = CallWithSpoolerRetry({kRpcServerUnavailable, kRpcCallFailedDne}, deleteDriver);
        if (!bDeleted) {
            WriteTraceLog("DeletePrinterDriverEx returned FALSE. (%d)", static_cast<int>(::GetLastError()));
        }
    }

    if (!bDeleted) {
        // The spooler kept the driver (in use, unknown to it, or down): its keys go directly.
        const int bWow64 = m_context.Wow64();
        if (!DeleteObjectKey(bWow64 ? kDriverKey64 : kDriverKey32, szDriver, bWow64)) {
            bResult = false;
        }
        if (!DeleteObjectKey(kPrintersKey, szDriver, bWow64)) {
            bResult = false;
        }
    }

    // The spooler drops what it still holds of the driver when it restarts.
    StopSpooler(kBouncePause);
    StartSpooler(kBouncePause);
    step.End();
    return bResult;
}

void CRemovalEngine::DeleteLanguageMonitor()
{
    TraceStep step("DeleteLanguageMonitor");
    if (!IsInstaller()) {
        m_context.ProgressNote("Deleting L/M...", false, 100);
    }

    char szMonitor[256] = {};
    CopyText(szMonitor, Profile(ProfileEntry::MonitorName).c_str());
    if (!CallWithSpoolerRetry({kRpcServerUnavailable, kRpcCallFailedDne},
                              [&szMonitor] { return ::DeleteMonitorA(nullptr, nullptr, szMonitor); })) {
        const DWORD dwError = ::GetLastError();
        WriteTraceLog("DeleteMonitor Error : (%d)", static_cast<int>(dwError));
        if (dwError == ERROR_UNKNOWN_PRINT_MONITOR) {
            WriteTraceLog("The specified print monitor is unknown or not installed on this system.");
        }
        DeleteObjectKey(kMonitorsKey, szMonitor, m_context.Wow64());
    }

    // The monitor DLL: in the system folder, and on 64-bit Windows also in the 32-bit system
    // folder and the Windows folder, where older packages left copies.
    char szDll[256] = {};
    CopyText(szDll, Profile(ProfileEntry::MonitorDll).c_str());
    char szDir[256] = {};
    if (IsFolder(szDir, ::GetSystemDirectoryA(szDir, sizeof(szDir)))) {
        DeleteFileIn(szDir, szDll);
    }
    if (m_context.Wow64()) {
        // Absent before Windows XP: looked up, never linked.
        const auto pfnWow64Dir = reinterpret_cast<PFN_GETSYSTEMWOW64DIRECTORYA>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32"), "GetSystemWow64DirectoryA")));
        if (pfnWow64Dir != nullptr) {
            char szWow64Dir[256] = {};
            if (IsFolder(szWow64Dir, pfnWow64Dir(szWow64Dir, sizeof(szWow64Dir)))) {
                DeleteFileIn(szWow64Dir, szDll);
            }
        }
        char szWindowsDir[256] = {};
        if (IsFolder(szWindowsDir, ::GetWindowsDirectoryA(szWindowsDir, sizeof(szWindowsDir)))) {
            DeleteFileIn(szWindowsDir, szDll);
        }
    }
}

void CRemovalEngine::DeleteProcessor()
{
    TraceStep step("DeleteProcessor");
    m_context.ProgressNote("Deleting the processor...", false, 100);

    char szProcessor[256] = {};
    CopyText(szProcessor, Profile(ProfileEntry::ProcessorName).c_str());
    if (!IsInstaller()) {
        WriteTraceLog("PROCESSOR NAME : %s", szProcessor);
    }
    BOOL bDeleted = CallWithSpoolerRetry({kRpcServerUnavailable, kRpcCallFailedDne}, [&szProcessor] {
        return ::DeletePrintProcessorA(nullptr, nullptr, szProcessor);
    });
    // The status the spooler returned: 0 when it reported the deletion done.
    const DWORD dwError = bDeleted ? ERROR_SUCCESS : ::GetLastError();
    // Some spoolers report the deletion done and keep the processor registered: one still listed
    // was not deleted.
    if (bDeleted && IsPrintProcessorListed(szProcessor)) {
        bDeleted = FALSE;
    }
    if (!bDeleted) {
        WriteTraceLog("DeletePrintProcessor Error : (%d)", static_cast<int>(dwError));
        const int bWow64 = m_context.Wow64();
        DeleteObjectKey(bWow64 ? kProcessorKey64 : kProcessorKey32, szProcessor, bWow64);
    }

    char szDir[256] = {};
    DWORD cbNeeded = 0;
    if (::GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(szDir), sizeof(szDir),
                                      &cbNeeded) &&
        IsFolder(szDir, static_cast<UINT>(BoundedTextLength(szDir, sizeof(szDir))))) {
        DeleteFileIn(szDir, Profile(ProfileEntry::ProcessorDll).c_str());
    }
}
