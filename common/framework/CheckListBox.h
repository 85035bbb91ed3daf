// Check-list box: an owner-drawn list box whose lines carry a check box. The tick is kept in the
// line's item data; a click on the box or the space bar toggles it and tells the parent with
// CLBN_CHKCHANGE.
#pragma once

#include "Dialog.h"

namespace fw {

constexpr WORD CLBN_CHKCHANGE = 40;

class CheckListBox : public Control {
public:
    ~CheckListBox() override;

    void Attach(HWND hWnd, int nId) override;
    bool DrawItem(const DRAWITEMSTRUCT& dis) override;

    int GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
    int AddString(const char* pszText) const
    {
        return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszText)));
    }
    void ResetContent() const { Send(LB_RESETCONTENT); }
    void SetCheck(int nIndex, int nCheck) const;
    int GetCheck(int nIndex) const;
    std::string GetText(int nIndex) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    void Toggle(int nIndex) const;
    void Unsubclass();
    WNDPROC m_pfnListBoxProc = nullptr;  // the list box's own procedure while ours stands in front
};

}  // namespace fw
