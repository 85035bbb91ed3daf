// Product profile: the numbered product strings in each program's string table. Routines load an
// entry when they need it; shared routines are told which program's numbering to use.
#pragma once

#include <windows.h>

#include <string>

enum class Program { Installer, Uninstaller };

enum class ProfileEntry {
    ModelName, DriverName, MonitorName, ProcessorName, DriverDll, MonitorDll, ProcessorDll, UiDll, UniDll,
    InfName, UsbVidPid, PnpId1, PnpId2, UsbEnumKey, LptEnumKey, InstallerExe, UninstallerExe, UninstallKey,
    VersionMajor, VersionMinor, VersionBuild, VersionExtra,  // installer only
    MakerName, GpdName, BudName, UiIniName, FormTag
};

// Number of the entry in the given program's table; 0 for an entry that program does not carry.
UINT ProfileNumber(Program program, ProfileEntry entry);

// Loads one entry of the string table of hModule (null: this program); a missing number gives "".
std::string LoadProfileString(UINT nId, HINSTANCE hModule = nullptr);

inline std::string LoadProfileEntry(Program program, ProfileEntry entry)
{
    return LoadProfileString(ProfileNumber(program, entry));
}
