#include "Dialog.h"

#include <algorithm>

namespace fw {

namespace {

// Height of a line in an owner-drawn list box: room for a check box and the dialog font.
constexpr UINT kOwnerDrawItemHeight = 16;

// Puts the dialog in the middle of its owner, or of the screen's work area when it has none.
void CenterDialog(HWND hWnd)
{
    RECT rcDlg;
    ::GetWindowRect(hWnd, &rcDlg);
    RECT rcArea;
    HWND hOwner = ::GetWindow(hWnd, GW_OWNER);
    if (hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner)) {
        ::GetWindowRect(hOwner, &rcArea);
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
    }
    const int x = rcArea.left + ((rcArea.right - rcArea.left) - (rcDlg.right - rcDlg.left)) / 2;
    const int y = rcArea.top + ((rcArea.bottom - rcArea.top) - (rcDlg.bottom - rcDlg.top)) / 2;
    ::SetWindowPos(hWnd, nullptr, std::max(x, 0), std::max(y, 0), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsRadioButton(HWND hWnd)
{
    const LONG_PTR nType = ::GetWindowLongPtrA(hWnd, GWL_STYLE) & BS_TYPEMASK;
    return nType == BS_RADIOBUTTON || nType == BS_AUTORADIOBUTTON;
}

}  // namespace

HWND DataExchange::Window() const { return m_dlg.m_hWnd; }

void DDX_Text(DataExchange& dx, int nId, std::string& strValue)
{
    HWND hCtl = ::GetDlgItem(dx.Window(), nId);
    if (hCtl == nullptr) {
        return;
    }
    if (dx.Saving()) {
        const int nLength = ::GetWindowTextLengthA(hCtl);
        std::string strText(static_cast<size_t>(nLength) + 1, '\0');
        const int nCopied = ::GetWindowTextA(hCtl, &strText[0], nLength + 1);
        strText.resize(static_cast<size_t>(std::max(nCopied, 0)));
        strValue = strText;
    } else {
        ::SetWindowTextA(hCtl, strValue.c_str());
    }
}

void DDX_Text(DataExchange& dx, int nId, SharedText& text)
{
    std::string strValue = text.Get();
    DDX_Text(dx, nId, strValue);
    if (dx.Saving()) {
        text.Set(strValue);
    }
}

void DDX_Radio(DataExchange& dx, int nFirstId, int& nIndex)
{
    HWND hCtl = ::GetDlgItem(dx.Window(), nFirstId);
    if (hCtl == nullptr) {
        return;
    }
    if (dx.Saving()) {
        nIndex = -1;
    }
    int nButton = 0;
    do {
        if (IsRadioButton(hCtl)) {
            if (dx.Saving()) {
                if (::SendMessageA(hCtl, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                    nIndex = nButton;
                }
            } else {
                ::SendMessageA(hCtl, BM_SETCHECK, nButton == nIndex ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++nButton;
        }
        hCtl = ::GetWindow(hCtl, GW_HWNDNEXT);
    } while (hCtl != nullptr && (::GetWindowLongPtrA(hCtl, GWL_STYLE) & WS_GROUP) == 0);
}

void DDX_Control(DataExchange& dx, int nId, Control& control)
{
    if (control.m_hWnd != nullptr) {
        return;
    }
    control.Attach(::GetDlgItem(dx.Window(), nId), nId);
    dx.Owner().m_controls.push_back(&control);
}

void Control::Attach(HWND hWnd, int nId)
{
    m_hWnd = hWnd;
    m_nId = nId;
}

Dialog::Dialog(UINT nTemplateId, Dialog* pParent) : m_nTemplateId(nTemplateId), m_pParent(pParent) {}

Dialog::~Dialog()
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR Dialog::DoModal()
{
    HWND hOwner = m_pParent != nullptr ? m_pParent->m_hWnd : nullptr;
    m_bModal = true;
    m_bEndModal = false;
    m_nModalResult = -1;
    m_controls.clear();

    HWND hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nTemplateId), hOwner,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    if (hWnd == nullptr) {
        m_bModal = false;
        return -1;
    }
    const bool bOwnerDisabled = hOwner != nullptr && ::IsWindowEnabled(hOwner);
    if (bOwnerDisabled) {
        ::EnableWindow(hOwner, FALSE);
    }
    if (!m_bEndModal && !m_bKeepHidden) {
        ::ShowWindow(hWnd, SW_SHOWNORMAL);  // templates need not be visible; the loop shows them
    }

    MSG msg;
    while (!m_bEndModal) {
        const BOOL bGot = ::GetMessageA(&msg, nullptr, 0, 0);
        if (bGot == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave WM_QUIT for the outer loop
            break;
        }
        if (bGot == -1) {
            break;
        }
        const bool bOurs = msg.hwnd == hWnd || ::IsChild(hWnd, msg.hwnd);
        if (bOurs && PreTranslateMessage(&msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }

    if (bOwnerDisabled) {
        ::EnableWindow(hOwner, TRUE);
        ::SetActiveWindow(hOwner);
    }
    ::DestroyWindow(hWnd);
    m_hWnd = nullptr;
    m_bModal = false;
    return m_nModalResult;
}

BOOL Dialog::Create(UINT nTemplateId, Dialog* pParent)
{
    m_nTemplateId = nTemplateId;
    m_pParent = pParent;
    m_controls.clear();
    HWND hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nTemplateId),
                                     pParent != nullptr ? pParent->m_hWnd : nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

BOOL Dialog::DestroyWindow()
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const BOOL bDone = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return bDone;
}

BOOL Dialog::UpdateData(BOOL bSaveAndValidate)
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    DataExchange dx(*this, bSaveAndValidate != FALSE);
    DoDataExchange(dx);
    return TRUE;
}

void Dialog::EndDialog(INT_PTR nResult)
{
    m_nModalResult = nResult;
    m_bEndModal = true;
    if (m_hWnd != nullptr) {
        // Wakes the modal loop, which may sit in GetMessage on another thread.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
}

BOOL Dialog::PreTranslateMessage(MSG* pMsg) { return ::IsDialogMessageA(m_hWnd, pMsg); }

BOOL Dialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void Dialog::OnOK()
{
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::DoDataExchange(DataExchange&) {}

BOOL Dialog::OnCommand(WORD, WORD, HWND) { return FALSE; }

BOOL Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

void Dialog::LoadDialogIcon(UINT nIconId)
{
    m_hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nIconId));
}

void Dialog::SetDialogIcon()
{
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
}

BOOL Dialog::GuardBusyInput(const MSG* pMsg, bool bBusy, bool bBlockEscape)
{
    if (bBusy) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        ::DeleteMenu(::GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND);
    } else {
        ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
    }
    return bBlockEscape && pMsg->wParam == VK_ESCAPE;
}

// Draws the icon centred in the client area of the minimized dialog; FALSE leaves the painting
// to the default handling.
static BOOL PaintMinimizedIcon(HWND hWnd, HICON hIcon)
{
    if (hIcon == nullptr || !::IsIconic(hWnd)) {
        return FALSE;
    }
    PAINTSTRUCT ps;
    HDC hDC = ::BeginPaint(hWnd, &ps);
    ::SendMessageA(hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    const int x = (rc.right - rc.left - cxIcon + 1) / 2;
    const int y = (rc.bottom - rc.top - cyIcon + 1) / 2;
    ::DrawIcon(hDC, x, y, hIcon);
    ::EndPaint(hWnd, &ps);
    return TRUE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_INITDIALOG) {
        auto* pDlg = reinterpret_cast<Dialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->m_hWnd = hWnd;
    }
    auto* pDlg = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (pDlg == nullptr) {
        // Owner-drawn list boxes are measured while the template is still being built.
        if (nMsg == WM_MEASUREITEM) {
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kOwnerDrawItemHeight;
            return TRUE;
        }
        return FALSE;
    }
    return pDlg->HandleMessage(nMsg, wParam, lParam);
}

INT_PTR Dialog::HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case WM_INITDIALOG:
        CenterDialog(m_hWnd);
        return OnInitDialog();
    case WM_COMMAND: {
        const WORD nId = LOWORD(wParam);
        const WORD nCode = HIWORD(wParam);
        if (OnCommand(nId, nCode, reinterpret_cast<HWND>(lParam))) {
            return TRUE;
        }
        if (nCode == BN_CLICKED && nId == IDOK) {
            OnOK();
            return TRUE;
        }
        if (nCode == BN_CLICKED && nId == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kOwnerDrawItemHeight;
        return TRUE;
    case WM_PAINT:
        if (PaintMinimizedIcon(m_hWnd, m_hIcon)) {
            return TRUE;
        }
        break;
    case WM_QUERYDRAGICON:
        if (m_hIcon != nullptr) {
            return reinterpret_cast<INT_PTR>(m_hIcon);  // answered by the return value itself
        }
        break;
    case WM_DRAWITEM: {
        const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        for (Control* pControl : m_controls) {
            if (pControl->m_nId == static_cast<int>(dis.CtlID)) {
                return pControl->DrawItem(dis);
            }
        }
        return FALSE;
    }
    default:
        break;
    }
    LRESULT lResult = 0;
    if (OnMessage(nMsg, wParam, lParam, lResult)) {
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, lResult);
        return TRUE;
    }
    return FALSE;
}

}  // namespace fw
