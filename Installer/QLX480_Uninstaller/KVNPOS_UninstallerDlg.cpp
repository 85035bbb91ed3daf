#include "KVNPOS_UninstallerDlg.h"

#include <commctrl.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>

#include "BoundedText.h"
#include "FileUtil.h"
#include "ProductProfile.h"
#include "Profile.h"
#include "RegUtil.h"
#include "Spooler.h"
#include "SystemErrorText.h"
#include "SystemProbe.h"
#include "TraceLog.h"
#include "UnattendedRun.h"
#include "UninstallerRes.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/ProgressNote.h"
#include "framework/Thread.h"

namespace {
using fw::WM_REFRESH;
constexpr UINT_PTR kListTimer = 1;
constexpr int kProgressStep = 10;

std::string LoadEntry(ProfileEntry entry) { return LoadProfileEntry(Program::Uninstaller, entry); }
}  // namespace

CKVNPOS_UninstallerDlg::CKVNPOS_UninstallerDlg() : fw::Dialog(IDD_UNINSTALLER_DIALOG)
{
    LoadDialogIcon(IDI_MAINFRAME);
}

CKVNPOS_UninstallerDlg::~CKVNPOS_UninstallerDlg() = default;

void CKVNPOS_UninstallerDlg::DoDataExchange(fw::DataExchange& dx)
{
    fw::Dialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDCANCEL, m_btnCancel);
    fw::DDX_Control(dx, IDC_PROGRESS, m_progress);
    fw::DDX_Control(dx, IDC_BTN_UNINSTALL, m_btnUninstall);
    fw::DDX_Control(dx, IDC_PRINTER_LIST, m_checkList);
    fw::DDX_Text(dx, IDC_STATUS, m_strStatus);
}

BOOL CKVNPOS_UninstallerDlg::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    SetDialogIcon();

    StartRunTraceLog();
    m_bWow64 = IsWow64();
    m_nOSCode = CheckOS();
    m_nPrinterObjects = 0;
    m_bUninstalling = 0;

    m_progress.Send(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    m_progress.Send(PBM_SETSTEP, kProgressStep, 0);
    // The list is filled once the dialog is on screen.
    ::SetTimer(m_hWnd, kListTimer, 1, nullptr);
    return TRUE;
}

BOOL CKVNPOS_UninstallerDlg::OnCommand(WORD nId, WORD nCode, HWND)
{
    if (nId == IDC_PRINTER_LIST && nCode == fw::CLBN_CHKCHANGE) {
        OnCheckChange();
        return TRUE;
    }
    if (nId == IDC_BTN_UNINSTALL && nCode == BN_CLICKED) {
        OnUninstall();
        return TRUE;
    }
    return FALSE;
}

