// Dialog base: a dialog from a resource template, run modally (with our own loop so that
// PreTranslateMessage sees every message first) or modeless; data exchange between controls and
// fields; virtual handlers the programs override.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "SharedText.h"

namespace fw {

class Control;
class Dialog;

// One exchange pass between the controls and the fields, in either direction.
class DataExchange {
public:
    DataExchange(Dialog& dlg, bool bSaveAndValidate) : m_dlg(dlg), m_bSave(bSaveAndValidate) {}
    Dialog& Owner() const { return m_dlg; }
    HWND Window() const;
    bool Saving() const { return m_bSave; }

private:
    Dialog& m_dlg;
    bool m_bSave;
};

// Text of a control <-> a string.
void DDX_Text(DataExchange& dx, int nId, std::string& strValue);
// Text of a control <-> a text shared with the worker thread.
void DDX_Text(DataExchange& dx, int nId, SharedText& text);
// Radio group starting at nFirstId (up to the next WS_GROUP control) <-> the index of the checked
// button in tab order; -1 when none is checked.
void DDX_Radio(DataExchange& dx, int nFirstId, int& nIndex);
// Binds a control object to the child window once.
void DDX_Control(DataExchange& dx, int nId, Control& control);

// A child control that a dialog binds; owner-drawn ones get their draw messages.
class Control {
public:
    Control() = default;
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND m_hWnd = nullptr;
    int m_nId = 0;

    virtual void Attach(HWND hWnd, int nId);
    virtual bool DrawItem(const DRAWITEMSTRUCT&) { return false; }

    LRESULT Send(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, nMsg, wParam, lParam);
    }
    void EnableWindow(BOOL bEnable) const { ::EnableWindow(m_hWnd, bEnable); }
};

class Dialog {
public:
    explicit Dialog(UINT nTemplateId, Dialog* pParent = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally on the calling thread; returns the EndDialog value or -1.
    INT_PTR DoModal();
    // Creates the dialog modeless as a child of pParent's window (or top level); TRUE on success.
    BOOL Create(UINT nTemplateId, Dialog* pParent = nullptr);
    BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    // A modal dialog that stays hidden runs its loop and its handlers but is never shown.
    void KeepHidden(bool bHidden) { m_bKeepHidden = bHidden; }

    // Moves data between the controls and the fields; bSaveAndValidate TRUE reads the controls.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    void EndDialog(INT_PTR nResult);
    HWND GetDlgItem(int nId) const { return ::GetDlgItem(m_hWnd, nId); }

    HWND m_hWnd = nullptr;

    // Gives the dialog the first look at each message its loop takes; TRUE swallows it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange& dx);
    // WM_COMMAND; return TRUE when handled.
    virtual BOOL OnCommand(WORD nId, WORD nCode, HWND hCtl);
    // Any other message; return TRUE and set lResult when handled.
    virtual BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

    // The dialog's icon (loaded from the program's resources by id): set as big and small icon by
    // SetDialogIcon, painted centred while the dialog is minimized, and its drag image.
    void LoadDialogIcon(UINT nIconId);
    void SetDialogIcon();
    // Input guard of a dialog whose worker may be busy: wait cursor and no Close item while busy,
    // arrow cursor otherwise; TRUE when the message is to be swallowed (Escape while bBlockEscape).
    BOOL GuardBusyInput(const MSG* pMsg, bool bBusy, bool bBlockEscape);

    UINT m_nTemplateId;
    Dialog* m_pParent;
    HICON m_hIcon = nullptr;

private:
    friend void DDX_Control(DataExchange& dx, int nId, Control& control);
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT nMsg, WPARAM wParam, LPARAM lParam);

    std::vector<Control*> m_controls;
    bool m_bModal = false;
    bool m_bKeepHidden = false;
    bool m_bEndModal = false;
    INT_PTR m_nModalResult = -1;
};

}  // namespace fw
