// Unattended runs as a deployment tool starts them: switches on the command line, no window at
// any time, the outcome in the exit code and the boxes' texts in the trace log.
#include "E2eKit.h"

using namespace qlx::e2e;
using namespace qlx::testkit;

namespace {

// Waits for the program's end; *pbShown tells whether any window of it was visible meanwhile.
long WaitWatchingWindows(Program& program, bool* pbShown, DWORD dwTimeoutMs = 120000)
{
    struct Watch {
        DWORD dwProcessId;
        bool bShown;
    } watch{program.ProcessId(), false};
    const ULONGLONG nDeadline = ::GetTickCount64() + dwTimeoutMs;
    long nCode = -999;
    while (nCode == -999 && ::GetTickCount64() < nDeadline) {
        ::EnumWindows(
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                auto* pWatch = reinterpret_cast<Watch*>(lParam);
                DWORD dwProcessId = 0;
                ::GetWindowThreadProcessId(hWnd, &dwProcessId);
                if (dwProcessId == pWatch->dwProcessId && ::IsWindowVisible(hWnd)) {
                    pWatch->bShown = true;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&watch));
        nCode = program.Wait(20);
    }
    *pbShown = watch.bShown;
    return nCode;
}

std::string UninstallText(const char* pszName)
{
    char szValue[512] = "";
    DWORD cbValue = sizeof(szValue) - 1;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) == ERROR_SUCCESS) {
        ::RegQueryValueExA(hKey, pszName, nullptr, nullptr, reinterpret_cast<BYTE*>(szValue), &cbValue);
        ::RegCloseKey(hKey);
    }
    return szValue;
}

DWORD UninstallNumber(const char* pszName)
{
    DWORD dwValue = 0xFFFFFFFF;
    DWORD cbValue = sizeof(dwValue);
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) == ERROR_SUCCESS) {
        ::RegQueryValueExA(hKey, pszName, nullptr, nullptr, reinterpret_cast<BYTE*>(&dwValue), &cbValue);
        ::RegCloseKey(hKey);
    }
    return dwValue;
}

// Starts the uninstaller by the entry's quiet command line, from the product folder.
long RunQuietUninstallString(bool* pbShown)
{
    std::string strCommand = UninstallText("QuietUninstallString");
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (strCommand.empty() || !::CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                "C:\\windows\\QLX-480", &si, &pi)) {
        return -998;
    }
    ::CloseHandle(pi.hThread);
    bool bShown = false;
    const ULONGLONG nDeadline = ::GetTickCount64() + 120000;
    while (::WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT && ::GetTickCount64() < nDeadline) {
        for (const char* pszTitle : {"KORVANE QLX-480 Uninstaller", "QLX480_Uninstaller"}) {
            HWND hWnd = ::FindWindowA(nullptr, pszTitle);
            bShown = bShown || (hWnd != nullptr && ::IsWindowVisible(hWnd));
        }
    }
    DWORD dwCode = 0;
    ::GetExitCodeProcess(pi.hProcess, &dwCode);
    ::CloseHandle(pi.hProcess);
    *pbShown = bShown;
    return static_cast<long>(dwCode);
}

