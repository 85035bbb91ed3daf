// Fixture of the installation-path and post-install tests: a package folder as the current folder,
// a clean system before and after, and the calls Wine cannot make injected or recorded.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <shlwapi.h>
#include <winspool.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "InstallEngine.h"
#include "Spooler.h"
#include "SpoolerStage.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"


namespace install_fixture {

using namespace qlx::testkit;
using namespace spooler_stage;
using qlxtest::HasLinesInOrder;
using qlxtest::JoinLines;
using qlxtest::TraceLines;

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480";
const char kDisplayName[] = "KORVANE QLX-480 Windows Driver V2.0.0";
const char kRestartQuestion[] =
    "Restarting your computer can take effect.\nPlease restart your computer."
    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.";
const char kReplugMessage[] = "Please turn-off the printer and then turn-on again.";

const char* const kOwnFiles[] = {"QLX480.dll", "QLUI480.dll", "QLUNI480.dll", "QLUI480.INI", "QLX480.GPD"};
const char* const kTestInfs[] = {"oem91.inf", "oem92.inf", "OEM93.inf", "oem94.inf", "qlx480.inf", "qlx480.pnf"};

inline const HWND kProgressBar = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7A12));

inline std::string ProductDir() { return WindowsDir() + "\\QLX-480"; }
inline std::string InfDir() { return WindowsDir() + "\\inf"; }

// Everything an installation may have left in the spooler, the registry and the file system.
inline void RemoveInstalledState()
{
    RemoveSpoolerState();
    for (const char* pszFile : kOwnFiles) {
        DeleteIfThere(WindowsDir() + "\\" + pszFile);
    }
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    RemoveTree(ProductDir());
    DeleteIfThere(SystemDir() + "\\QLX480_Config.KVN");
    for (const char* pszInf : kTestInfs) {
        DeleteIfThere(InfDir() + "\\" + pszInf);
    }
}

inline std::string PortOf(const char* pszPrinter)
{
    const SpoolerEnum printers = EnumPrinters();
    const PRINTER_INFO_2A* pPrinter = FindPrinter(printers, pszPrinter);
    return pPrinter == nullptr ? "(none)" : (pPrinter->pPortName != nullptr ? pPrinter->pPortName : "(null)");
}

// One value of the uninstall entry as stored in the 64-bit view.
struct StoredValue {
    bool bFound = false;
    DWORD dwType = 0;
    DWORD cbData = 0;
    std::string strData;  // the stored bytes, as they are
};

inline StoredValue ReadEntryValue(const char* pszName)
{
    StoredValue value;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return value;
    }
    BYTE data[1024] = {};
    DWORD cb = sizeof(data);
    if (::RegQueryValueExA(hKey, pszName, nullptr, &value.dwType, data, &cb) == ERROR_SUCCESS) {
        value.bFound = true;
        value.cbData = cb;
        value.strData.assign(reinterpret_cast<const char*>(data), cb);
    }
    ::RegCloseKey(hKey);
    return value;
}

// Values and subkeys of the uninstall entry; -1, -1 when it is missing.
inline std::pair<int, int> EntryShape()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return {-1, -1};
    }
    DWORD nSubKeys = 0;
    DWORD nValues = 0;
    ::RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(hKey);
    return {static_cast<int>(nValues), static_cast<int>(nSubKeys)};
}

// Byte counts handed to RegSetValueExA, by value name (the last call for each).
inline std::map<std::string, DWORD> g_passedCounts;

// The stored text; the system adds the terminating zero itself when the byte after the counted
// text is one, so the count the step passed is checked at the call.
inline void ExpectTextValue(const char* pszName, const std::string& strText)
{
    const StoredValue value = ReadEntryValue(pszName);
    ASSERT_TRUE(value.bFound) << pszName;
    EXPECT_EQ(value.dwType, static_cast<DWORD>(REG_SZ)) << pszName;
    EXPECT_EQ(value.strData, strText + std::string(1, '\0')) << pszName;
    const auto passed = g_passedCounts.find(pszName);
    ASSERT_NE(passed, g_passedCounts.end()) << pszName;
    EXPECT_EQ(passed->second, strText.size()) << pszName << ": passed without its terminating zero";
}

inline size_t CountLines(const std::string& strLine)
{
    size_t n = 0;
    for (const std::string& strText : TraceLines()) {
        n += strText == strLine ? 1 : 0;
    }
    return n;
}

inline bool LogHasLineStarting(const std::string& strStart)
{
    for (const std::string& strText : TraceLines()) {
        if (strText.rfind(strStart, 0) == 0) {
            return true;
        }
    }
    return false;
}

// The start of the printer-installation child as the engine asked for it.
struct ChildStart {
    std::string strApplication;
    std::string strCommandLine;
    bool bNoSecurity = false;
    BOOL bInherit = TRUE;
    DWORD dwCreationFlags = 0;
    bool bOwnEnvironmentAndFolder = false;
    STARTUPINFOA startup = {};
};

