#include "KVNPOS_InstallerDlg.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "BoundedText.h"
#include "DriverVersion.h"
#include "InstallerRes.h"
#include "OsCode.h"
#include "PortChoice.h"
#include "ProductProfile.h"
#include "Profile.h"
#include "Spooler.h"
#include "SystemProbe.h"
#include "TraceLog.h"
#include "UnattendedRun.h"
#include "framework/Application.h"
#include "framework/MessageBox.h"
#include "framework/ProgressNote.h"

namespace {

using fw::WM_REFRESH;
constexpr DWORD kStartupSpoolerPause = 2000;
constexpr int kProgressStep = 9;

const char kSettingsFile[] = "\\QLX480_Config.KVN";

// Reads the key from one settings file; true when at least one character was copied.
bool ReadSetting(const char* pszSection, const char* pszKey, char* pszOut, DWORD cbOut, const char* pszPath)
{
    std::memset(pszOut, 0, cbOut);
    return ::GetPrivateProfileStringA(pszSection, pszKey, nullptr, pszOut, cbOut, pszPath) > 0;
}

}  // namespace

char* GetDriverInfoFromFile(const char* pszSection, const char* pszKey, char* pszOut, DWORD cbOut)
{
    char szDir[256] = {};
    char szPath[256] = {};
    ::GetCurrentDirectoryA(sizeof(szDir), szDir);
    CopyText(szPath, szDir);
    AppendText(szPath, kSettingsFile);
    if (ReadSetting(pszSection, pszKey, pszOut, cbOut, szPath)) {
        return pszOut;
    }

    std::memset(szDir, 0, sizeof(szDir));
    ::GetWindowsDirectoryA(szDir, sizeof(szDir));
    CopyText(szPath, szDir);
    AppendText(szPath, "\\");
    AppendText(szPath, "QLX-480");
    AppendText(szPath, kSettingsFile);
    if (ReadSetting(pszSection, pszKey, pszOut, cbOut, szPath)) {
        return pszOut;
    }

    const DWORD dwError = ::GetLastError();
    WriteTraceLog("\r\n");
    WriteTraceLog("GetDriverInfoFromFile BEGIN");
    WriteTraceLog("SECTION NAME : %s", pszSection);
    WriteTraceLog("KEY NAME : %s", pszKey);
    WriteTraceLog("GetDriverInfoFromFile failed. (%d)", static_cast<int>(dwError));
    WriteTraceLog("GetDriverInfoFromFile END");
    WriteTraceLog("\r\n");
    return nullptr;
}

CKVNPOS_InstallerDlg::CKVNPOS_InstallerDlg() : fw::Dialog(IDD_INSTALLER_DIALOG), m_portDlg(nullptr)
{
    LoadDialogIcon(IDI_MAINFRAME);
}

CKVNPOS_InstallerDlg::~CKVNPOS_InstallerDlg() = default;

void CKVNPOS_InstallerDlg::DoDataExchange(fw::DataExchange& dx)
{
    fw::Dialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_PROGRESS, m_progress);
    fw::DDX_Text(dx, IDC_STATUS, m_strStatus);
    fw::DDX_Text(dx, IDC_VERSION, m_strVersion);
}

BOOL CKVNPOS_InstallerDlg::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    SetDialogIcon();

    StartRunTraceLog();
    m_bWow64 = IsWow64();
    m_nOSCode = CheckOS();
    m_engine.SetSystemInfo(m_bWow64, m_nOSCode);
    m_engine.SetControlPointers(&m_strStatus, &m_progress);

    m_strVersion = "Driver Version: V" + LoadProfileString(IDS_INST_VERSION_MAJOR) + "." +
                   LoadProfileString(IDS_INST_VERSION_MINOR) + "." + LoadProfileString(IDS_INST_VERSION_BUILD);

    StartSpooler(kStartupSpoolerPause);

    m_bInstalling = 0;
    m_bRemoving = 0;
    ::PostMessageA(m_hWnd, WM_REFRESH, 0, 0);

    m_progress.Send(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    m_progress.Send(PBM_SETSTEP, kProgressStep, 0);

    m_pWorker = fw::BeginThread(InstallThreadProc, this);
    return TRUE;
}

BOOL CKVNPOS_InstallerDlg::OnMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& lResult)
{
    if (nMsg != WM_REFRESH) {
        return FALSE;
    }
    UpdateData(FALSE);
    lResult = 0;
    return TRUE;
}

BOOL CKVNPOS_InstallerDlg::PreTranslateMessage(MSG* pMsg)
{
    // While the worker installs or removes, the dialog shows it is busy and cannot be closed.
    if (GuardBusyInput(pMsg, m_bInstalling || m_bRemoving, m_bInstalling != 0)) {
        return TRUE;
    }
    return fw::Dialog::PreTranslateMessage(pMsg);
}

UINT CKVNPOS_InstallerDlg::InstallThreadProc(LPVOID pParam)
{
    static_cast<CKVNPOS_InstallerDlg*>(pParam)->RunInstallation();
    return 0;
}

