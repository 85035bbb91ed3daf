#include "InstallEngine.h"

#include <commctrl.h>

#include <vector>

#include "OsCode.h"
#include "Profile.h"
#include "TraceLog.h"
#include "framework/MessageBox.h"
#include "framework/ProgressNote.h"

namespace {
std::string LoadEntry(ProfileEntry entry) { return LoadProfileEntry(Program::Installer, entry); }
}  // namespace

CInstallEngine::CInstallEngine()
{
    m_strMakerName = LoadEntry(ProfileEntry::MakerName);
    m_strDriverName = LoadEntry(ProfileEntry::DriverName);
    m_strMonitorName = LoadEntry(ProfileEntry::MonitorName);
    m_strProcessorName = LoadEntry(ProfileEntry::ProcessorName);
    m_strDriverDll = LoadEntry(ProfileEntry::DriverDll);
    m_strMonitorDll = LoadEntry(ProfileEntry::MonitorDll);
    m_strProcessorDll = LoadEntry(ProfileEntry::ProcessorDll);
    m_strUiDll = LoadEntry(ProfileEntry::UiDll);
    m_strUniDll = LoadEntry(ProfileEntry::UniDll);
    m_strInfName = LoadEntry(ProfileEntry::InfName);
    m_bOwnComponents = 1;
}

CInstallEngine::~CInstallEngine() = default;

void CInstallEngine::SetSystemInfo(int bWow64, int nOSCode)
{
    TraceStep step("SetSystemInfo");
    m_bWow64 = bWow64;
    m_nOSCode = nOSCode;
    if (m_bWow64) {
        m_strEnvironment = "Windows x64";
        m_strDriverDir = ".\\Driver64\\";
    } else {
        m_strEnvironment = "Windows NT x86";
        m_strDriverDir = ".\\Driver32\\";
    }
    WriteTraceLog("ENV : %s, DRV DIR : %s ", m_strEnvironment.c_str(), m_strDriverDir.c_str());
}

bool CInstallEngine::CheckPackageFiles()
{
    TraceStep step("CheckPackageFiles");
    // The INF, then the driver's own files, which no Windows has (the universal driver files are
    // the system's); the package path takes the binary resource file as well, which the INF copies.
    // m_strDriverDir is ".\\Driver32\\" or ".\\Driver64\\"; names are shown from the package folder.
    const std::string strFolder = m_strDriverDir.compare(0, 2, ".\\") == 0 ? m_strDriverDir.substr(2) : m_strDriverDir;
    std::vector<std::string> files = {m_strInfName,
                                      strFolder + m_strDriverDll,
                                      strFolder + m_strUiDll,
                                      strFolder + m_strUniDll,
                                      strFolder + LoadEntry(ProfileEntry::UiIniName),
                                      strFolder + LoadEntry(ProfileEntry::GpdName),
                                      strFolder + m_strMonitorDll,
                                      strFolder + m_strProcessorDll};
    if (m_nOSCode >= kOsVista) {
        files.push_back(strFolder + LoadEntry(ProfileEntry::BudName));
    }
    std::string strMissing;
    for (const std::string& strFile : files) {
        const DWORD dwAttributes = ::GetFileAttributesA((".\\" + strFile).c_str());
        if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            WriteTraceLog("PACKAGE FILE MISSING : %s", strFile.c_str());
            strMissing += "\n" + strFile;
        }
    }
    if (strMissing.empty()) {
        return true;
    }
    const std::string strText = "The driver package is incomplete. These files are missing from the package folder:\n" +
                                strMissing + "\n\nCopy the complete driver package and run the installer again.";
    fw::AppMessageBox(strText.c_str(), MB_OK | MB_ICONHAND);
    return false;
}

void CInstallEngine::SetControlPointers(fw::SharedText* pStatusText, fw::Control* pProgress)
{
    TraceStep step("SetControlPointers");
    m_pStatusText = pStatusText;
    m_pProgress = pProgress;
}

void CInstallEngine::ProgressNote(const char* pszText, DWORD dwPauseMs)
{
    ProgressNote(pszText, true, dwPauseMs);
}

void CInstallEngine::ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs)
{
    fw::ProgressNote(m_pStatusText, m_pProgress, pszText, bStepBar, dwPauseMs);
}

void CInstallEngine::CompletionNote(const char* pszText)
{
    if (m_pStatusText != nullptr) {
        m_pStatusText->Set(pszText);
    }
    SetProgressPos(100);
    fw::PostRefresh();
}

void CInstallEngine::SetProgressPos(int nPos)
{
    if (m_pProgress != nullptr && m_pProgress->m_hWnd != nullptr) {
        ::SendMessageA(m_pProgress->m_hWnd, PBM_SETPOS, static_cast<WPARAM>(nPos), 0);
    }
}
