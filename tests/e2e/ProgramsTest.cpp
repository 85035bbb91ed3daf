// The two programs as an administrator meets them: started from a copy of the package folder,
// their windows found by title, their buttons pressed, their trace logs read afterwards.
#include "E2eKit.h"

using namespace qlx::e2e;
using namespace qlx::testkit;

namespace {

TEST_F(Programs, InstallerOpensItsDialogsAndTakesThePortTheUserPicks)
{
    WriteSettings("[QLX480]\r\nPORTDLG=TRUE\r\nPORT=LPT1\r\n");
    UseStandInPrintUi();
    Program installer("QLX480_Installer.exe");
    ASSERT_TRUE(installer.Started());

    HWND hProgress = WaitWindow("Installation Progress");
    ASSERT_NE(hProgress, nullptr);
    EXPECT_TRUE(WaitItemText(hProgress, 1001, "Driver Version: V2.0.0")) << ItemText(hProgress, 1001);
    EXPECT_NE(ChildByText(hProgress, "KORVANE QLX-480"), nullptr);
    EXPECT_NE(ChildByText(hProgress, "Progress : "), nullptr);

    HWND hPort = WaitWindow("Port Type");
    ASSERT_NE(hPort, nullptr);
    const struct {
        int nId;
        const char* pszText;
        bool bChecked;
    } buttons[] = {{1006, "COM1", false}, {1008, "COM2", false}, {1009, "COM3", false}, {1011, "COM4", false},
                   {1007, "LPT1", true},  {1010, "LPT2", false}, {1001, "USB", false},  {IDOK, "Next", false}};
    for (const auto& button : buttons) {
        EXPECT_EQ(ItemText(hPort, button.nId), button.pszText);
        if (button.nId != IDOK) {
            EXPECT_EQ(::IsDlgButtonChecked(hPort, button.nId) == BST_CHECKED, button.bChecked) << button.pszText;
        }
    }
    for (const char* pszGroup : {"Serial Port", "Parallel Port", "USB Port"}) {
        EXPECT_NE(ChildByText(hPort, pszGroup), nullptr) << pszGroup;
    }

    Click(::GetDlgItem(hPort, 1001));
    Click(::GetDlgItem(hPort, IDOK));
    long nExitCode = 0;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "Please turn-off the printer and then turn-on again.");
    EXPECT_NE(ReadWholeFile(kInstallerLog).find(
                  "COMMAND LINE : \"C:\\windows\\system32\\cmd.exe\" /c C:\\windows\\system32\\RUNDLL32.exe "
                  "printui.dll,PrintUIEntry /ia /m \"KORVANE QLX-480\" /f .\\qlx480.inf"),
              std::string::npos);

    const std::vector<std::string> texts = TraceMessages(kInstallerLog);
    ASSERT_GE(texts.size(), 15u);
    const std::vector<std::string> start(texts.begin(), texts.begin() + 15);
    EXPECT_EQ(start, (std::vector<std::string>{
                         "The process is a 64-bit process.", "CheckOS BEGIN", "osvi.dwPlatformID   : 2",
                         "osvi.dwMajorVersion : 6", "osvi.dwMinorVersion : 1", "osvi.dwBuildNumber  : 7601",
                         "CheckOS END", "SetSystemInfo BEGIN", "ENV : Windows x64, DRV DIR : .\\Driver64\\ ",
                         "SetSystemInfo END", "SetControlPointers BEGIN", "SetControlPointers END",
                         "CheckPackageFiles BEGIN", "CheckPackageFiles END", "AddToWin2KWithWHQL BEGIN"}));
}

TEST_F(Programs, SilentRouteShowsNoPortDialog)
{
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
    UseStandInPrintUi();
    Program installer("QLX480_Installer.exe");
    ASSERT_TRUE(installer.Started());
    long nExitCode = 0;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().rfind("Restarting your computer can take effect.", 0), 0u);
    EXPECT_EQ(::FindWindowA(nullptr, "Port Type"), nullptr);
    EXPECT_NE(ReadWholeFile(kInstallerLog).find("/r \"LPT1:\""), std::string::npos);
    EXPECT_FALSE(Contains(TraceMessages(kInstallerLog), "GetDriverInfoFromFile"));
}

