#include "Profile.h"

#include "ProductProfile.h"

UINT ProfileNumber(Program program, ProfileEntry entry)
{
    const bool bInstaller = program == Program::Installer;
    switch (entry) {
    case ProfileEntry::ModelName: return IDS_MODEL_NAME;
    case ProfileEntry::DriverName: return IDS_DRIVER_NAME;
    case ProfileEntry::MonitorName: return IDS_MONITOR_NAME;
    case ProfileEntry::ProcessorName: return IDS_PROCESSOR_NAME;
    case ProfileEntry::DriverDll: return IDS_DRIVER_DLL;
    case ProfileEntry::MonitorDll: return IDS_MONITOR_DLL;
    case ProfileEntry::ProcessorDll: return IDS_PROCESSOR_DLL;
    case ProfileEntry::UiDll: return IDS_UI_DLL;
    case ProfileEntry::UniDll: return IDS_UNI_DLL;
    case ProfileEntry::InfName: return IDS_INF_NAME;
    case ProfileEntry::UsbVidPid: return IDS_USB_VID_PID;
    case ProfileEntry::PnpId1: return IDS_PNP_ID1;
    case ProfileEntry::PnpId2: return IDS_PNP_ID2;
    case ProfileEntry::UsbEnumKey: return IDS_USB_ENUM_KEY;
    case ProfileEntry::LptEnumKey: return IDS_LPT_ENUM_KEY;
    case ProfileEntry::InstallerExe: return IDS_INSTALLER_EXE;
    case ProfileEntry::UninstallerExe: return IDS_UNINSTALLER_EXE;
    case ProfileEntry::UninstallKey: return IDS_UNINSTALL_KEY;
    case ProfileEntry::VersionMajor: return bInstaller ? IDS_INST_VERSION_MAJOR : 0;
    case ProfileEntry::VersionMinor: return bInstaller ? IDS_INST_VERSION_MINOR : 0;
    case ProfileEntry::VersionBuild: return bInstaller ? IDS_INST_VERSION_BUILD : 0;
    case ProfileEntry::VersionExtra: return bInstaller ? IDS_INST_VERSION_EXTRA : 0;
    case ProfileEntry::MakerName: return bInstaller ? IDS_INST_MAKER_NAME : IDS_UNINST_MAKER_NAME;
    case ProfileEntry::GpdName: return bInstaller ? IDS_INST_GPD_NAME : IDS_UNINST_GPD_NAME;
    case ProfileEntry::BudName: return bInstaller ? IDS_INST_BUD_NAME : IDS_UNINST_BUD_NAME;
    case ProfileEntry::UiIniName: return bInstaller ? IDS_INST_UI_INI_NAME : IDS_UNINST_UI_INI_NAME;
    case ProfileEntry::FormTag: return bInstaller ? IDS_INST_FORM_TAG : IDS_UNINST_FORM_TAG;
    }
    return 0;
}

std::string LoadProfileString(UINT nId, HINSTANCE hModule)
{
    if (nId == 0) {
        return std::string();
    }
    // Entries are short (the longest is a registry path); a cut text would still be terminated.
    char szText[1024] = "";
    const int nLength = ::LoadStringA(hModule != nullptr ? hModule : ::GetModuleHandleA(nullptr), nId, szText,
                                      static_cast<int>(sizeof(szText)));
    return nLength > 0 ? std::string(szText, static_cast<size_t>(nLength)) : std::string();
}
