// Leftovers of an installed driver: its files, OEM INF copies, the uninstall entry, USB device
// nodes, device-enumerator keys and plug-and-play staging folders.
#include "RemovalEngine.h"

#include <setupapi.h>
#include <winspool.h>

#include <cstring>
#include <optional>
#include <vector>

#include "BoundedText.h"
#include "FileUtil.h"
#include "HardwareId.h"
#include "InfFileList.h"
#include "RegUtil.h"
#include "Spooler.h"
#include "TraceLog.h"
#include "framework/Handles.h"

namespace {

using PFN_SETUPUNINSTALLOEMINFA = BOOL(WINAPI*)(PCSTR, DWORD, PVOID);

constexpr DWORD kSpoolerStopPause = 1500;
constexpr DWORD kSpoolerStartPause = 2000;

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A driver file: in the Windows directory, or in the version-3 folder of the driver directory.
enum class Folder { Windows, Version3 };

struct DriverFile {
    Folder folder;
    ProfileEntry file;
    bool bUninstallerOnly;  // the main driver DLL in the version-3 folder
};

const DriverFile kDriverFiles[] = {
    {Folder::Windows, ProfileEntry::DriverDll, false},
    {Folder::Version3, ProfileEntry::DriverDll, true},
    {Folder::Version3, ProfileEntry::GpdName, false},
    {Folder::Windows, ProfileEntry::GpdName, false},
    {Folder::Version3, ProfileEntry::BudName, false},
    {Folder::Version3, ProfileEntry::UiDll, false},
    {Folder::Windows, ProfileEntry::UiDll, false},
    {Folder::Windows, ProfileEntry::UniDll, false},
    {Folder::Version3, ProfileEntry::UniDll, false},
    {Folder::Windows, ProfileEntry::UiIniName, false},
};

}  // namespace

void CRemovalEngine::DeleteDriverComponent()
{
    TraceStep step(IsInstaller() ? "DeleteFilesUsed" : "DeleteDriverComponent");
    if (!IsInstaller()) {
        m_context.ProgressNote("Deleting driver-components...", true, 100);
    }

    char szWindowsDir[256] = {};
    char szDriverDir[256] = {};
    if (::GetWindowsDirectoryA(szWindowsDir, sizeof(szWindowsDir)) == 0) {
        WriteTraceLog("GetWindowsDirectory failed");
    }
    DWORD cbNeeded = 0;
    if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(szDriverDir),
                                      sizeof(szDriverDir), &cbNeeded)) {
        WriteTraceLog("GetPrinterDriverDirectory failed. (%d)", static_cast<int>(::GetLastError()));
        szDriverDir[0] = '\0';
    }
    szWindowsDir[sizeof(szWindowsDir) - 1] = '\0';
    szDriverDir[sizeof(szDriverDir) - 1] = '\0';
    if (!IsInstaller()) {
        WriteTraceLog("PrinterDriverDirectory : %s", szDriverDir);
        WriteTraceLog("WindowsDirectory : %s", szWindowsDir);
    }

    // The spooler holds the driver modules while it runs.
    StopSpooler(kSpoolerStopPause);

    for (const DriverFile& file : kDriverFiles) {
        if (file.bUninstallerOnly && IsInstaller()) {
            continue;
        }
        char szPath[256] = {};
        if (file.folder == Folder::Windows) {
            CopyText(szPath, szWindowsDir);
            AppendText(szPath, "\\");
        } else {
            CopyText(szPath, szDriverDir);
            AppendText(szPath, "\\3\\");
        }
        AppendText(szPath, Profile(file.file).c_str());
        if (!::DeleteFileA(szPath)) {
            LogDeleteFileError(szPath, ::GetLastError());
        }
    }

    step.End();
    StartSpooler(kSpoolerStartPause);
}