BOOL CKVNPOS_UninstallerDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& lResult)
{
    switch (nMsg) {
    case WM_TIMER:
        OnTimer(wParam);
        lResult = 0;
        return TRUE;
    case WM_REFRESH:
        UpdateData(FALSE);
        lResult = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

void CKVNPOS_UninstallerDlg::OnTimer(UINT_PTR nIdEvent)
{
    ::KillTimer(m_hWnd, nIdEvent);
    if (nIdEvent == kListTimer) {
        ShowPrinterObjects();
    }
}

BOOL CKVNPOS_UninstallerDlg::PreTranslateMessage(MSG* pMsg)
{
    // While the worker removes, the dialog shows it is busy and cannot be closed.
    if (GuardBusyInput(pMsg, m_bUninstalling != 0, m_bUninstalling != 0)) {
        return TRUE;
    }
    return fw::Dialog::PreTranslateMessage(pMsg);
}

void CKVNPOS_UninstallerDlg::ShowPrinterObjects()
{
    m_listPrinterObjects.RemoveAll();
    m_checkList.ResetContent();
    m_btnCancel.EnableWindow(TRUE);

    m_nPrinterObjects = AddPrinterObjectsToList();
    if (m_nPrinterObjects < 0) {
        EndRun(0);
    }
    if (m_nPrinterObjects == 0) {
        m_strWork = LoadEntry(ProfileEntry::DriverName);
        if (PrinterDrvExist(m_strWork)) {
            // Nothing to choose: the removal runs without a question.
            m_btnCancel.EnableWindow(FALSE);
            m_bUninstalling = 1;
            OnUninstall();
            return;
        }
        m_strWork = LoadEntry(ProfileEntry::ModelName);
        const std::string strMessage = "The " + m_strWork + " driver does not exist on this system.";
        NoteOutcome(kOutcomeNothingInstalled);
        fw::AppMessageBox(strMessage.c_str(), MB_ICONINFORMATION);
        DeleteUninstallInfoFromReg();
        EndRun(0);
    }

    m_btnUninstall.EnableWindow(FALSE);
    for (const std::string& strName : m_listPrinterObjects) {
        m_checkList.AddString(strName.c_str());
    }
    if (m_checkList.GetCount() < 1) {
        return;
    }
    for (int nIndex = 0; nIndex < m_checkList.GetCount(); ++nIndex) {
        m_checkList.SetCheck(nIndex, 1);
    }
    m_btnUninstall.EnableWindow(TRUE);
    // A quiet run takes every printer object, as if the user pressed Uninstall with all ticked.
    if (IsQuietRun()) {
        m_btnCancel.EnableWindow(FALSE);
        m_bUninstalling = 1;
        OnUninstall();
    }
}

int CKVNPOS_UninstallerDlg::AddPrinterObjectsToList()
{
    TraceStep step("AddPrinterObjectsToList");
    const SpoolerEnum printers = EnumLocalPrinters();
    if (!printers.bOk) {
        ShowSystemErrorBox("EnumPrinters Error Code: %d\n\n", printers.dwError, MB_ICONEXCLAMATION);
        return -1;
    }

    m_strWork = LoadEntry(ProfileEntry::DriverName);
    const PRINTER_INFO_2A* pPrinters = printers.Records<PRINTER_INFO_2A>();
    for (DWORD i = 0; i < printers.nCount && pPrinters != nullptr; ++i) {
        if (pPrinters[i].pDriverName != nullptr && pPrinters[i].pPrinterName != nullptr &&
            m_strWork == pPrinters[i].pDriverName) {
            m_listPrinterObjects.AddHead(pPrinters[i].pPrinterName);
        }
    }
    WriteTraceLog("The number of printer-objects : %d", m_listPrinterObjects.GetCount());
    return m_listPrinterObjects.GetCount();
}

int CKVNPOS_UninstallerDlg::PrinterDrvExist(const std::string& strName)
{
    WriteTraceLog("\r\n");
    WriteTraceLog("PrinterDrvExist BEGIN");
    const SpoolerEnum drivers = EnumerateWithSpoolerRetry(
        {kRpcServerUnavailable, kRpcCallFailedDne}, [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
            return ::EnumPrinterDriversA(nullptr, nullptr, 3, pBuf, cbBuf, pcbNeeded, pnCount);
        });
    const DRIVER_INFO_3A* pDrivers = drivers.bOk ? drivers.Records<DRIVER_INFO_3A>() : nullptr;
    for (DWORD i = 0; pDrivers != nullptr && i < drivers.nCount; ++i) {
        if (pDrivers[i].pName != nullptr && strName == pDrivers[i].pName) {
            WriteTraceLog("%s PRINTER-DRIVER EXISTS.", strName.c_str());
            return 1;
        }
    }
    WriteTraceLog("%s PRINTER DRIVER DOES NOT EXIST.", strName.c_str());
    return 0;
}

void CKVNPOS_UninstallerDlg::OnCheckChange()
{
    for (int nIndex = 0; nIndex < m_checkList.GetCount(); ++nIndex) {
        if (m_checkList.GetCheck(nIndex)) {
            m_btnUninstall.EnableWindow(TRUE);
            return;
        }
    }
    m_btnUninstall.EnableWindow(FALSE);
}

void CKVNPOS_UninstallerDlg::OnUninstall()
{
    fw::BeginThread(UninstallThreadProc, this);
    m_bUninstalling = 1;
}

UINT CKVNPOS_UninstallerDlg::UninstallThreadProc(LPVOID pParam)
{
    static_cast<CKVNPOS_UninstallerDlg*>(pParam)->RunUninstallation();
    return 0;
}

void CKVNPOS_UninstallerDlg::StatusNote(const char* pszText, bool bStepBar, DWORD dwPauseMs)
{
    fw::ProgressNote(&m_strStatus, &m_progress, pszText, bStepBar, dwPauseMs, m_hWnd);
}

void CKVNPOS_UninstallerDlg::ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs)
{
    StatusNote(pszText, bStepBar, dwPauseMs);
}

void CKVNPOS_UninstallerDlg::SetProgressPos(int nPos) { m_progress.Send(PBM_SETPOS, static_cast<WPARAM>(nPos)); }

void CKVNPOS_UninstallerDlg::DeleteUninstallInfoFromReg()
{
    TraceStep step("DeleteUninstallInfoFromReg");
    m_strWork = LoadEntry(ProfileEntry::UninstallKey);
    char szKey[520] = {};
    CopyText(szKey, m_strWork.c_str());
    WriteTraceLog("REGKEY : %s", szKey);

    // The key stays open while it is deleted; a key that is not there ends the step.
    const REGSAM samAccess = KEY_READ | KEY_WRITE | (m_bWow64 ? KEY_WOW64_64KEY : 0);
    fw::ScopedRegKey hKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, samAccess, hKey.Receive()) != ERROR_SUCCESS) {
        return;
    }
    DeleteRegKeyByRule(szKey, m_bWow64);
}