TEST_F(Programs, ClosingThePortDialogCancelsTheInstallation)
{
    ::DeleteFileA((std::string(kPackage) + "\\QLX480_Config.KVN").c_str());
    Program installer("QLX480_Installer.exe");
    HWND hPort = WaitWindow("Port Type");
    ASSERT_NE(hPort, nullptr);
    EXPECT_EQ(::IsDlgButtonChecked(hPort, 1006), BST_CHECKED);  // no settings file: COM1
    Click(::GetDlgItem(hPort, 1008));
    ::PostMessageA(hPort, WM_SYSCOMMAND, SC_CLOSE, 0);

    HWND hBox = WaitWindow("QLX480_Installer");
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(ItemText(hBox, 0xFFFF), "The driver installation canceled.");
    Click(ChildByText(hBox, "OK"));
    EXPECT_EQ(installer.Wait(), 0);

    const std::vector<std::string> texts = TraceMessages(kInstallerLog);
    EXPECT_TRUE(Contains(texts, "The driver installation canceled."));
    EXPECT_FALSE(Contains(texts, "AddToWin2K"));
    int nFailureBlocks = 0;
    for (const std::string& text : texts) {
        nFailureBlocks += text == "GetDriverInfoFromFile BEGIN";
    }
    EXPECT_EQ(nFailureBlocks, 2);  // "PORTDLG" from the worker, "PORT" from the port dialog
}

TEST_F(Programs, SecondInstallerBringsTheFirstToTheFrontAndEnds)
{
    WriteSettings("[QLX480]\r\nPORTDLG=TRUE\r\n");
    Program first("QLX480_Installer.exe");
    HWND hPort = WaitWindow("Port Type");
    ASSERT_NE(hPort, nullptr);

    Program second("QLX480_Installer.exe");
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.Wait(10000), 0);
    EXPECT_EQ(first.Wait(0), -999);  // the first one runs on
    EXPECT_EQ(::FindWindowA(nullptr, "QLX480_Installer"), nullptr);

    Click(::GetDlgItem(hPort, IDOK));
    long nExitCode = 0;
    AnswerBoxesUntilExit(first, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
}

TEST_F(Programs, InstallerTakesThePathOfTheReportedWindows)
{
    const struct {
        const char* pszVersion;
        const char* pszMajor;
        const char* pszPath;
    } systems[] = {
        {"win2k", "osvi.dwMajorVersion : 5", "AddToWin2K BEGIN"},
        {"vista", "osvi.dwMajorVersion : 6", "AddToWin2KWithWHQL BEGIN"},
        {"win8", "osvi.dwMajorVersion : 6", "AddToWin2KWithWHQL BEGIN"},
    };
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT2\r\n");
    for (const auto& system : systems) {
        ReportWindowsVersion(system.pszVersion);
        Program installer("QLX480_Installer.exe");
        long nExitCode = 0;
        AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
        EXPECT_EQ(nExitCode, 0);
        const std::vector<std::string> texts = TraceMessages(kInstallerLog);
        EXPECT_TRUE(Contains(texts, system.pszMajor)) << system.pszVersion;
        EXPECT_TRUE(Contains(texts, system.pszPath)) << system.pszVersion;
        RemoveInstallation();
    }
}

TEST_F(Programs, InstallerRefusesWindowsBefore2000)
{
    ReportWindowsVersion("nt40");

    Program installer("QLX480_Installer.exe");
    HWND hBox = WaitWindow("QLX480_Installer");
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(ItemText(hBox, 0xFFFF), "THE DRIVER CAN NOT BE INSTALLED ON THIS OS.");
    Click(ChildByText(hBox, "OK"));
    EXPECT_EQ(installer.Wait(), 0);

    const std::vector<std::string> texts = TraceMessages(kInstallerLog);
    EXPECT_TRUE(Contains(texts, "osvi.dwMajorVersion : 4"));
    EXPECT_FALSE(Contains(texts, "GetDriverInfoFromFile"));
    EXPECT_FALSE(Contains(texts, "AddToWin2K"));
}

