// Post-install registration: the package INF into the system's INF folder, the product's entry in
// the list of installed programs, and the product folder the uninstaller is started from.
#include <windows.h>
#include <setupapi.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "BoundedText.h"
#include "EnginePaths.h"
#include "InstallEngine.h"
#include "InstallerFileUtil.h"
#include "Profile.h"
#include "RegUtil.h"
#include "TraceLog.h"
#include "framework/Handles.h"

using engine_paths::JoinPath;
using engine_paths::kPathSize;

namespace {

constexpr DWORD kInfPathSize = 260;
constexpr REGSAM kOpenAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F
const char kSettingsFile[] = "QLX480_Config.KVN";

std::string LoadEntry(ProfileEntry entry) { return LoadProfileEntry(Program::Installer, entry); }

// REG_SZ value whose byte count is the text's length, without the terminating zero.
void SetTextValue(HKEY hKey, const char* pszName, const char* pszText)
{
    ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszText),
                     static_cast<DWORD>(BoundedTextLength(pszText, kInfPathSize)));
}

// REG_DWORD value; a failed write is logged with its status.
void SetNumberValue(HKEY hKey, const char* pszName, DWORD dwValue)
{
    const LONG nStatus =
        ::RegSetValueExA(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    if (nStatus != ERROR_SUCCESS) {
        WriteTraceLog("RegSetValueEx failed : %s, (%d) ", pszName, static_cast<int>(nStatus));
    }
}

// Bytes of the files directly inside pszFolder ("" is the current folder); pszPattern picks them.
ULONGLONG FolderFileBytes(const char* pszFolder, const char* pszPattern)
{
    char szSearch[kPathSize];
    if (!engine_paths::ConcatPath(szSearch, pszFolder, pszPattern)) {
        return 0;
    }
    WIN32_FIND_DATAA find = {};
    fw::ScopedFind hFind(::FindFirstFileA(szSearch, &find));
    if (!hFind) {
        return 0;
    }
    ULONGLONG nBytes = 0;
    do {
        if ((find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            nBytes += (static_cast<ULONGLONG>(find.nFileSizeHigh) << 32) | find.nFileSizeLow;
        }
    } while (::FindNextFileA(hFind.Get(), &find));
    return nBytes;
}

// Appends "<major>.<minor>.<build>" of the profile.
void AppendVersion(char (&szText)[kPathSize])
{
    AppendText(szText, LoadEntry(ProfileEntry::VersionMajor).c_str());
    AppendText(szText, ".");
    AppendText(szText, LoadEntry(ProfileEntry::VersionMinor).c_str());
    AppendText(szText, ".");
    AppendText(szText, LoadEntry(ProfileEntry::VersionBuild).c_str());
}

// What the list of installed programs shows beside the name: version, maker, icon, size and
// date, no Change or Repair button, and the command line of an unattended removal.
void SetProgramListValues(HKEY hKey, const char* pszUninstaller, const char* pszDriverDir)
{
    char szText[kPathSize] = "";
    AppendVersion(szText);
    SetTextValue(hKey, "DisplayVersion", szText);
    SetTextValue(hKey, "Publisher", LoadEntry(ProfileEntry::MakerName).c_str());
    if (pszUninstaller[0] != '\0') {
        SetTextValue(hKey, "DisplayIcon", pszUninstaller);
        char szQuiet[kPathSize];
        FormatText(szQuiet, sizeof(szQuiet), "\"%s\" /quiet", pszUninstaller);
        if (BoundedTextLength(szQuiet, sizeof(szQuiet)) == BoundedTextLength(pszUninstaller, kPathSize) + 9) {
            SetTextValue(hKey, "QuietUninstallString", szQuiet);
        }
    }
    SetNumberValue(hKey, "NoModify", 1);
    SetNumberValue(hKey, "NoRepair", 1);

    // The driver files of this system's architecture and the package's own files, in whole KB.
    const ULONGLONG nBytes = FolderFileBytes(pszDriverDir, "*") + FolderFileBytes(".\\", "*.exe") +
                             FolderFileBytes(".\\", "*.inf") + FolderFileBytes(".\\", kSettingsFile);
    SetNumberValue(hKey, "EstimatedSize", static_cast<DWORD>((nBytes + 1023) / 1024));

    SYSTEMTIME st;
    ::GetLocalTime(&st);
    FormatText(szText, sizeof(szText), "%04u%02u%02u", static_cast<unsigned>(st.wYear),
               static_cast<unsigned>(st.wMonth), static_cast<unsigned>(st.wDay));
    SetTextValue(hKey, "InstallDate", szText);
}

// Deletes HKLM\pszKey with everything below it in the 64-bit view. The view-aware deletion takes
// one key at a time, so the subkeys go first, deepest first. The status of the last deletion.
LONG DeleteKeyTree64(const char* pszKey, int nDepth = 0)
{
    constexpr int kMaxDepth = 32;
    if (nDepth < kMaxDepth) {
        std::vector<std::string> subKeys;
        fw::ScopedRegKey hKey;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, hKey.Receive()) ==
            ERROR_SUCCESS) {
            char szName[kPathSize];
            DWORD cchName = sizeof(szName);
            for (DWORD i = 0; ::RegEnumKeyExA(hKey.Get(), i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) ==
                              ERROR_SUCCESS;
                 ++i, cchName = sizeof(szName)) {
                subKeys.emplace_back(szName, BoundedTextLength(szName, sizeof(szName)));
            }
        }
        for (const std::string& strSubKey : subKeys) {
            const std::string strPath = std::string(pszKey) + "\\" + strSubKey;
            DeleteKeyTree64(strPath.c_str(), nDepth + 1);
        }
    }
    return MyRegDeleteKeyEx(HKEY_LOCAL_MACHINE, pszKey, KEY_WOW64_64KEY, 0);
}