// The life of the driver on XP as a deployment tool runs it: a quiet install on LPT1 with the log
// where the command line says, the uninstall entry's values, then the entry's quiet command line.
TEST_F(Programs, QuietInstallOnXpThenQuietUninstall)
{
    ReportWindowsVersion("winxp");
    WriteSettings("[QLX480]\r\nPORTDLG=TRUE\r\nPORT=COM2\r\n");  // the command line wins over both
    ASSERT_TRUE(RemoveTree("C:\\qlx-e2e-logs"));  // the log's folders are made
    const char kLog[] = "C:\\qlx-e2e-logs\\new folder\\install log.txt";

    Program installer("QLX480_Installer.exe", "-QUIET /Port=lpt1 \"/log=C:\\qlx-e2e-logs\\new folder\\install log.txt\"");
    ASSERT_TRUE(installer.Started());
    bool bShown = true;
    EXPECT_EQ(WaitWatchingWindows(installer, &bShown), 3010);
    EXPECT_FALSE(bShown);
    EXPECT_FALSE(FileExists(kInstallerLog));
    const std::vector<std::string> texts = TraceMessages(kLog);
    EXPECT_TRUE(Contains(texts, "AddToWin2K END"));
    EXPECT_TRUE(Contains(texts, "MESSAGE : Restarting your computer can take effect."));
    EXPECT_TRUE(Contains(texts, "ANSWER : No"));
    EXPECT_FALSE(Contains(texts, "GetDriverInfoFromFile"));
    EXPECT_EQ(ReadPrinter("KORVANE QLX-480").strPort, "LPT1:");

    const std::string strUninstaller = "C:\\windows\\QLX-480\\QLX480_Uninstaller.exe";
    EXPECT_EQ(UninstallText("DisplayVersion"), "2.0.0");
    EXPECT_EQ(UninstallText("Publisher"), "KORVANE");
    EXPECT_EQ(UninstallText("DisplayIcon"), strUninstaller);
    EXPECT_EQ(UninstallText("QuietUninstallString"), "\"" + strUninstaller + "\" /quiet");
    EXPECT_EQ(UninstallNumber("NoModify"), 1u);
    EXPECT_EQ(UninstallNumber("NoRepair"), 1u);
    EXPECT_GT(UninstallNumber("EstimatedSize"), 0u);
    EXPECT_LT(UninstallNumber("EstimatedSize"), 100000u);
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    char szToday[16];
    std::snprintf(szToday, sizeof(szToday), "%04u%02u%02u", st.wYear, st.wMonth, st.wDay);
    EXPECT_EQ(UninstallText("InstallDate"), szToday);

    // Every printer object of the driver goes, then the driver; a second run finds nothing.
    SeededSpooler spooler;
    spooler.AddPrinter("QLX Kitchen", "KORVANE QLX-480");
    EXPECT_EQ(RunQuietUninstallString(&bShown), 3010);
    EXPECT_FALSE(bShown);
    EXPECT_FALSE(ReadPrinter("KORVANE QLX-480").bFound);
    EXPECT_FALSE(PrinterKeyExists("QLX Kitchen"));
    EXPECT_FALSE(DriverKeyExists());
    EXPECT_FALSE(UninstallEntryExists());
    const std::vector<std::string> removed = TraceMessages(kUninstallerLog);
    EXPECT_TRUE(Contains(removed, "OBJECT NAME : QLX Kitchen"));
    EXPECT_TRUE(Contains(removed, "MESSAGE : Restart the computer can take effect."));

    Program again("QLX480_Uninstaller.exe", "/quiet");
    EXPECT_EQ(WaitWatchingWindows(again, &bShown), 1605);
    EXPECT_FALSE(bShown);
    EXPECT_TRUE(Contains(TraceMessages(kUninstallerLog), "MESSAGE : The QLX-480 driver does not exist on this system."));
    RemoveTree("C:\\qlx-e2e-logs");
}