TEST_F(Programs, UninstallerWithNothingInstalledSaysSoAndDropsItsEntry)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(hKey);
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=COM2\r\n");
    Program installer("QLX480_Installer.exe");
    long nExitCode = 0;
    AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    ASSERT_EQ(nExitCode, 0);

    Program uninstaller("QLX480_Uninstaller.exe");
    HWND hBox = WaitWindow("QLX480_Uninstaller");
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(ItemText(hBox, 0xFFFF), "The QLX-480 driver does not exist on this system.");
    Click(ChildByText(hBox, "OK"));
    EXPECT_EQ(uninstaller.Wait(), 0);
    EXPECT_FALSE(UninstallEntryExists());

    const std::vector<std::string> texts = TraceMessages(kUninstallerLog);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "The process is a 64-bit process.");
    EXPECT_TRUE(Contains(texts, "The number of printer-objects : 0"));
    EXPECT_TRUE(Contains(texts, "KORVANE QLX-480 PRINTER DRIVER DOES NOT EXIST."));
    EXPECT_TRUE(Contains(texts, "REGKEY : SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480"));
    EXPECT_TRUE(Contains(texts, "DeleteUninstallInfoFromReg END"));
    // Each program keeps its own log: the installer's run before is still there.
    EXPECT_NE(ReadWholeFile(kInstallerLog).find("/r \"COM2:\""), std::string::npos);
}

TEST_F(Programs, UninstallerListsThePrintersOfTheDriverAllTicked)
{
    SeededSpooler spooler;
    spooler.AddDriver("KORVANE QLX-480");
    spooler.AddDriver("korvane qlx-480 other");
    spooler.AddPrinter("QLX Kitchen", "KORVANE QLX-480");
    spooler.AddPrinter("QLX Counter", "KORVANE QLX-480");
    spooler.AddPrinter("Office Laser", "korvane qlx-480 other");  // differs only in case: not ours

    Program uninstaller("QLX480_Uninstaller.exe");
    HWND hDlg = WaitWindow("KORVANE QLX-480 Uninstaller");
    ASSERT_NE(hDlg, nullptr);
    HWND hList = ::GetDlgItem(hDlg, 1006);
    HWND hUninstall = ::GetDlgItem(hDlg, 1001);
    const ULONGLONG nDeadline = ::GetTickCount64() + 10000;
    while (::SendMessageA(hList, LB_GETCOUNT, 0, 0) < 2 && ::GetTickCount64() < nDeadline) {
        ::Sleep(50);
    }
    ASSERT_EQ(::SendMessageA(hList, LB_GETCOUNT, 0, 0), 2);
    // Lines in the list box's sorted order, each ticked (the tick is the line's item data).
    const auto lineText = [&](int nIndex) {
        wchar_t szText[64] = L"";
        ::SendMessageW(hList, LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(szText));
        return std::wstring(szText);
    };
    EXPECT_EQ(lineText(0), L"QLX Counter");
    EXPECT_EQ(lineText(1), L"QLX Kitchen");
    EXPECT_EQ(::SendMessageA(hList, LB_GETITEMDATA, 0, 0), 1);
    EXPECT_EQ(::SendMessageA(hList, LB_GETITEMDATA, 1, 0), 1);
    EXPECT_TRUE(::IsWindowEnabled(hUninstall));

    // Unticking every line disables Uninstall; ticking one enables it again.
    const auto clickBox = [&](int nIndex) {
        RECT rc;
        ::SendMessageA(hList, LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&rc));
        const LPARAM lPoint = MAKELPARAM(8, (rc.top + rc.bottom) / 2);
        ::SendMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, lPoint);
        ::SendMessageA(hList, WM_LBUTTONUP, 0, lPoint);
    };
    clickBox(0);
    clickBox(1);
    EXPECT_EQ(::SendMessageA(hList, LB_GETITEMDATA, 0, 0), 0);
    EXPECT_FALSE(::IsWindowEnabled(hUninstall));
    clickBox(1);
    EXPECT_TRUE(::IsWindowEnabled(hUninstall));

    Click(::GetDlgItem(hDlg, IDCANCEL));
    EXPECT_EQ(uninstaller.Wait(), 0);
    EXPECT_TRUE(Contains(TraceMessages(kUninstallerLog), "The number of printer-objects : 2"));
}