// One copy out of the package folder; a failed copy goes to the fallback for locked files.
void CopyPackageFile(const char* pszSource, const char* pszDest)
{
    BOOL bCopied = FALSE;
    DWORD dwError = ERROR_PATH_NOT_FOUND;  // no destination folder could be named
    if (pszDest[0] != '\0') {
        bCopied = ::CopyFileA(pszSource, pszDest, FALSE);
        dwError = ::GetLastError();
    }
    WriteTraceLog("FILE SRC : %s", pszSource);
    if (!bCopied) {
        CopyFileWithFallback(pszSource, pszDest, dwError);
    }
}

// <Windows>\<ModelName>, the product folder; false (and "") when the model name cannot name one
// folder inside the Windows directory, which would otherwise be emptied in its place.
bool ProductFolder(char (&szFolder)[kPathSize])
{
    const std::string strModel = LoadEntry(ProfileEntry::ModelName);
    char szWindows[kPathSize];
    engine_paths::WindowsFolder(szWindows);
    if (!IsPlainFolderName(strModel.c_str())) {
        szFolder[0] = '\0';
        WriteTraceLog("PRODUCT FOLDER : no folder for the model name \"%s\"", strModel.c_str());
        return false;
    }
    return JoinPath(szFolder, szWindows, strModel.c_str());
}

}  // namespace

void CInstallEngine::CopyINFFile()
{
    TraceStep step("CopyINFFile");

    // The INF at the root of the package, not in the driver folder. The call takes the full path
    // of the source INF, so the relative name is resolved against the current folder; a path that
    // cannot be resolved whole is passed as it is and the call reports it.
    char szRelative[kPathSize];
    CopyText(szRelative, ".\\");
    AppendText(szRelative, m_strInfName.c_str());
    char szSource[kPathSize];
    const DWORD cchFull = ::GetFullPathNameA(szRelative, sizeof(szSource), szSource, nullptr);
    if (cchFull == 0 || cchFull >= sizeof(szSource)) {
        CopyText(szSource, szRelative);
    }
    WriteTraceLog("Inf File Name : %s", szSource);

    char szDest[kInfPathSize] = {};
    DWORD cchRequired = 0;
    BOOL bCopied = ::SetupCopyOEMInfA(szSource, nullptr, SPOST_PATH, SP_COPY_NOOVERWRITE, szDest, sizeof(szDest),
                                      &cchRequired, nullptr);
    const DWORD dwError = ::GetLastError();
    WriteTraceLog("Inf File Name : %s", szSource);

    if (!bCopied) {
        if (dwError == ERROR_FILE_EXISTS || dwError == ERROR_ALREADY_EXISTS) {
            // The same INF is installed already: refresh that copy and take its name.
            szDest[0] = '\0';
            bCopied = ::SetupCopyOEMInfA(szSource, nullptr, SPOST_PATH, SP_COPY_REPLACEONLY, szDest, sizeof(szDest),
                                         &cchRequired, nullptr);
        } else {
            WriteTraceLog("SetupCopyOEMInf failed : (%d)", static_cast<int>(dwError));
            ShowErrorBox("SetupCopyOEMInf, ERR CODE: %d\n\n", dwError);
        }
    }
    // Only a name the system gave is kept: it is what the uninstall entry records.
    if (!bCopied) {
        szDest[0] = '\0';
    }
    szDest[kInfPathSize - 1] = '\0';
    m_strInfName = szDest;
    WriteTraceLog("INF FILE NAME : %s", m_strInfName.c_str());
}

