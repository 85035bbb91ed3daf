// Install engine: the installer's object whose operations are the install steps. It keeps the
// probe results, the spooler environment and driver folder they select, the profile entries the
// steps use throughout, and the two controls through which the steps give progress notes.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "framework/SharedText.h"

// Error box of a failed system call: the header formatted with the error number ("%d"), then the
// system's English text for it (nothing more when the system has none); stop icon, OK only.
void ShowErrorBox(const char* pszHeaderFormat, DWORD dwError);

class CInstallEngine {
public:
    CInstallEngine();
    virtual ~CInstallEngine();
    CInstallEngine(const CInstallEngine&) = delete;
    CInstallEngine& operator=(const CInstallEngine&) = delete;

    void SetSystemInfo(int bWow64, int nOSCode);
    void SetControlPointers(fw::SharedText* pStatusText, fw::Control* pProgress);

    // Installation paths: with the system's printer-installation tool (Vista and later) or by
    // registering every component with the spooler (Windows 2000, XP, Server 2003).
    void AddToWin2KWithWHQL(int nPortCode);
    void AddToWin2K(int nPortCode);

    // Spooler registration of the manual path, in this order: language monitor, print processor,
    // printer driver (from the staged driver files), printer object on the chosen port. The first
    // three report a failure in an error box and return false; a printer object that cannot be
    // added ends the process after its error box.
    bool AddLanguageMonitor();
    bool AddPrinterProcessor();
    bool AddPrinterDriverToSystem();
    int AddPrinterToSystem(int nPortCode, std::string strPrinterName);

    // Status text, one bar step, a refresh of the dialog, then the pause (0: none).
    void ProgressNote(const char* pszText, DWORD dwPauseMs = 500);

    int m_nOSCode = 0;
    int m_bWow64 = 0;
    std::string m_strEnvironment;
    std::string m_strDriverDir;
    std::string m_strWork;  // profile entries the steps load on demand

    std::string m_strMakerName;
    std::string m_strDriverName;
    std::string m_strInfName;

    fw::SharedText* m_pStatusText = nullptr;
    fw::Control* m_pProgress = nullptr;

    std::string m_strMonitorDll;
    std::string m_strMonitorName;
    std::string m_strProcessorDll;
    std::string m_strProcessorName;
    std::string m_strDriverDll;
    std::string m_strUiDll;
    std::string m_strUniDll;

    // The driver brings its own language monitor and print processor.
    int m_bOwnComponents = 0;
};