// A package folder as the current folder: ".\Driver64\" with the stand-in modules, the INF, the
// settings file and a stand-in uninstaller; a clean system before and after; an engine as on a
// 64-bit Windows with the given OS code; every pause, box, reboot and INF call recorded.
class InstallPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szDir[MAX_PATH] = "";
        ::GetCurrentDirectoryA(sizeof(szDir), szDir);
        m_strOldDir = szDir;

        const std::string strDriverSource = HostPath(QLX_SAMPLE_DRIVER_DIR);
        const std::string strPackage = strDriverSource.substr(0, strDriverSource.find_last_of('\\'));
        const std::string strDriver64 = m_scratch / "Driver64";
        ASSERT_TRUE(::CreateDirectoryA(strDriver64.c_str(), nullptr));
        WIN32_FIND_DATAA data;
        HANDLE hFind = ::FindFirstFileA((strDriverSource + "\\*").c_str(), &data);
        ASSERT_NE(hFind, INVALID_HANDLE_VALUE) << strDriverSource;
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                ASSERT_TRUE(::CopyFileA((strDriverSource + "\\" + data.cFileName).c_str(),
                                        (strDriver64 + "\\" + data.cFileName).c_str(), FALSE));
            }
        } while (::FindNextFileA(hFind, &data));
        ::FindClose(hFind);
        ASSERT_TRUE(::CopyFileA((strPackage + "\\qlx480.inf").c_str(), (m_scratch / "qlx480.inf").c_str(), FALSE));
        ASSERT_TRUE(
            ::CopyFileA((strPackage + "\\QLX480_Config.KVN").c_str(), (m_scratch / "QLX480_Config.KVN").c_str(), FALSE));
        ASSERT_TRUE(WriteWholeFile(m_scratch / "QLX480_Uninstaller.exe", "stand-in uninstaller"));
        ASSERT_TRUE(::SetCurrentDirectoryA(m_scratch.Path().c_str()));

        RemoveInstalledState();
        g_passedCounts.clear();
        SetUpEngine(1, 2005);
        StartTraceLog();
    }

    void TearDown() override
    {
        ::SetCurrentDirectoryA(m_strOldDir.c_str());
        RemoveInstalledState();
    }

    void SetUpEngine(int bWow64, int nOSCode)
    {
        m_engine.SetSystemInfo(bWow64, nOSCode);
        m_engine.SetControlPointers(&m_status, &m_progress);
        m_progress.m_hWnd = kProgressBar;
    }

    // Registers monitor, processor and driver the way the manual path does, as an earlier
    // installation would have left them.
    void InstallDriverBefore()
    {
        CInstallEngine engine;
        engine.SetSystemInfo(1, 2005);
        engine.CopyFilesNeededToAddPrnDrv();
        ASSERT_TRUE(engine.AddLanguageMonitor());
        ASSERT_TRUE(engine.AddPrinterProcessor());
        ASSERT_TRUE(engine.AddPrinterDriverToSystem());
        ASSERT_TRUE(DriverRegistered());
        StartTraceLog();
        m_sleeps.Clear();
        m_notes.clear();
    }

    void ClearRecords()
    {
        StartTraceLog();
        m_sleeps.Clear();
        m_boxes.Clear();
        m_notes.clear();
        m_positions.clear();
        m_children.clear();
        m_infSources.clear();
    }

    ScratchDir m_scratch;
    std::string m_strOldDir;
    fw::SharedText m_status;
    fw::Control m_progress;
    CInstallEngine m_engine;
    std::vector<std::string> m_notes;  // the status text at each bar step
    std::vector<WPARAM> m_positions;   // bar positions set
    Hook<decltype(&SendMessageA)> m_bar = Replace<decltype(&SendMessageA)>("user32.dll", "SendMessageA",
        [this](auto original, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (hWnd != kProgressBar) {
                return original(hWnd, nMsg, wParam, lParam);
            }
            if (nMsg == PBM_STEPIT) {
                m_notes.push_back(m_status.Get());
            } else if (nMsg == PBM_SETPOS) {
                m_positions.push_back(wParam);
            }
            return 0;
        });
    SleepRecorder m_sleeps;
    MessageBoxRecorder m_boxes;
    Hook<decltype(&RegSetValueExA)> m_values = Replace<decltype(&RegSetValueExA)>("advapi32.dll", "RegSetValueExA",
        [](auto original, HKEY hKey, LPCSTR pszName, DWORD dwReserved, DWORD dwType, const BYTE* pData, DWORD cbData) {
            g_passedCounts[pszName != nullptr ? pszName : ""] = cbData;
            return original(hKey, pszName, dwReserved, dwType, pData, cbData);
        });

    // A reboot is never requested for real: Wine would end every process of the prefix.
    std::vector<UINT> m_reboots;
    Hook<decltype(&ExitWindowsEx)> m_reboot = Replace<decltype(&ExitWindowsEx)>("user32.dll", "ExitWindowsEx",
        [this](auto, UINT uFlags, DWORD) -> BOOL {
            m_reboots.push_back(uFlags);
            return TRUE;
        });

    // The INF copy: recorded; m_dwFailInfCopyWith fails it with that error.
    struct InfCopy {
        std::string strSource;
        DWORD dwMediaType;
        DWORD dwStyle;
    };
    std::vector<InfCopy> m_infSources;
    DWORD m_dwFailInfCopyWith = 0;
    Hook<decltype(&SetupCopyOEMInfA)> m_infCopy = Replace<decltype(&SetupCopyOEMInfA)>("setupapi.dll",
        "SetupCopyOEMInfA",
        [this](auto original, PCSTR pszSource, PCSTR pszLocation, DWORD dwMediaType, DWORD dwStyle, PSTR pszDest,
               DWORD cbDest, PDWORD pcbRequired, PSTR* ppszComponent) -> BOOL {
            m_infSources.push_back({pszSource != nullptr ? pszSource : "(null)", dwMediaType, dwStyle});
            if (m_dwFailInfCopyWith != 0) {
                ::SetLastError(m_dwFailInfCopyWith);
                return FALSE;
            }
            return original(pszSource, pszLocation, dwMediaType, dwStyle, pszDest, cbDest, pcbRequired,
                            ppszComponent);
        });

    // What a working printer-installation tool leaves behind: the driver, and for /if a printer
    // named after it on the command's port. Wine's own tool installs nothing.
    static void ActAsTheTool(const std::string& strCommand)
    {
        MakeKey(kDriverKey64);
        const size_t nPort = strCommand.find("/r \"");
        if (nPort == std::string::npos) {
            return;
        }
        const std::string strPort = strCommand.substr(nPort + 4, strCommand.find('"', nPort + 4) - nPort - 4);
        HKEY hKey = nullptr;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverPrinterKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                          nullptr, &hKey, nullptr);
        for (const auto& value : {std::make_pair("Name", std::string(kDriverName)), std::make_pair("Port", strPort),
                                  std::make_pair("Printer Driver", std::string(kDriverName))}) {
            ::RegSetValueExA(hKey, value.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.second.c_str()),
                             static_cast<DWORD>(value.second.size() + 1));
        }
        ::RegCloseKey(hKey);
    }

    // The printer-installation child: recorded, started for real and followed by what a working
    // tool installs; the spooler service command passes through untouched.
    std::vector<ChildStart> m_children;
    DWORD m_dwFailChildWith = 0;
    Hook<decltype(&CreateProcessA)> m_process = Replace<decltype(&CreateProcessA)>("kernel32.dll", "CreateProcessA",
        [this](auto original, LPCSTR pszApp, LPSTR pszCmd, LPSECURITY_ATTRIBUTES pProcessSa,
               LPSECURITY_ATTRIBUTES pThreadSa, BOOL bInherit, DWORD dwFlags, LPVOID pEnv, LPCSTR pszDir,
               LPSTARTUPINFOA pStartup, LPPROCESS_INFORMATION pInfo) -> BOOL {
            if (pszCmd != nullptr && std::strstr(pszCmd, "PrintUIEntry") != nullptr) {
                ChildStart child;
                child.strApplication = pszApp != nullptr ? pszApp : "";
                child.strCommandLine = pszCmd;
                child.bNoSecurity = pProcessSa == nullptr && pThreadSa == nullptr;
                child.bInherit = bInherit;
                child.dwCreationFlags = dwFlags;
                child.bOwnEnvironmentAndFolder = pEnv == nullptr && pszDir == nullptr;
                if (pStartup != nullptr) {
                    child.startup = *pStartup;
                }
                m_children.push_back(child);
                if (m_dwFailChildWith != 0) {
                    ::SetLastError(m_dwFailChildWith);
                    return FALSE;
                }
                ActAsTheTool(pszCmd);
            }
            return original(pszApp, pszCmd, pProcessSa, pThreadSa, bInherit, dwFlags, pEnv, pszDir, pStartup, pInfo);
        });
};

// INF files with the model line in the 64-bit section, in the plain section, and without it.
const char kInfWithModel64[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[KORVANE.NTamd64]\r\n\"KORVANE QLX-480\" = X\r\n";
const char kInfWithModel32[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[KORVANE]\r\n\"KORVANE QLX-480\" = X\r\n";
const char kInfOther[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[OTHER.NTamd64]\r\n\"OTHER 1\" = X\r\n";

}  // namespace install_fixture
