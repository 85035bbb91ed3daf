#include "Port_Dlg.h"

#include "InstallerRes.h"
#include "KVNPOS_InstallerDlg.h"
#include "PortChoice.h"

namespace {

// Radio buttons in tab order: the place in this table is the port index.
constexpr int kPortButtons[kPortIndexCount] = {IDC_RADIO_COM1, IDC_RADIO_COM2, IDC_RADIO_COM3, IDC_RADIO_COM4,
                                               IDC_RADIO_LPT1, IDC_RADIO_LPT2, IDC_RADIO_USB};

}  // namespace

CPort_Dlg::CPort_Dlg(fw::Dialog* pParent) : fw::Dialog(IDD_PORT_DIALOG, pParent) {}

BOOL CPort_Dlg::OnInitDialog()
{
    fw::Dialog::OnInitDialog();
    char szValue[256] = {};
    const char* pszPort = GetDriverInfoFromFile("QLX480", "PORT", szValue, sizeof(szValue));
    m_nPortIndex = PortIndexFromSetting(pszPort);
    UpdateData(FALSE);
    return TRUE;
}

void CPort_Dlg::DoDataExchange(fw::DataExchange& dx)
{
    fw::Dialog::DoDataExchange(dx);
    fw::DDX_Radio(dx, IDC_RADIO_COM1, m_nPortIndex);
}

BOOL CPort_Dlg::OnCommand(WORD nId, WORD nCode, HWND)
{
    if (nCode != BN_CLICKED) {
        return FALSE;
    }
    for (int nIndex = 0; nIndex < kPortIndexCount; ++nIndex) {
        if (kPortButtons[nIndex] == nId) {
            m_nPortIndex = nIndex;
            return TRUE;
        }
    }
    return FALSE;
}
