#include "CheckListBox.h"

namespace fw {

namespace {
constexpr int kCheckBoxWidth = 16;  // the box sits in the first 16 pixels of a line
// The window property that leads our procedure back to its object. Classic subclassing (the
// window procedure replaced, the old one called), since comctl32 of Windows 2000 exports its
// subclass helpers by ordinal only.
const char kObjectProperty[] = "fw::CheckListBox";
}  // namespace

CheckListBox::~CheckListBox() { Unsubclass(); }

void CheckListBox::Attach(HWND hWnd, int nId)
{
    Unsubclass();
    Control::Attach(hWnd, nId);
    if (hWnd != nullptr && ::SetPropA(hWnd, kObjectProperty, this)) {
        m_pfnListBoxProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
        if (m_pfnListBoxProc == nullptr) {
            ::RemovePropA(hWnd, kObjectProperty);
        }
    }
}

void CheckListBox::Unsubclass()
{
    if (m_pfnListBoxProc != nullptr && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnListBoxProc));
        ::RemovePropA(m_hWnd, kObjectProperty);
    }
    m_pfnListBoxProc = nullptr;
}

void CheckListBox::SetCheck(int nIndex, int nCheck) const
{
    if (Send(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), nCheck) != LB_ERR) {
        RECT rc;
        if (Send(LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&rc)) != LB_ERR) {
            ::InvalidateRect(m_hWnd, &rc, FALSE);
        }
    }
}

int CheckListBox::GetCheck(int nIndex) const
{
    const LRESULT nData = Send(LB_GETITEMDATA, static_cast<WPARAM>(nIndex));
    return nData == LB_ERR ? 0 : static_cast<int>(nData);
}

std::string CheckListBox::GetText(int nIndex) const
{
    const LRESULT nLength = Send(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
    if (nLength == LB_ERR) {
        return std::string();
    }
    std::string strText(static_cast<size_t>(nLength) + 1, '\0');
    const LRESULT nCopied = Send(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&strText[0]));
    strText.resize(nCopied == LB_ERR ? 0 : static_cast<size_t>(nCopied));
    return strText;
}

void CheckListBox::Toggle(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetCount() || !::IsWindowEnabled(m_hWnd)) {
        return;
    }
    SetCheck(nIndex, GetCheck(nIndex) ? 0 : 1);
    ::SendMessageA(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(m_nId, CLBN_CHKCHANGE),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

bool CheckListBox::DrawItem(const DRAWITEMSTRUCT& dis)
{
    if (static_cast<int>(dis.itemID) < 0) {
        return true;  // empty list with focus: nothing to draw
    }
    HDC hDC = dis.hDC;
    RECT rcItem = dis.rcItem;
    const bool bSelected = (dis.itemState & ODS_SELECTED) != 0;

    RECT rcBox = {rcItem.left + 1, rcItem.top + 1, rcItem.left + kCheckBoxWidth - 1, rcItem.bottom - 1};
    RECT rcBack = rcItem;
    rcBack.left += kCheckBoxWidth;
    ::FillRect(hDC, &rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    ::FillRect(hDC, &rcBack, ::GetSysColorBrush(bSelected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::DrawFrameControl(hDC, &rcBox, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (GetCheck(static_cast<int>(dis.itemID)) ? DFCS_CHECKED : 0));

    const std::string strText = GetText(static_cast<int>(dis.itemID));
    ::SetBkMode(hDC, TRANSPARENT);
    ::SetTextColor(hDC, ::GetSysColor(bSelected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT rcText = rcBack;
    rcText.left += 2;
    ::DrawTextA(hDC, strText.c_str(), static_cast<int>(strText.size()), &rcText,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (dis.itemState & ODS_FOCUS) {
        ::DrawFocusRect(hDC, &rcBack);
    }
    return true;
}

LRESULT CALLBACK CheckListBox::SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = static_cast<CheckListBox*>(::GetPropA(hWnd, kObjectProperty));
    if (pThis == nullptr || pThis->m_pfnListBoxProc == nullptr) {
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    }
    const WNDPROC pfnListBoxProc = pThis->m_pfnListBoxProc;
    switch (nMsg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int x = static_cast<short>(LOWORD(lParam));
        const LRESULT nHit = ::SendMessageA(hWnd, LB_ITEMFROMPOINT, 0, lParam);
        if (x < kCheckBoxWidth && HIWORD(nHit) == 0) {
            const LRESULT nResult = ::CallWindowProcA(pfnListBoxProc, hWnd, nMsg, wParam, lParam);
            pThis->Toggle(static_cast<int>(LOWORD(nHit)));
            return nResult;
        }
        break;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            pThis->Toggle(static_cast<int>(::SendMessageA(hWnd, LB_GETCURSEL, 0, 0)));
            return 0;
        }
        break;
    case WM_NCDESTROY:
        // The window goes before its object: hand it back to the list box's own procedure.
        pThis->Unsubclass();
        break;
    default:
        break;
    }
    return ::CallWindowProcA(pfnListBoxProc, hWnd, nMsg, wParam, lParam);
}

}  // namespace fw
