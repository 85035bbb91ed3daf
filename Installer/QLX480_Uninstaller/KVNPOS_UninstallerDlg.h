// Dialog of the uninstaller: the check-list of printer objects that use the driver, a status line
// and a progress bar; the worker it starts carries the removal.
#pragma once

#include <string>

#include "RemovalContext.h"
#include "RemovalEngine.h"
#include "framework/CheckListBox.h"
#include "framework/Dialog.h"
#include "framework/SharedText.h"
#include "framework/StringList.h"

class CKVNPOS_UninstallerDlg : public fw::Dialog, public IRemovalContext {
public:
    CKVNPOS_UninstallerDlg();
    ~CKVNPOS_UninstallerDlg() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Fills the check-list with the printer objects that use the driver, or handles the two
    // cases without any: removal at once (driver installed) or a message and the end.
    void ShowPrinterObjects();
    // Names of the local printer objects that use the driver into m_listPrinterObjects; their
    // number, or -1 after a failed enumeration that was shown to the user.
    int AddPrinterObjectsToList();
    // 1 when an installed printer driver has exactly this name.
    int PrinterDrvExist(const std::string& strName);
    void OnCheckChange();
    void OnUninstall();
    static UINT UninstallThreadProc(LPVOID pParam);
    // The worker body: removes the ticked printer objects and, when all were ticked, the driver.
    void RunUninstallation();
    // The program's entry in the Windows list of installed programs.
    void DeleteUninstallInfoFromReg();
    // The maker's folder at the root of the Windows drive, with this model's folder in it.
    void DeleteInstalledDirectory();

    // Removal context of the engine's steps.
    int Wow64() const override { return m_bWow64; }
    int OSCode() const override { return m_nOSCode; }
    void ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs) override;
    void SetProgressPos(int nPos) override;

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
    CRemovalEngine m_removal{Program::Uninstaller, *this};

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    BOOL OnCommand(WORD nId, WORD nCode, HWND hCtl) override;
    BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

    void OnTimer(UINT_PTR nIdEvent);

private:
    // Status text, refresh of the dialog, then the pause; the bar steps when asked.
    void StatusNote(const char* pszText, bool bStepBar, DWORD dwPauseMs);
};
