// End-to-end kit: the programs of the package started from a copy of the package folder in the
// test prefix, their windows found by title, their buttons pressed, their trace logs read afterwards.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Testkit.h"

namespace qlx::e2e {

using namespace qlx::testkit;

inline const char kPackage[] = "C:\\qlx-e2e-package";
inline const char kInstallerLog[] = "C:\\Temp\\QLX-480_Installer.txt";
inline const char kUninstallerLog[] = "C:\\Temp\\QLX-480_UnInstaller.txt";

inline HWND WaitWindow(const char* pszTitle, DWORD dwTimeoutMs = 20000)
{
    const ULONGLONG nDeadline = ::GetTickCount64() + dwTimeoutMs;
    for (;;) {
        HWND hWnd = ::FindWindowA(nullptr, pszTitle);
        if (hWnd != nullptr && ::IsWindowVisible(hWnd)) {
            return hWnd;
        }
        if (::GetTickCount64() > nDeadline) {
            return nullptr;
        }
        ::Sleep(50);
    }
}

inline std::string WindowText(HWND hWnd)
{
    char szText[512] = "";
    ::GetWindowTextA(hWnd, szText, sizeof(szText));
    return szText;
}

inline std::string ItemText(HWND hDlg, int nId) { return WindowText(::GetDlgItem(hDlg, nId)); }

// Waits until a control shows the expected text (the dialog refreshes on its own schedule).
inline bool WaitItemText(HWND hDlg, int nId, const std::string& strText, DWORD dwTimeoutMs = 10000)
{
    const ULONGLONG nDeadline = ::GetTickCount64() + dwTimeoutMs;
    while (ItemText(hDlg, nId) != strText) {
        if (::GetTickCount64() > nDeadline) {
            return false;
        }
        ::Sleep(50);
    }
    return true;
}

inline HWND ChildByText(HWND hParent, const std::string& strText)
{
    struct Search {
        std::string strText;
        HWND hFound;
    } search{strText, nullptr};
    ::EnumChildWindows(
        hParent,
        [](HWND hChild, LPARAM lParam) -> BOOL {
            auto* pSearch = reinterpret_cast<Search*>(lParam);
            if (WindowText(hChild) == pSearch->strText) {
                pSearch->hFound = hChild;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

inline void Click(HWND hButton) { ::PostMessageA(hButton, BM_CLICK, 0, 0); }

inline bool Contains(const std::vector<std::string>& texts, const std::string& strText)
{
    for (const std::string& text : texts) {
        if (text.rfind(strText, 0) == 0) {
            return true;
        }
    }
    return false;
}

// The trace lines appear in this order (others may come between).
inline testing::AssertionResult InOrder(const std::vector<std::string>& texts, const std::vector<std::string>& wanted)
{
    size_t nNext = 0;
    for (const std::string& text : texts) {
        if (nNext < wanted.size() && text == wanted[nNext]) {
            ++nNext;
        }
    }
    if (nNext == wanted.size()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "missing in order: " << wanted[nNext];
}

// A started program (with the arguments given, if any): its exit code once it has ended.
class Program {
public:
    // pszExe from pszFolder (the package unless given), started in that folder with pszArgs.
    explicit Program(const char* pszExe, const char* pszArgs = nullptr, const char* pszFolder = kPackage)
    {
        const std::string strPath = std::string(pszFolder) + "\\" + pszExe;
        std::string strCmd = "\"" + strPath + "\"";
        if (pszArgs != nullptr) {
            strCmd = strCmd + " " + pszArgs;
        }
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        m_bStarted = ::CreateProcessA(strPath.c_str(), &strCmd[0], nullptr, nullptr, FALSE, 0, nullptr, pszFolder,
                                      &si, &m_pi) != FALSE;
    }
    ~Program()
    {
        if (m_bStarted) {
            if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(m_pi.hProcess, 99);
                ::WaitForSingleObject(m_pi.hProcess, 5000);
            }
            ::CloseHandle(m_pi.hThread);
            ::CloseHandle(m_pi.hProcess);
        }
    }
    bool Started() const { return m_bStarted; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    // The exit code, or -999 when it is still running after the time-out.
    long Wait(DWORD dwTimeoutMs = 20000)
    {
        if (::WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) != WAIT_OBJECT_0) {
            return -999;
        }
        DWORD dwCode = 0;
        ::GetExitCodeProcess(m_pi.hProcess, &dwCode);
        return static_cast<long>(dwCode);
    }

private:
    bool m_bStarted = false;
    PROCESS_INFORMATION m_pi = {};
};

// Removes what an installation leaves in the prefix, so every test starts from a clean system.
inline void RemoveInstallation()
{
    const std::string strPrint = "SYSTEM\\CurrentControlSet\\Control\\Print";
    HKEY hPrinters = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (strPrint + "\\Printers").c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        &hPrinters) == ERROR_SUCCESS) {
        std::vector<std::string> ours;
        char szName[256];
        for (DWORD i = 0;; ++i) {
            DWORD cchName = sizeof(szName);
            if (::RegEnumKeyExA(hPrinters, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                break;
            }
            if (std::string(szName).rfind("KORVANE QLX-480", 0) == 0) {
                ours.push_back(szName);
            }
        }
        for (const std::string& strName : ours) {
            ::RegDeleteTreeA(hPrinters, strName.c_str());
        }
        ::RegCloseKey(hPrinters);
    }
    for (const std::string& strKey :
         {strPrint + "\\Environments\\Windows x64\\Drivers\\Version-3\\KORVANE QLX-480",
          strPrint + "\\Environments\\Windows x64\\Print Processors\\KVN PRINT PROCESSOR QLX-480",
          strPrint + "\\Monitors\\KVN Language Monitor QLX-480",
          std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480")}) {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, strKey.c_str());
    }
    RemoveTree("C:\\windows\\QLX-480");
    ::DeleteFileA("C:\\windows\\system32\\QLX480_Config.KVN");
    // The INF copy, which Wine names after its source.
    ::DeleteFileA("C:\\windows\\inf\\qlx480.inf");
    ::DeleteFileA("C:\\windows\\inf\\qlx480.pnf");
}

// Answers every message box with the caption until the program ends: pszAnswer ("&No" unless
// given) where the box has it (the restart question), else "OK". The texts of the boxes, in order.
inline std::vector<std::string> AnswerBoxesUntilExit(Program& program, const char* pszCaption, long* pnExitCode,
                                                     const char* pszAnswer = "&No")
{
    std::vector<std::string> texts;
    const ULONGLONG nDeadline = ::GetTickCount64() + 120000;
    *pnExitCode = -999;
    while (::GetTickCount64() < nDeadline) {
        const long nCode = program.Wait(100);
        if (nCode != -999) {
            *pnExitCode = nCode;
            break;
        }
        HWND hBox = ::FindWindowA(nullptr, pszCaption);
        if (hBox == nullptr || !::IsWindowVisible(hBox)) {
            continue;
        }
        const std::string strText = ItemText(hBox, 0xFFFF);
        HWND hButton = ChildByText(hBox, pszAnswer);
        if (hButton == nullptr) {
            hButton = ChildByText(hBox, "OK");
        }
        if (hButton != nullptr) {
            texts.push_back(strText);
            ::SendMessageA(hButton, BM_CLICK, 0, 0);
            // Wait for this box to go before looking for the next.
            for (int i = 0; i < 100 && ::IsWindow(hBox); ++i) {
                ::Sleep(50);
            }
        }
    }
    return texts;
}

inline const char kRestartLog[] = "C:\\qlx-restart-requests.txt";

// Every test starts from a fresh copy of the package and a system without the product. A restart
// request never reaches Wine, which would end every process of the prefix, this test's included,
// and leave restarted services holding the test runner's output: our recorder stands in for the
// prefix's wineboot.exe and only writes the request down.
class Programs : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveInstallation();
        RemoveTree(kPackage);
        const std::string strCopy =
            "cmd /c xcopy /e /i /q /y \"" + HostPath(QLX_PACKAGE_DIR) + "\" \"" + kPackage + "\"";
        ASSERT_EQ(RunProgram(strCopy, 60000), 0) << strCopy;
        ASSERT_TRUE(FileExists(std::string(kPackage) + "\\QLX480_Installer.exe")) << "run scripts/build first";
        ::DeleteFileA(kInstallerLog);
        ::DeleteFileA(kUninstallerLog);
        ASSERT_NO_FATAL_FAILURE(SwapIn("C:\\windows\\system32\\wineboot.exe", "restart_recorder.exe"));
        SetWinebootOverride(true);
        ::DeleteFileA(kRestartLog);
    }
    void TearDown() override
    {
        for (const auto& original : m_originals) {
            EXPECT_TRUE(WriteWholeFile(original.first, original.second)) << original.first;
        }
        SetWinebootOverride(false);
        ::DeleteFileA(kRestartLog);
        RemoveInstallation();
        RemoveTree(kPackage);
        HKEY hKey = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_SET_VALUE, &hKey) == ERROR_SUCCESS) {
            ::RegDeleteValueA(hKey, "Version");
            ::RegCloseKey(hKey);
        }
    }
    static void WriteSettings(const std::string& strContent)
    {
        ASSERT_TRUE(WriteWholeFile(std::string(kPackage) + "\\QLX480_Config.KVN", strContent));
    }
    // Our stand-in printui.dll where Windows keeps the system's, for the package path (Wine's
    // installs nothing).
    void UseStandInPrintUi() { SwapIn("C:\\windows\\system32\\printui.dll", "printui/printui.dll"); }
    // A tool of ours (path below the build's tests/tools) in place of a system file, until TearDown.
    void SwapIn(const std::string& strSystemFile, const std::string& strTool)
    {
        std::string strOriginal;
        ASSERT_TRUE(ReadWholeFile(strSystemFile, strOriginal)) << strSystemFile;
        m_originals.emplace(strSystemFile, strOriginal);
        const std::string strStandIn = HostPath(std::string(QLX_TOOLS_DIR) + "/" + strTool);
        ASSERT_TRUE(::CopyFileA(strStandIn.c_str(), strSystemFile.c_str(), FALSE)) << strStandIn;
    }

private:
    static void SetWinebootOverride(bool bSet)
    {
        HKEY hKey = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &hKey, nullptr) != ERROR_SUCCESS) {
            return;
        }
        if (bSet) {
            ::RegSetValueExA(hKey, "wineboot.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
        } else {
            ::RegDeleteValueA(hKey, "wineboot.exe");
        }
        ::RegCloseKey(hKey);
    }
    std::map<std::string, std::string> m_originals;
};