TEST_F(Programs, UninstallerRemovesTheTickedPrintersAndKeepsTheDriverForTheOthers)
{
    SeededSpooler spooler;
    spooler.AddDriver("KORVANE QLX-480");
    spooler.AddPrinter("QLX Kitchen", "KORVANE QLX-480");
    spooler.AddPrinter("QLX Counter", "KORVANE QLX-480");

    Program uninstaller("QLX480_Uninstaller.exe");
    ASSERT_NE(StartRemoval(2, {0}), nullptr);  // "QLX Counter" (line 0) stays
    EXPECT_EQ(uninstaller.Wait(60000), 0);
    EXPECT_TRUE(PrinterKeyExists("QLX Counter"));
    EXPECT_FALSE(PrinterKeyExists("QLX Kitchen"));
    EXPECT_TRUE(DriverKeyExists());
    const std::vector<std::string> texts = TraceMessages(kUninstallerLog);
    EXPECT_TRUE(Contains(texts, "OBJECT NAME : QLX Kitchen"));
    EXPECT_FALSE(Contains(texts, "OBJECT NAME : QLX Counter"));
    EXPECT_FALSE(Contains(texts, "DeleteForms BEGIN"));
}

TEST_F(Programs, UninstallerRemovesEverythingWhenAllAreTickedAndOffersTheRestart)
{
    SeededSpooler spooler;
    spooler.AddDriver("KORVANE QLX-480");
    spooler.AddPrinter("QLX Kitchen", "KORVANE QLX-480");
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(hKey);
    ::CreateDirectoryA("C:\\KORVANE Printer Driver", nullptr);
    ::CreateDirectoryA("C:\\KORVANE Printer Driver\\QLX-480", nullptr);

    Program uninstaller("QLX480_Uninstaller.exe");
    ASSERT_NE(StartRemoval(1, {}), nullptr);
    HWND hBox = WaitWindow("QLX480_Uninstaller", 90000);
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(ItemText(hBox, 0xFFFF),
              "Restart the computer can take effect.\nPlease restart the computer.\n\n[Yes] I want to restart my "
              "computer now.\n[No] I will restart my computer later.");
    Click(ChildByText(hBox, "&No"));
    EXPECT_EQ(uninstaller.Wait(20000), 0);

    EXPECT_FALSE(PrinterKeyExists("QLX Kitchen"));
    EXPECT_FALSE(DriverKeyExists());
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_FALSE(DirectoryExists("C:\\KORVANE Printer Driver"));
    // The removal's steps in their order.
    const std::vector<std::string> texts = TraceMessages(kUninstallerLog);
    EXPECT_TRUE(InOrder(texts, {"RemovePrinterObjects BEGIN", "DeleteForms BEGIN", "DeletePrinterDrv BEGIN",
                                "DeleteLanguageMonitor BEGIN", "DeleteProcessor BEGIN", "DeleteDriverComponent BEGIN",
                                "DeleteINFFile BEGIN", "DeleteUninstallationInfo BEGIN", "DeleteVidPid BEGIN",
                                "Delete_LPT_USB_Info BEGIN", "DeletePrnDrvPnPDirectory BEGIN",
                                "DeleteUninstallInfoFromReg BEGIN", "DeleteInstalledDirectory BEGIN"}));
    EXPECT_FALSE(Contains(texts, "RemoveFromOS BEGIN"));
}

// The whole life of the driver on a system where the installer registers every component itself:
// installed on LPT1, listed and removed again by the uninstaller it left in the product folder.
// Copies of a program or library of ours under the names an elevated program might look for
// beside itself; each leaves a marker in C:\qlx-planted if it ever runs.
const char kPlantedMarkers[] = "C:\\qlx-planted";
const char* const kPlantedLibraries[] = {"WINSPOOL.DRV", "SETUPAPI.dll", "SHLWAPI.dll"};

void Plant(const std::string& strFolder, const char* pszName, bool bLibrary)
{
    const std::string strSource = HostPath(bLibrary ? QLX_PLANTED_DLL : QLX_PLANTED_EXE);
    ASSERT_TRUE(::CopyFileA(strSource.c_str(), (strFolder + "\\" + pszName).c_str(), FALSE)) << pszName;
}

std::vector<std::string> PlantedThatRan()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE hFind = ::FindFirstFileA((std::string(kPlantedMarkers) + "\\*.ran").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(data.cFileName);
        } while (::FindNextFileA(hFind, &data));
        ::FindClose(hFind);
    }
    return names;
}

// Makes Wine look for these libraries beside the program first, as Windows does for every library
// that is not one of its known DLLs (Wine prefers its own copies otherwise).
class WindowsDllSearch {
public:
    WindowsDllSearch() { ::SetEnvironmentVariableA("WINEDLLOVERRIDES", "winspool.drv,setupapi.dll,shlwapi.dll=n,b"); }
    ~WindowsDllSearch() { ::SetEnvironmentVariableA("WINEDLLOVERRIDES", nullptr); }
};

