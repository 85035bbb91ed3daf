// Progress dialog of the installer: version line, status line and progress bar; it starts the
// worker thread that carries the whole installation and ends the process.
#pragma once

#include <memory>
#include <string>

#include "InstallEngine.h"
#include "Port_Dlg.h"
#include "RemovalContext.h"
#include "RemovalEngine.h"
#include "framework/Dialog.h"
#include "framework/SharedText.h"
#include "framework/Thread.h"

// Reads one value of the settings file, from the current folder first, then from
// <Windows>\QLX-480. Returns pszOut when a non-empty value was found, else null (and traces it).
char* GetDriverInfoFromFile(const char* pszSection, const char* pszKey, char* pszOut, DWORD cbOut);

class CKVNPOS_InstallerDlg : public fw::Dialog, public IRemovalContext {
public:
    CKVNPOS_InstallerDlg();
    ~CKVNPOS_InstallerDlg() override;

    // Worker entry: pParam is the dialog. Never returns.
    static UINT InstallThreadProc(LPVOID pParam);

    // The worker body: OS gate, route, installation; ends the process.
    void RunInstallation();
    // Interactive route: the port dialog shown modally.
    void InstallWithPortDialog();
    // Silent route: the port taken from the settings file through a hidden port dialog.
    void InstallWithConfiguredPort();
    // Quiet route without /port=: the settings file's PORT, whatever PORTDLG says; ends the
    // program with the bad-command-line code when there is none.
    void InstallWithSettingsPort();
    // Returns when installation may go on; a different installed version is removed, Windows is
    // asked to restart and the program ends.
    void CheckDifferentVersion();

    // Removal context of the removal steps the installer runs.
    int Wow64() const override { return m_bWow64; }
    int OSCode() const override { return m_nOSCode; }
    void ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs) override;
    void SetProgressPos(int nPos) override;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    int m_nOSCode = 2010;
    int m_bWow64 = 0;
    std::string m_strWork;
    std::unique_ptr<fw::Thread> m_pWorker;
    volatile int m_bInstalling = 0;
    volatile int m_bRemoving = 0;
    CInstallEngine m_engine;
    CRemovalEngine m_removal{Program::Installer, *this};
    CPort_Dlg m_portDlg;
    fw::Control m_progress;
    fw::SharedText m_strStatus;
    fw::SharedText m_strVersion;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    BOOL OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override;

private:
    // Steps 3 to 5 shared by both routes: driver check, then the installation path of this Windows.
    void InstallOnPort(int nPortIndex);
};