void CRemovalEngine::DeleteINFFile()
{
    // The installer writes only the inner lines of this step, no frame of its own.
    std::optional<TraceStep> step;
    if (!IsInstaller()) {
        step.emplace("DeleteINFFile");
        m_context.ProgressNote("Deleting the INF file...", false, 100);
    }

    char szSection[256] = {};
    CopyText(szSection, Profile(ProfileEntry::MakerName).c_str());
    if (m_context.Wow64()) {
        AppendText(szSection, ".NTamd64");
    }
    WriteTraceLog("SECTION NAME : %s", szSection);
    char szKey[256] = {};
    CopyText(szKey, Profile(ProfileEntry::DriverName).c_str());
    WriteTraceLog("KEY NAME : %s", szKey);

    // The system's INF files, two calls: the size, then the list of names.
    const std::vector<char> list = SystemInfFileList();

    const bool bUninstallCall = m_context.Wow64() || m_context.OSCode() >= 2007;
    bool bFound = false;
    ForEachMultiSz(list.data(), list.size(), [&](const char* pchName, size_t cchName) {
        char szName[MAX_PATH] = {};
        // A name too long to be held whole is not one of the "oemN.inf" copies.
        if (CopyTextPart(szName, pchName, cchName) != cchName || std::strncmp(szName, "oem", 3) != 0) {
            return true;
        }

        UINT nErrorLine = 0;
        fw::ScopedInf hInf(::SetupOpenInfFileA(szName, nullptr, INF_STYLE_OLDNT | INF_STYLE_WIN4, &nErrorLine));
        if (!hInf) {
            WriteTraceLog("SetupOpenInfFile failed. %d", static_cast<int>(::GetLastError()));
            return true;
        }
        INFCONTEXT context = {};
        const bool bMatch = ::SetupFindFirstLineA(hInf.Get(), szSection, szKey, &context) != FALSE;
        hInf.Reset();
        if (!bMatch) {
            return true;
        }
        bFound = true;

        if (bUninstallCall) {
            // Present from Windows XP SP2 on: looked up, never linked.
            const auto pfnUninstall = reinterpret_cast<PFN_SETUPUNINSTALLOEMINFA>(
                reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("setupapi"), "SetupUninstallOEMInfA")));
            if (pfnUninstall != nullptr) {
                char szInfName[512] = {};
                CopyText(szInfName, szName);
                if (pfnUninstall(szInfName, SUOI_FORCEDELETE, nullptr)) {
                    WriteTraceLog("INF File (%s) has been deleted.", szInfName);
                } else {
                    WriteTraceLog("fnSetupUninstallOEMInf failed, %s, %d", szInfName,
                                  static_cast<int>(::GetLastError()));
                }
            }
        } else {
            char szPath[256] = {};
            ::GetWindowsDirectoryA(szPath, sizeof(szPath));
            szPath[sizeof(szPath) - 1] = '\0';
            AppendText(szPath, "\\inf\\");
            AppendText(szPath, szName);
            if (::DeleteFileA(szPath)) {
                WriteTraceLog("'%s' has been deleted successfully.", szPath);
            } else {
                LogDeleteFileError(szPath, ::GetLastError());
            }
        }
        return true;  // every matching copy goes, not only the first
    });

    if (!bFound) {
        WriteTraceLog("The key name was not found.");
    }
}

bool CRemovalEngine::DeleteUninstallationInfo(const char* pszModelName)
{
    TraceStep step("DeleteUninstallationInfo");

    char szKey[256] = {};
    CopyText(szKey, kUninstallRoot);
    AppendText(szKey, Profile(ProfileEntry::MakerName).c_str());
    AppendText(szKey, "_");
    AppendText(szKey, pszModelName);
    if (!IsInstaller()) {
        WriteTraceLog("RegKey : %s", szKey);
    }

    if (!DeleteRegKeyByRule(szKey, m_context.Wow64())) {
        step.Abandon();
        return false;
    }
    return true;
}