void CKVNPOS_UninstallerDlg::DeleteInstalledDirectory()
{
    TraceStep step("DeleteInstalledDirectory");
    char szWindowsDir[256] = {};
    ::GetWindowsDirectoryA(szWindowsDir, sizeof(szWindowsDir));
    char szDrive[3] = {};
    CopyText(szDrive, szWindowsDir);

    // A model name that names no folder of its own would empty the maker folder, or more.
    const std::string strModel = LoadEntry(ProfileEntry::ModelName);
    char szModelDir[256] = {};
    CopyText(szModelDir, szDrive);
    AppendText(szModelDir, "\\KORVANE Printer Driver\\");
    AppendText(szModelDir, strModel.c_str());
    if (IsPlainFolderName(strModel.c_str()) && ::GetFileAttributesA(szModelDir) != INVALID_FILE_ATTRIBUTES) {
        DeleteDirectoryTree(szModelDir);
        WriteTraceLog("DIRECTORY : %s", szModelDir);
    }

    char szMakerDir[256] = {};
    CopyText(szMakerDir, szDrive);
    AppendText(szMakerDir, "\\KORVANE Printer Driver");
    if (::GetFileAttributesA(szMakerDir) != INVALID_FILE_ATTRIBUTES && !::RemoveDirectoryA(szMakerDir)) {
        // A maker folder that still holds another model's folder stays, silently.
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_DIR_NOT_EMPTY) {
            WriteTraceLog("Failed to remove the directory : %s, (%d)", szMakerDir, static_cast<int>(dwError));
        }
    }
}

void CKVNPOS_UninstallerDlg::RunUninstallation()
{
    m_listPrinterObjects.RemoveAll();
    m_btnUninstall.EnableWindow(FALSE);
    m_btnCancel.EnableWindow(FALSE);
    UpdateData(TRUE);

    for (int nIndex = 0; nIndex < m_checkList.GetCount(); ++nIndex) {
        if (m_checkList.GetCheck(nIndex)) {
            m_listPrinterObjects.AddHead(m_checkList.GetText(nIndex));
        }
    }
    // The driver goes only when no listed printer object keeps it.
    const bool bAllTicked = m_nPrinterObjects == m_listPrinterObjects.GetCount();

    if (m_nPrinterObjects != 0) {
        StatusNote("Deleting printer-driver objects...", true, 1000);
        m_removal.RemovePrinterObjects(m_listPrinterObjects);
    }

    if (!bAllTicked) {
        SetProgressPos(100);
        m_listPrinterObjects.RemoveAll();
        StatusNote("The uninstallation has been completed.", false, 0);
        m_bUninstalling = 0;
        ::Sleep(2000);
        EndRun(0);
    }

    StatusNote("Removing printer-drivers...", true, 1000);
    m_removal.RemoveFromOS();
    m_removal.DeleteVidPid();
    m_removal.Delete_LPT_USB_Info();
    m_removal.DeletePrnDrvPnPDirectory();
    DeleteUninstallInfoFromReg();
    DeleteInstalledDirectory();

    SetProgressPos(100);
    m_listPrinterObjects.RemoveAll();
    StatusNote("The uninstallation has been completed.", false, 1000);

    const int nAnswer = fw::AppMessageBox("Restart the computer can take effect.\nPlease restart the computer."
                                          "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my "
                                          "computer later.",
                                          MB_YESNO | MB_ICONQUESTION);
    if (nAnswer == IDYES) {
        StatusNote("The uninstallation has been completed.", false, 1000);
        RestartComputer();
        EndRun(0);
    }
    // Declined: the dialog closes the standard way for OK and the program ends.
    OnOK();
}