void CKVNPOS_InstallerDlg::RunInstallation()
{
    char szValue[256] = {};
    if (m_nOSCode < kOsWin2000) {
        NoteOutcome(kOutcomeOldWindows);
        fw::AppMessageBox("THE DRIVER CAN NOT BE INSTALLED ON THIS OS.", MB_ICONINFORMATION);
        EndRun(0);
    }
    m_bInstalling = 1;
    if (RunOptions().nPortIndex >= 0) {
        // The port given on the command line replaces the port dialog and the settings file.
        InstallOnPort(RunOptions().nPortIndex);
    } else if (IsQuietRun()) {
        InstallWithSettingsPort();
    } else {
        const char* pszPortDlg = GetDriverInfoFromFile("QLX480", "PORTDLG", szValue, sizeof(szValue));
        if (WantsPortDialog(pszPortDlg)) {
            InstallWithPortDialog();
        } else {
            InstallWithConfiguredPort();
        }
    }
    m_bInstalling = 0;
    EndRun(0);
}

void CKVNPOS_InstallerDlg::InstallWithSettingsPort()
{
    // A quiet run asks nobody: without a port from the settings file it changes nothing.
    char szValue[256] = {};
    const char* pszPort = GetDriverInfoFromFile("QLX480", "PORT", szValue, sizeof(szValue));
    if (pszPort == nullptr) {
        WriteTraceLog("No port for a quiet installation: neither /port= nor PORT in the settings file.");
        NoteOutcome(kOutcomeBadCommandLine);
        m_bInstalling = 0;
        EndRun(0);
    }
    InstallOnPort(PortIndexFromSetting(pszPort));
}

void CKVNPOS_InstallerDlg::InstallWithPortDialog()
{
    if (m_portDlg.DoModal() != IDOK) {
        WriteTraceLog("The driver installation canceled.");
        fw::AppMessageBox("The driver installation canceled.", MB_ICONINFORMATION);
        EndRun(0);
    }
    InstallOnPort(m_portDlg.GetPortIndex());
}

void CKVNPOS_InstallerDlg::InstallWithConfiguredPort()
{
    auto pPortDlg = std::make_unique<CPort_Dlg>(this);
    int nPortIndex = kPortIndexCom1;
    if (pPortDlg->Create(IDD_PORT_DIALOG, this)) {
        pPortDlg->ShowWindow(SW_HIDE);
        nPortIndex = pPortDlg->GetPortIndex();
        pPortDlg->DestroyWindow();
    }
    InstallOnPort(nPortIndex);
}

void CKVNPOS_InstallerDlg::InstallOnPort(int nPortIndex)
{
    // An incomplete package changes nothing: not even the removal of a different version.
    if (!m_engine.CheckPackageFiles()) {
        NoteOutcome(kOutcomePackageInvalid);
        m_bInstalling = 0;
        EndRun(0);
    }
    CheckDifferentVersion();
    if (!IsValidPortIndex(nPortIndex)) {
        return;
    }
    const int nPortCode = PortCodeFromIndex(nPortIndex);
    if (m_nOSCode >= kOsVista) {
        m_engine.AddToWin2KWithWHQL(nPortCode);
    } else {
        m_engine.AddToWin2K(nPortCode);
    }
}

void CKVNPOS_InstallerDlg::CheckDifferentVersion()
{
    const DriverVersion wanted{VersionFieldFromText(LoadProfileString(IDS_INST_VERSION_MAJOR).c_str()),
                               VersionFieldFromText(LoadProfileString(IDS_INST_VERSION_MINOR).c_str()),
                               VersionFieldFromText(LoadProfileString(IDS_INST_VERSION_BUILD).c_str()),
                               VersionFieldFromText(LoadProfileString(IDS_INST_VERSION_EXTRA).c_str())};
    const int nResult = CompareDriverVersion(LoadProfileEntry(Program::Installer, ProfileEntry::DriverName),
                                             LoadProfileEntry(Program::Installer, ProfileEntry::ProcessorName), wanted);
    if (nResult == kVersionNone || nResult == kVersionSame) {
        return;
    }

    // Older or newer: the installed copy goes in full, and the user installs again after a restart.
    m_bRemoving = 1;
    fw::AppMessageBox("There is a different version driver on this system.\r\n\r\nThe installed driver will be removed.",
                      MB_ICONINFORMATION);
    m_removal.RemoveInstalledDriver();
    fw::AppMessageBox("The installer has successfully removed the different version.\n"
                      "Now it is going to restart your computer to take effect."
                      "\nAfter restarting, you may reinstall the driver again.",
                      MB_ICONINFORMATION);
    NoteOutcome(kOutcomeRestartNeeded);
    if (MayRestart()) {
        RestartComputer();
    } else {
        fw::AppMessageBox("The computer has not been restarted.\nRestart it, then run the installer again.",
                          MB_ICONINFORMATION);
    }
    EndRun(0);
}

void CKVNPOS_InstallerDlg::ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs)
{
    fw::ProgressNote(&m_strStatus, &m_progress, pszText, bStepBar, dwPauseMs, m_hWnd);
}

void CKVNPOS_InstallerDlg::SetProgressPos(int nPos) { m_progress.Send(PBM_SETPOS, static_cast<WPARAM>(nPos)); }