// The package path with a cmd.exe, a RUNDLL32.exe and the late-bound system libraries planted in the
// package folder, beside the elevated installer: none of them ever runs, and the printer
// installation command still starts, from the system directory.
TEST_F(Programs, PlantedProgramsAndLibrariesInThePackageNeverRun)
{
    RemoveTree(kPlantedMarkers);
    Plant(kPackage, "cmd.exe", false);
    Plant(kPackage, "RUNDLL32.exe", false);
    for (const char* pszName : kPlantedLibraries) {
        Plant(kPackage, pszName, true);
    }
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
    UseStandInPrintUi();
    long nExitCode = 0;
    {
        WindowsDllSearch search;
        Program installer("QLX480_Installer.exe");
        ASSERT_TRUE(installer.Started());
        AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    }
    EXPECT_EQ(nExitCode, 0);
    EXPECT_EQ(PlantedThatRan(), std::vector<std::string>{});
    EXPECT_NE(ReadWholeFile(kInstallerLog)
                  .find("COMMAND LINE : \"C:\\windows\\system32\\cmd.exe\" /c C:\\windows\\system32\\RUNDLL32.exe "
                        "printui.dll,PrintUIEntry /if /b \"KORVANE QLX-480\" /f .\\qlx480.inf /r \"LPT1:\""),
              std::string::npos);
    EXPECT_FALSE(Contains(TraceMessages(kInstallerLog), "CreateProcess failed."));
    EXPECT_TRUE(UninstallEntryExists());
    RemoveTree(kPlantedMarkers);
}

TEST_F(Programs, InstallOnLpt1ThenUninstallEverything)
{
    ReportWindowsVersion("winxp");
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
    Program installer("QLX480_Installer.exe");
    long nExitCode = 0;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().rfind("Restarting your computer can take effect.", 0), 0u);

    // What the spooler and the registry hold now.
    const PrinterFacts printer = ReadPrinter("KORVANE QLX-480");
    ASSERT_TRUE(printer.bFound);
    EXPECT_EQ(printer.strPort, "LPT1:");
    EXPECT_EQ(printer.strDriver, "KORVANE QLX-480");
    EXPECT_EQ(printer.strProcessor, "KVN PRINT PROCESSOR QLX-480");
    EXPECT_TRUE(DriverKeyExists());
    EXPECT_TRUE(UninstallEntryExists());
    EXPECT_TRUE(FileExists("C:\\windows\\QLX-480\\QLX480_Uninstaller.exe"));
    EXPECT_TRUE(FileExists("C:\\windows\\QLX-480\\QLX480_Config.KVN"));
    const std::vector<std::string> installed = TraceMessages(kInstallerLog);
    EXPECT_TRUE(InOrder(installed, {"AddToWin2K BEGIN", "PrinterDrvExist BEGIN", "DeleteVidPid BEGIN",
                                    "DeletePrnDrvPnPDirectory BEGIN", "Delete_LPT_USB_Info BEGIN",
                                    "CopyFilesNeededToAddPrnDrv BEGIN", "AddLanguageMonitor BEGIN",
                                    "AddPrinterProcessor BEGIN", "AddPrinterDriverToSystem BEGIN",
                                    "AddPrinterToSystem BEGIN", "CopyINFFile BEGIN", "DeleteFilesUsed BEGIN",
                                    "RegisterUninstallInfo BEGIN", "CopyFilesOfUtilities BEGIN", "AddToWin2K END"}));

    // The uninstaller from the product folder lists the printer, ticked, and removes it all. The
    // late-bound system libraries planted beside it, where Windows starts it elevated, never load.
    RemoveTree(kPlantedMarkers);
    for (const char* pszName : kPlantedLibraries) {
        Plant(kProductFolder, pszName, true);
    }
    {
        WindowsDllSearch search;
        EXPECT_EQ(UninstallFromTheProductFolder(), 0);
    }

    EXPECT_FALSE(ReadPrinter("KORVANE QLX-480").bFound);
    EXPECT_FALSE(DriverKeyExists());
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_TRUE(Contains(TraceMessages(kUninstallerLog), "OBJECT NAME : KORVANE QLX-480"));
    EXPECT_EQ(PlantedThatRan(), std::vector<std::string>{});
    RemoveTree(kPlantedMarkers);
}

}  // namespace