void CInstallEngine::RegisterUninstallInfo()
{
    TraceStep step("RegisterUninstallInfo");

    char szKey[kPathSize];
    CopyText(szKey, LoadEntry(ProfileEntry::UninstallKey).c_str());
    WriteTraceLog("REGKEY : %s", szKey);

    // An earlier entry goes first, so that only this installation's values remain.
    fw::ScopedRegKey hKey;
    DWORD dwDisposition = 0;
    LONG nStatus = ERROR_SUCCESS;
    if (m_bWow64) {
        {
            fw::ScopedRegKey hOld;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, kOpenAccess | KEY_WOW64_64KEY, hOld.Receive()) ==
                ERROR_SUCCESS) {
                const LONG nDeleted = DeleteKeyTree64(szKey);
                if (nDeleted != ERROR_SUCCESS) {
                    WriteTraceLog("MyRegDeleteKeyEx failed : %s, (%d) ", szKey, static_cast<int>(nDeleted));
                }
            }
        }
        nStatus = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_WRITE | KEY_WOW64_64KEY, nullptr, hKey.Receive(), &dwDisposition);
        if (nStatus != ERROR_SUCCESS) {
            WriteTraceLog("RegCreateKeyEx failed : %s, (%d) ", szKey, static_cast<int>(nStatus));
            return;
        }
    } else {
        {
            fw::ScopedRegKey hOld;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, kOpenAccess, hOld.Receive()) == ERROR_SUCCESS) {
                const DWORD dwDeleted = ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, szKey);
                if (dwDeleted != ERROR_SUCCESS) {
                    WriteTraceLog("SHDeleteKey failed : %s , (%d) ", szKey, static_cast<int>(dwDeleted));
                }
            }
        }
        nStatus = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                    hKey.Receive(), &dwDisposition);
        if (nStatus != ERROR_SUCCESS) {
            WriteTraceLog("RegCreateKeyEx failed : %s , (%d) ", szKey, static_cast<int>(nStatus));
            return;
        }
    }

    char szText[kPathSize];
    CopyText(szText, LoadEntry(ProfileEntry::DriverName).c_str());
    AppendText(szText, " Windows Driver V");
    AppendVersion(szText);
    SetTextValue(hKey.Get(), "DisplayName", szText);

    // The uninstaller inside the product folder; not written when the path cannot be named whole.
    char szFolder[kPathSize];
    char szUninstaller[kPathSize] = "";
    if (ProductFolder(szFolder) && JoinPath(szUninstaller, szFolder, LoadEntry(ProfileEntry::UninstallerExe).c_str())) {
        SetTextValue(hKey.Get(), "UninstallString", szUninstaller);
    }

    if (!m_strInfName.empty()) {
        SetTextValue(hKey.Get(), "InfFile", m_strInfName.c_str());
    }
    SetProgramListValues(hKey.Get(), szUninstaller, m_strDriverDir.c_str());
}

void CInstallEngine::CopyFilesOfUtilities()
{
    TraceStep step("CopyFilesOfUtilities");

    char szFolder[kPathSize];
    if (ProductFolder(szFolder)) {
        CreateDirectoryWithSA(szFolder);
    }

    const std::string strUninstaller = LoadEntry(ProfileEntry::UninstallerExe);
    char szSystem[kPathSize];
    engine_paths::SystemFolder(szSystem);
    char szDest[kPathSize];

    JoinPath(szDest, szFolder, strUninstaller.c_str());
    CopyPackageFile(strUninstaller.c_str(), szDest);
    JoinPath(szDest, szFolder, kSettingsFile);
    CopyPackageFile(kSettingsFile, szDest);
    JoinPath(szDest, szSystem, kSettingsFile);
    CopyPackageFile(kSettingsFile, szDest);
}
