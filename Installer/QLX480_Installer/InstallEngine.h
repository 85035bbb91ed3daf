// Install engine: the installer's object whose operations are the install steps. It keeps the
// probe results, the spooler environment and driver folder they select, the profile entries the
// steps use throughout, and the two controls through which the steps give progress notes.
#pragma once

#include <windows.h>

#include <string>

#include "RemovalContext.h"
#include "RemovalEngine.h"
#include "framework/Dialog.h"
#include "framework/SharedText.h"

// Error box of a failed system call: the header formatted with the error number ("%d"), then the
// system's English text for it (nothing more when the system has none); stop icon, OK only.
void ShowErrorBox(const char* pszHeaderFormat, DWORD dwError);

// Whether the spooler lists a printer driver of exactly this name for the environment (null: the
// caller's own), with one retry when the spooler is down; every failure counts as not listed.
bool SpoolerListsDriver(const char* pszEnvironment, const std::string& strDriverName);

// The engine is also the removal context of its own removal engine, which clears the leftovers of
// an earlier installation quietly before a first installation.
class CInstallEngine : public IRemovalContext {
public:
    CInstallEngine();
    ~CInstallEngine() override;
    CInstallEngine(const CInstallEngine&) = delete;
    CInstallEngine& operator=(const CInstallEngine&) = delete;

    void SetSystemInfo(int bWow64, int nOSCode);
    void SetControlPointers(fw::SharedText* pStatusText, fw::Control* pProgress);

    // Installation paths: with the system's printer-installation tool (Vista and later) or by
    // registering every component with the spooler (Windows 2000, XP, Server 2003). They return
    // to the worker, which ends the process; a printer-installation command that does not finish
    // in time ends it with -1.
    void AddToWin2KWithWHQL(int nPortCode);
    void AddToWin2K(int nPortCode);

    // Whether the package folder (the current folder) holds the INF and every file the chosen path
    // takes from the driver folder that the system does not provide. Each missing file gets a
    // trace line, and all of them one error box; nothing is changed either way.
    bool CheckPackageFiles();

    // The printer-installation command of the package path, hidden, awaited at most two minutes
    // (a time-out ends the process with -1); false when it could not be started.
    bool RunPackageCommand(const char* pszCmdExe, char* pszCommand);
    // Whether the spooler holds what the command was to install: the driver (unless it was there
    // before) and, for a serial or parallel port, a printer on that port using it. What is
    // missing goes to the trace log and an error box.
    bool PackageCommandInstalled(int bExisted, int nPortCode);

    // 1 when the spooler lists a printer driver of exactly this name; every failure counts as 0.
    int PrinterDrvExist(const std::string& strDriverName);
    // Stages the driver files into the printer-driver directory (and, on 32-bit Windows before
    // Vista, the driver's own files into the Windows directory too).
    void CopyFilesNeededToAddPrnDrv();
    // Removes the staging copies from the printer-driver directory.
    void DeleteFilesUsed();
    // 1 when an OEM INF of the system carries a line with this key in this section (the 64-bit
    // model section under WOW64).
    int INFFileExist(std::string strSection, std::string strKey);

    // Post-install registration: the package INF into the system's INF folder (m_strInfName then
    // names the copy, or is empty when the copy failed), the entry in the list of installed
    // programs, and the product folder with the uninstaller and the settings file.
    void CopyINFFile();
    void RegisterUninstallInfo();
    void CopyFilesOfUtilities();

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
    // Status text, the bar at 100, a refresh of the dialog; no pause.
    void CompletionNote(const char* pszText);

    // Removal context: the probe results and the progress note of this engine.
    int Wow64() const override { return m_bWow64; }
    int OSCode() const override { return m_nOSCode; }
    void ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs) override;
    void SetProgressPos(int nPos) override;

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

    // The installer's removal steps, used quietly for the leftovers of an earlier installation.
    CRemovalEngine m_removal{Program::Installer, *this};
};