void CRemovalEngine::DeleteVidPid(Note note)
{
    TraceStep step("DeleteVidPid");
    LeftoverNote(note, "Deleting Vid & Pid info...");

    char szPrefix[50] = {};
    CopyText(szPrefix, "USB\\");
    AppendText(szPrefix, Profile(ProfileEntry::UsbVidPid).c_str());
    RemoveUsbDevices(szPrefix);

    WriteTraceLog("VID&PID : %s", szPrefix);
}

bool CRemovalEngine::RemoveUsbDevices(const char* pszPrefix)
{
    char szPrefix[50] = {};
    CopyText(szPrefix, pszPrefix);

    // Every USB device, plugged in or not.
    fw::ScopedDevInfo hDevices(::SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES));
    if (!hDevices) {
        return false;
    }

    for (DWORD nIndex = 0;; ++nIndex) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        if (!::SetupDiEnumDeviceInfo(hDevices.Get(), nIndex, &device)) {
            if (::GetLastError() == ERROR_NO_MORE_ITEMS) {
                return ::SetupDiDestroyDeviceInfoList(hDevices.Release()) != FALSE;
            }
            // Any other failure ends the walk too; the same index would fail again.
            return false;
        }

        char szIds[100] = {};
        DWORD dwType = 0;
        DWORD cbNeeded = 0;
        if (!::SetupDiGetDeviceRegistryPropertyA(hDevices.Get(), &device, SPDRP_HARDWAREID, &dwType,
                                                 reinterpret_cast<PBYTE>(szIds), sizeof(szIds), &cbNeeded)) {
            continue;
        }
        if (HardwareIdMatches(szIds, sizeof(szIds), szPrefix) && !::SetupDiRemoveDevice(hDevices.Get(), &device)) {
            return false;
        }
    }
}

void CRemovalEngine::Delete_LPT_USB_Info(Note note)
{
    TraceStep step("Delete_LPT_USB_Info");
    LeftoverNote(note, "Deleting information of LPT and USB...");

    for (ProfileEntry entry : {ProfileEntry::UsbEnumKey, ProfileEntry::LptEnumKey}) {
        char szKey[512] = {};
        CopyText(szKey, Profile(entry).c_str());
        char szFullPath[512] = {};
        CopyText(szFullPath, "HKLM\\");
        AppendText(szFullPath, szKey);
        GrantAndDeleteRegKey(szFullPath, szKey, m_context.Wow64());
    }
}

void CRemovalEngine::DeletePrnDrvPnPDirectory(Note note)
{
    TraceStep step("DeletePrnDrvPnPDirectory");
    LeftoverNote(note, "Deleting PNP directories...");

    char szBase[256] = {};
    DWORD cbNeeded = 0;
    if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(szBase), sizeof(szBase),
                                      &cbNeeded)) {
        szBase[0] = '\0';
    }
    szBase[sizeof(szBase) - 1] = '\0';
    // Without the driver folder the paths would start at the drive root.
    const bool bBase = szBase[0] != '\0';
    AppendText(szBase, "\\");

    // Each folder only when it names one folder inside the driver folder: an empty or odd entry
    // would empty the driver folder itself.
    const std::string strId1 = Profile(ProfileEntry::PnpId1);
    char szPath1[256] = {};
    CopyText(szPath1, szBase);
    AppendText(szPath1, strId1.c_str());
    if (bBase && IsPlainFolderName(strId1.c_str())) {
        DeleteDirectoryTree(szPath1);
    }
    WriteTraceLog("DIR PATH-1 : %s ", szPath1);

    const std::string strId2 = Profile(ProfileEntry::PnpId2);
    char szPath2[256] = {};
    CopyText(szPath2, szBase);
    AppendText(szPath2, strId2.c_str());
    if (bBase && IsPlainFolderName(strId2.c_str())) {
        DeleteDirectoryTree(szPath2);
    }
    WriteTraceLog("DIR PATH-2 : %s ", szPath2);
}