// Makes Wine report another Windows version to the programs started from now on.
inline void ReportWindowsVersion(const char* pszVersion)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(hKey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(pszVersion),
                     static_cast<DWORD>(std::strlen(pszVersion) + 1));
    ::RegCloseKey(hKey);
}

// Spooler state written straight into the registry, where Wine's spooler keeps it.
class SeededSpooler {
public:
    SeededSpooler() { Clear(); }
    ~SeededSpooler() { Clear(); }
    void AddDriver(const char* pszName)
    {
        HKEY hKey = Create(std::string(kDrivers) + "\\" + pszName);
        SetString(hKey, "Driver", "UNIDRV.DLL");
        SetString(hKey, "Configuration File", "UNIDRVUI.DLL");
        SetString(hKey, "Data File", "QLX480.GPD");
        SetString(hKey, "Datatype", "RAW");
        const DWORD dwVersion = 3;
        ::RegSetValueExA(hKey, "Version", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwVersion), sizeof(dwVersion));
        ::RegCloseKey(hKey);
        m_keys.push_back(std::string(kDrivers) + "\\" + pszName);
    }
    void AddPrinter(const char* pszName, const char* pszDriver)
    {
        HKEY hKey = Create(std::string(kPrinters) + "\\" + pszName);
        SetString(hKey, "Name", pszName);
        SetString(hKey, "Port", "LPT1:");
        SetString(hKey, "Printer Driver", pszDriver);
        SetString(hKey, "Print Processor", "winprint");
        SetString(hKey, "Datatype", "RAW");
        const DWORD dwAttributes = PRINTER_ATTRIBUTE_LOCAL;
        ::RegSetValueExA(hKey, "Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwAttributes),
                         sizeof(dwAttributes));
        ::RegCloseKey(hKey);
        m_keys.push_back(std::string(kPrinters) + "\\" + pszName);
    }

