// Dialog of the uninstaller: the check-list of printer objects that use the driver, a status line
// and a progress bar; the worker it starts carries the removal.
#pragma once

#include <string>

#include "framework/CheckListBox.h"
#include "framework/Dialog.h"
#include "framework/SharedText.h"
#include "framework/StringList.h"

class CKVNPOS_UninstallerDlg : public fw::Dialog {
public:
    CKVNPOS_UninstallerDlg();
    ~CKVNPOS_UninstallerDlg() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    int m_nOSCode = 2010;
    int m_bWow64 = 0;
    volatile int m_bUninstalling = 0;
    std::string m_strWork;
    fw::StringList m_listPrinterObjects;
    int m_nPrinterObjects = 0;
    fw::Control m_btnCancel;
    fw::Control m_progress;
    fw::Control m_btnUninstall;
    fw::CheckListBox m_checkList;
    fw::SharedText m_strStatus;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

    void OnTimer(UINT_PTR nIdEvent);
};