// Windows 7 with its own printer-installation tool, which here installs nothing: no success is
// reported for it, quiet or not. The port comes from the settings file, PORTDLG notwithstanding.
TEST_F(Programs, PackagePathWhoseToolInstallsNothingFails)
{
    ReportWindowsVersion("win7");
    WriteSettings("[QLX480]\r\nPORTDLG=TRUE\r\nPORT=LPT2\r\n");
    Program installer("QLX480_Installer.exe", "/quiet");
    bool bShown = true;
    EXPECT_EQ(WaitWatchingWindows(installer, &bShown), 1603);
    EXPECT_FALSE(bShown);
    const std::vector<std::string> texts = TraceMessages(kInstallerLog);
    EXPECT_TRUE(InOrder(texts, {"PACKAGE INSTALLATION FAILED : the printer driver KORVANE QLX-480 is not installed",
                                "AddToWin2KWithWHQL END"}));
    EXPECT_NE(ReadWholeFile(kInstallerLog).find("/r \"LPT2:\""), std::string::npos);
    EXPECT_FALSE(Contains(texts, "MESSAGE : Restarting"));
    EXPECT_FALSE(UninstallEntryExists() || FileExists(kRestartLog) || FileExists(kProductFolder));

    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
    Program interactive("QLX480_Installer.exe");
    long nExitCode = -999;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(interactive, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    EXPECT_EQ(boxes, (std::vector<std::string>{"The system's printer-installation tool did not install the driver.\n\n"
                                               "The trace log C:\\Temp\\QLX-480_Installer.txt says what is missing."}));
    EXPECT_FALSE(UninstallEntryExists());
}

TEST_F(Programs, QuietRunsThatEndBeforeInstallingSayWhy)
{
    const struct {
        const char* pszName;
        const char* pszExe;
        const char* pszArgs;
        const char* pszSettings;
        const char* pszVersion;
        long nExitCode;
        const char* pszLogLine;
    } runs[] = {
        {"unknown switch", "QLX480_Installer.exe", "/quiet /silent", "[QLX480]\r\nPORT=LPT1\r\n", nullptr, 1639,
         "Unknown command-line switch or value : /silent"},
        {"bad port", "QLX480_Installer.exe", "/quiet /port=COM9", "[QLX480]\r\nPORT=LPT1\r\n", nullptr, 1639,
         "Unknown command-line switch or value : /port=COM9"},
        {"port at the uninstaller", "QLX480_Uninstaller.exe", "-quiet -port=LPT1", "", nullptr, 1639,
         "Unknown command-line switch or value : -port=LPT1"},
        {"no port anywhere", "QLX480_Installer.exe", "/quiet", "[QLX480]\r\nPORTDLG=FALSE\r\n", nullptr, 1639,
         "No port for a quiet installation: neither /port= nor PORT in the settings file."},
        {"NT 4.0", "QLX480_Installer.exe", "/quiet /port=USB", "", "nt40", 1633,
         "MESSAGE : THE DRIVER CAN NOT BE INSTALLED ON THIS OS."},
        {"log under a file", "QLX480_Installer.exe", "/quiet /port=LPT1 /log=C:\\qlx-e2e-package\\qlx480.inf\\a.txt",
         "", nullptr, 1622, nullptr},
        // Last: the package stays without its driver module.
        {"incomplete package", "QLX480_Installer.exe", "/quiet /port=LPT1", "", "winxp", 1620,
         "MESSAGE : The driver package is incomplete. These files are missing from the package folder:\n\n"
         "Driver64\\QLX480.dll\n\nCopy the complete driver package and run the installer again."},
    };
    for (const auto& run : runs) {
        ::DeleteFileA(kInstallerLog);
        ::DeleteFileA(kUninstallerLog);
        if (run.nExitCode == 1620) {
            ASSERT_TRUE(::DeleteFileA((std::string(kPackage) + "\\Driver64\\QLX480.dll").c_str()));
        }
        WriteSettings(run.pszSettings);
        if (run.pszVersion != nullptr) {
            ReportWindowsVersion(run.pszVersion);
        }
        Program program(run.pszExe, run.pszArgs);
        bool bShown = true;
        EXPECT_EQ(WaitWatchingWindows(program, &bShown), run.nExitCode) << run.pszName;
        EXPECT_FALSE(bShown) << run.pszName;
        const char* pszLog = std::strstr(run.pszExe, "Uninstaller") != nullptr ? kUninstallerLog : kInstallerLog;
        if (run.pszLogLine != nullptr) {
            EXPECT_TRUE(Contains(TraceMessages(pszLog), run.pszLogLine)) << run.pszName;
        } else {
            EXPECT_FALSE(FileExists(pszLog)) << run.pszName;
        }
        EXPECT_FALSE(DriverKeyExists()) << run.pszName;
        EXPECT_FALSE(UninstallEntryExists()) << run.pszName;
        EXPECT_FALSE(ReadPrinter("KORVANE QLX-480").bFound) << run.pszName;
    }
}

// Any user may make C:\\Temp a link before an administrator runs the programs: they then never
// write or empty the files there, and log to the Windows directory's own Temp folder.
TEST_F(Programs, TraceLogsNeverGoThroughALinkedTempFolder)
{
    ReportWindowsVersion("winxp");
    const std::string strVictim = "C:\\qlx-e2e-victim";
    RemoveTree(strVictim);
    ASSERT_TRUE(::CreateDirectoryA(strVictim.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(strVictim + "\\QLX-480_Installer.txt", "installer's\r\n"));
    ASSERT_TRUE(WriteWholeFile(strVictim + "\\QLX-480_UnInstaller.txt", "uninstaller's\r\n"));
    ASSERT_TRUE(RemoveTree("C:\\Temp"));
    struct TempLink {
        ~TempLink()
        {
            RemoveDirectoryLink("C:\\Temp");
            ::CreateDirectoryA("C:\\Temp", nullptr);
        }
    } restore;
    ASSERT_TRUE(MakeDirectoryLink("C:\\Temp", strVictim));

    Program installer("QLX480_Installer.exe", "/quiet /port=LPT1 /norestart");
    EXPECT_EQ(installer.Wait(120000), 3010);
    Program uninstaller("QLX480_Uninstaller.exe", "/quiet /norestart", kProductFolder);
    EXPECT_EQ(uninstaller.Wait(120000), 3010);
    EXPECT_FALSE(DriverKeyExists());

    EXPECT_EQ(ReadWholeFile(strVictim + "\\QLX-480_Installer.txt"), "installer's\r\n");
    EXPECT_EQ(ReadWholeFile(strVictim + "\\QLX-480_UnInstaller.txt"), "uninstaller's\r\n");
    for (const char* pszName : {"QLX-480_Installer.txt", "QLX-480_UnInstaller.txt"}) {
        const std::vector<std::string> texts = TraceMessages(std::string("C:\\windows\\Temp\\") + pszName);
        ASSERT_FALSE(texts.empty()) << pszName;
        EXPECT_EQ(texts[0], std::string("TRACE LOG NOT USED : C:\\\\Temp\\") + pszName + " (C:\\\\Temp is a link)");
    }
    RemoveTree(strVictim);
}

TEST_F(Programs, SecondQuietInstallerWhileOneRunsEndsAtOnce)
{
    ReportWindowsVersion("winxp");  // the manual path: Wine's own printui installs nothing
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=USB\r\n");
    Program first("QLX480_Installer.exe", "/quiet");
    ::Sleep(500);
    ASSERT_EQ(first.Wait(0), -999);
    Program second("QLX480_Installer.exe", "/quiet");
    bool bShown = true;
    EXPECT_EQ(WaitWatchingWindows(second, &bShown, 10000), 1618);
    EXPECT_FALSE(bShown);
    // USB: the replug note instead of the restart question, so no restart is needed.
    EXPECT_EQ(WaitWatchingWindows(first, &bShown), 0);
    EXPECT_FALSE(bShown);
}

}  // namespace