private:
    static constexpr const char* kPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
    static constexpr const char* kDrivers =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3";
    static HKEY Create(const std::string& strKey)
    {
        HKEY hKey = nullptr;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                          &hKey, nullptr);
        return hKey;
    }
    static void SetString(HKEY hKey, const char* pszName, const char* pszValue)
    {
        ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                         static_cast<DWORD>(std::strlen(pszValue) + 1));
    }
    void Clear()
    {
        for (const char* pszName : {"QLX Counter", "QLX Kitchen", "Office Laser"}) {
            ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kPrinters) + "\\" + pszName).c_str());
        }
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kDrivers) + "\\KORVANE QLX-480").c_str());
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kDrivers) + "\\korvane qlx-480 other").c_str());
    }
    std::vector<std::string> m_keys;
};

// Port, driver and print processor of a local printer, as the spooler reports them; bFound false
// when the printer cannot be opened.
struct PrinterFacts {
    bool bFound = false;
    std::string strPort;
    std::string strDriver;
    std::string strProcessor;
};

inline PrinterFacts ReadPrinter(const char* pszName)
{
    PrinterFacts facts;
    HANDLE hPrinter = nullptr;
    std::string strName = pszName;
    if (!::OpenPrinterA(&strName[0], &hPrinter, nullptr)) {
        return facts;
    }
    DWORD cbNeeded = 0;
    ::GetPrinterA(hPrinter, 2, nullptr, 0, &cbNeeded);
    std::vector<BYTE> info(cbNeeded);
    if (cbNeeded != 0 && ::GetPrinterA(hPrinter, 2, info.data(), cbNeeded, &cbNeeded)) {
        const auto* pInfo = reinterpret_cast<const PRINTER_INFO_2A*>(info.data());
        facts.bFound = true;
        facts.strPort = pInfo->pPortName != nullptr ? pInfo->pPortName : "";
        facts.strDriver = pInfo->pDriverName != nullptr ? pInfo->pDriverName : "";
        facts.strProcessor = pInfo->pPrintProcessor != nullptr ? pInfo->pPrintProcessor : "";
    }
    ::ClosePrinter(hPrinter);
    return facts;
}

