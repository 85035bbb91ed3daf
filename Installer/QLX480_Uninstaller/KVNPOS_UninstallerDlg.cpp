#include "KVNPOS_UninstallerDlg.h"

#include <commctrl.h>

#include "ProductProfile.h"
#include "SystemProbe.h"
#include "TraceLog.h"
#include "UninstallerRes.h"

namespace {
constexpr UINT WM_REFRESH = WM_USER + 1;
constexpr UINT_PTR kListTimer = 1;
constexpr int kProgressStep = 10;
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

    StartTraceLog();
    m_bWow64 = IsWow64();
    m_nOSCode = CheckOS();
    m_nPrinterObjects = 0;
    m_bUninstalling = 0;

    m_progress.Send(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    m_progress.Send(PBM_SETSTEP, kProgressStep, 0);
    ::SetTimer(m_hWnd, kListTimer, 1, nullptr);
    return TRUE;
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
    // The printer list is filled here once the removal flow is part of the uninstaller.
}

BOOL CKVNPOS_UninstallerDlg::PreTranslateMessage(MSG* pMsg)
{
    // While the worker removes, the dialog shows it is busy and cannot be closed.
    if (GuardBusyInput(pMsg, m_bUninstalling != 0, m_bUninstalling != 0)) {
        return TRUE;
    }
    return fw::Dialog::PreTranslateMessage(pMsg);
}