inline const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480";

inline bool UninstallEntryExists()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(hKey);
    return true;
}

inline bool PrinterKeyExists(const char* pszName)
{
    HKEY hKey = nullptr;
    const std::string strKey = std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + pszName;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(hKey);
    return true;
}

inline bool DriverKeyExists()
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\"
                        "Version-3\\KORVANE QLX-480",
                        0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(hKey);
    return true;
}

// Waits for the uninstaller's list, leaves only the given lines ticked and presses Uninstall.
inline HWND StartRemoval(int nLines, const std::vector<int>& untick)
{
    HWND hDlg = WaitWindow("KORVANE QLX-480 Uninstaller");
    if (hDlg == nullptr) {
        return nullptr;
    }
    HWND hList = ::GetDlgItem(hDlg, 1006);
    const ULONGLONG nDeadline = ::GetTickCount64() + 10000;
    while (::SendMessageA(hList, LB_GETCOUNT, 0, 0) < nLines && ::GetTickCount64() < nDeadline) {
        ::Sleep(50);
    }
    for (int nIndex : untick) {
        RECT rc;
        ::SendMessageA(hList, LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&rc));
        const LPARAM lPoint = MAKELPARAM(8, (rc.top + rc.bottom) / 2);
        ::SendMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
        ::SendMessageA(hList, WM_LBUTTONUP, 0, lPoint);
    }
    Click(::GetDlgItem(hDlg, 1001));
    return hDlg;
}

inline const char kProductFolder[] = "C:\\windows\\QLX-480";

// The uninstaller the installer left in the product folder: its one printer ticked, Uninstall,
// every box answered (the restart question with No). Its exit code, -999 when it did not get
// that far or did not end.
inline long UninstallFromTheProductFolder()
{
    Program uninstaller("QLX480_Uninstaller.exe", nullptr, kProductFolder);
    if (!uninstaller.Started() || StartRemoval(1, {}) == nullptr) {
        return -999;
    }
    long nExitCode = -999;
    AnswerBoxesUntilExit(uninstaller, "QLX480_Uninstaller", &nExitCode);
    return nExitCode;
}

}  // namespace qlx::e2e
