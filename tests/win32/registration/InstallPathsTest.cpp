// The two installation paths, run against Wine's spooler, registry and file system with the
// stand-in package as the current folder. Wine's printer-installation tool installs nothing, so the
// package path's child is recorded (and run for real: it ends at once); its start failure and
// time-out are injected.
#include "InstallFixture.h"

using namespace install_fixture;

namespace {

// ---------------------------------------------------------------------------------------------
// Manual path

TEST_F(InstallPaths, ManualFirstInstallationOnLpt1RegistersEverythingAndAsksToRestart)
{
    m_boxes.QueueAnswer(IDNO);
    m_engine.AddToWin2K(1004);

    EXPECT_TRUE(HasLinesInOrder({
        "AddToWin2K BEGIN",
        "PrinterDrvExist BEGIN",
        "KORVANE QLX-480 PRINTER DRIVER DOES NOT EXIST.",
        "PrinterDrvExist END",
        "PRINTER-DRIVER NAME TO ADD : KORVANE QLX-480 ",
        "DeleteVidPid BEGIN",
        "DeleteVidPid END",
        "DeletePrnDrvPnPDirectory BEGIN",
        "DeletePrnDrvPnPDirectory END",
        "Delete_LPT_USB_Info BEGIN",
        "Delete_LPT_USB_Info END",
        "CopyFilesNeededToAddPrnDrv BEGIN",
        "FILE SRC : .\\Driver64\\UNIDRV.DLL",
        "FILE SRC : .\\Driver64\\STDNAMES.GPD",
        "CopyFilesNeededToAddPrnDrv END",
        "AddLanguageMonitor BEGIN",
        "AddLanguageMonitor END",
        "AddPrinterProcessor BEGIN",
        "AddPrinterProcessor END",
        "AddPrinterDriverToSystem BEGIN",
        "AddPrinterDriverToSystem END",
        "AddPrinterToSystem BEGIN",
        "AddPrinterToSystem END",
        "CopyINFFile BEGIN",
        "Inf File Name : " + m_scratch / "qlx480.inf",
        "Inf File Name : " + m_scratch / "qlx480.inf",
        "INF FILE NAME : " + InfDir() + "\\qlx480.inf",
        "CopyINFFile END",
        "DeleteFilesUsed BEGIN",
        "DeleteFilesUsed END",
        "RegisterUninstallInfo BEGIN",
        "REGKEY : " + std::string(kUninstallKey),
        "RegisterUninstallInfo END",
        "CopyFilesOfUtilities BEGIN",
        "CreateDirectoryWithSA BEGIN",
        "CreateDirectoryWithSA END",
        "FILE SRC : QLX480_Uninstaller.exe",
        "FILE SRC : QLX480_Config.KVN",
        "FILE SRC : QLX480_Config.KVN",
        "CopyFilesOfUtilities END",
        "AddToWin2K END",
    }));
    EXPECT_EQ(CountLines("AddToWin2K END"), 1u);
    EXPECT_EQ(TraceLines().back(), "AddToWin2K END");

    EXPECT_EQ(PortOf(kDriverName), "LPT1:");
    EXPECT_TRUE(DriverRegistered());

    // The uninstall entry, in the 64-bit view, values without their terminating zero.
    ExpectTextValue("DisplayName", kDisplayName);
    ExpectTextValue("UninstallString", ProductDir() + "\\QLX480_Uninstaller.exe");
    ExpectTextValue("InfFile", InfDir() + "\\qlx480.inf");
    EXPECT_EQ(EntryShape(), std::make_pair(11, 0));

    EXPECT_EQ(ReadWholeFile(ProductDir() + "\\QLX480_Uninstaller.exe"), "stand-in uninstaller");
    EXPECT_EQ(ReadWholeFile(ProductDir() + "\\QLX480_Config.KVN"), ReadWholeFile(m_scratch / "QLX480_Config.KVN"));
    EXPECT_EQ(ReadWholeFile(SystemDir() + "\\QLX480_Config.KVN"), ReadWholeFile(m_scratch / "QLX480_Config.KVN"));
    EXPECT_TRUE(FileExists(InfDir() + "\\qlx480.inf"));

    // The staging copies are gone; the spooler keeps its own; under WOW64 none in the Windows folder.
    for (const char* pszFile : kDriverFiles) {
        EXPECT_FALSE(FileExists(DriverDir() + "\\" + pszFile)) << pszFile;
    }
    for (const char* pszFile : kOwnFiles) {
        EXPECT_FALSE(FileExists(WindowsDir() + "\\" + pszFile)) << pszFile;
    }

    ASSERT_EQ(m_infSources.size(), 1u);
    EXPECT_EQ(m_infSources[0].strSource, m_scratch / "qlx480.inf");
    EXPECT_EQ(m_infSources[0].dwMediaType, static_cast<DWORD>(SPOST_PATH));
    EXPECT_EQ(m_infSources[0].dwStyle, static_cast<DWORD>(SP_COPY_NOOVERWRITE));

    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, kRestartQuestion);
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(m_reboots.empty());

    EXPECT_EQ(m_notes, (std::vector<std::string>{
                           "Checking existing drivers...\r\n",
                           "Preparing for installation...\r\n",
                           "Copying files...\r\n",
                           "Installing L/M...\r\n",
                           "Installing printer processor...\r\n",
                           "Installing printer driver...\r\n",
                           "Adding printer...\r\n",
                           "Please wait for adding printer.\r\nIt takes a couple of minutes.",
                           "Deleting files used to install...\r\n",
                       }));
    EXPECT_EQ(m_positions, (std::vector<WPARAM>{100, 100}));
    EXPECT_EQ(m_status.Get(), "Completed.");
    EXPECT_EQ(m_sleeps.Pauses(), (std::vector<DWORD>{500, 500, 500, 500, 500, 500, 500, 500, 1500}));
}

TEST_F(InstallPaths, ManualRestartAnsweredYesRequestsTheRebootAndEndsTheStepTwice)
{
    m_boxes.QueueAnswer(IDYES);
    m_engine.AddToWin2K(1000);

    EXPECT_EQ(PortOf(kDriverName), "COM1:");
    EXPECT_EQ(m_reboots, (std::vector<UINT>{EWX_REBOOT | EWX_FORCE}));
    EXPECT_EQ(CountLines("AddToWin2K END"), 2u);
    EXPECT_TRUE(HasLinesInOrder({"CopyFilesOfUtilities END", "AddToWin2K END", "AddToWin2K END"}));
    EXPECT_EQ(TraceLines().back(), "AddToWin2K END");
    EXPECT_EQ(m_status.Get(), "Completed.");
    EXPECT_EQ(m_sleeps.Pauses().back(), 1500u);
}

TEST_F(InstallPaths, ManualWithTheDriverPresentAddsOnePrinterUnderTheFirstFreeName)
{
    InstallDriverBefore();
    const struct {
        int nPortCode;
        const char* pszName;
        const char* pszPort;
    } cases[] = {
        {1004, "KORVANE QLX-480", "LPT1:"},
        {1005, "KORVANE QLX-480(#1)", "LPT2:"},
        {1001, "KORVANE QLX-480(#2)", "COM2:"},
    };
    for (const auto& c : cases) {
        ClearRecords();
        m_engine.AddToWin2K(c.nPortCode);
        EXPECT_EQ(PortOf(c.pszName), c.pszPort) << c.pszName;
        EXPECT_TRUE(HasLinesInOrder({
            "KORVANE QLX-480 PRINTER DRIVER EXISTS.",
            std::string("PRINTER-DRIVER NAME TO ADD : ") + c.pszName + " ",
            "AddPrinterToSystem BEGIN",
            "AddPrinterToSystem END",
            "AddToWin2K END",
        })) << c.pszName;
        for (const std::string& strLine : TraceLines()) {
            EXPECT_EQ(strLine.find("CopyFilesNeededToAddPrnDrv"), std::string::npos) << strLine;
            EXPECT_EQ(strLine.find("CopyINFFile"), std::string::npos) << strLine;
            EXPECT_EQ(strLine.find("RegisterUninstallInfo"), std::string::npos) << strLine;
        }
        EXPECT_EQ(m_boxes.Count(), 0u) << c.pszName;
        EXPECT_EQ(m_positions, (std::vector<WPARAM>{100})) << c.pszName;
        EXPECT_EQ(m_status.Get(), "Completed.");
    }
    EXPECT_EQ(EntryShape(), std::make_pair(-1, -1));
    EXPECT_FALSE(DirectoryExists(ProductDir()));

    // With the printers gone but the driver there, the plain name is free again.
    for (const char* pszName : kPrinterNames) {
        DeletePrinterNamed(pszName);
    }
    ClearRecords();
    m_engine.AddToWin2K(1002);
    EXPECT_EQ(PortOf(kDriverName), "COM3:");
    EXPECT_TRUE(HasLinesInOrder({"PRINTER-DRIVER NAME TO ADD : KORVANE QLX-480 "}));
    EXPECT_TRUE(m_reboots.empty());
}

TEST_F(InstallPaths, ManualUsbFirstInstallationRegistersTheDriverWithoutPrinterAndAsksToReplug)
{
    m_engine.AddToWin2K(1006);

    EXPECT_TRUE(DriverRegistered());
    EXPECT_EQ(EnumPrinters().nCount, 0u);
    EXPECT_TRUE(HasLinesInOrder({"AddPrinterDriverToSystem END", "AddPrinterToSystem BEGIN", "AddPrinterToSystem END",
                                 "CopyINFFile BEGIN", "RegisterUninstallInfo BEGIN", "CopyFilesOfUtilities END",
                                 "AddToWin2K END"}));
    ExpectTextValue("DisplayName", kDisplayName);
    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, kReplugMessage);
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(m_reboots.empty());
    for (const std::string& strNote : m_notes) {
        EXPECT_EQ(strNote.find("Adding printer"), std::string::npos);
    }
}

TEST_F(InstallPaths, ManualUsbWithTheDriverPresentInstallsNothing)
{
    InstallDriverBefore();
    ClearRecords();
    m_engine.AddToWin2K(1006);

    EXPECT_EQ(EnumPrinters().nCount, 0u);
    EXPECT_TRUE(HasLinesInOrder({"AddToWin2K BEGIN", "PrinterDrvExist BEGIN", "KORVANE QLX-480 PRINTER DRIVER EXISTS.",
                                 "PrinterDrvExist END", "PRINTER-DRIVER NAME TO ADD : KORVANE QLX-480 ",
                                 "AddPrinterToSystem BEGIN", "AddPrinterToSystem END", "AddToWin2K END"}));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(EntryShape(), std::make_pair(-1, -1));
    EXPECT_EQ(m_notes, (std::vector<std::string>{"Checking existing drivers...\r\n", "Preparing for installation...\r\n"}));
    EXPECT_EQ(m_status.Get(), "Completed.");
    EXPECT_EQ(m_sleeps.Pauses(), (std::vector<DWORD>{500, 500, 1500}));
}

// ---------------------------------------------------------------------------------------------
// Package path

TEST_F(InstallPaths, PackageCommandLinesForEveryPortWithAndWithoutTheInstalledDriver)
{
    const char* const kPorts[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2"};
    for (int bExisted = 0; bExisted <= 1; ++bExisted) {
        if (bExisted) {
            InstallDriverBefore();
        }
        for (int nPortCode = 1000; nPortCode <= 1006; ++nPortCode) {
            if (!bExisted) {
                RemoveSpoolerState();
            }
            ClearRecords();
            SetUpEngine(1, 2010);
            m_engine.m_strInfName = "qlx480.inf";
            m_boxes.QueueAnswer(IDNO);
            m_engine.AddToWin2KWithWHQL(nPortCode);

            const bool bUsb = nPortCode == 1006;
            std::string strExpected =
                std::string("\"C:\\windows\\system32\\cmd.exe\" /c C:\\windows\\system32\\RUNDLL32.exe ") +
                (bUsb ? std::string("printui.dll,PrintUIEntry /ia /m \"KORVANE QLX-480\" /f .\\qlx480.inf")
                      : std::string("printui.dll,PrintUIEntry /if /b \"KORVANE QLX-480\" /f .\\qlx480.inf /r \"") +
                            kPorts[nPortCode - 1000] + ":\" /m \"KORVANE QLX-480\"");
            if (bExisted) {
                strExpected += " /u";
            }
            const std::string strCase = std::to_string(nPortCode) + (bExisted ? " installed" : " first");

            if (bUsb && bExisted) {
                EXPECT_TRUE(m_children.empty()) << strCase;
                EXPECT_FALSE(LogHasLineStarting("COMMAND LINE")) << strCase;
            } else {
                ASSERT_EQ(m_children.size(), 1u) << strCase;
                const ChildStart& child = m_children[0];
                EXPECT_EQ(child.strCommandLine, strExpected) << strCase;
                // Both programs by their paths in the system directory, never searched for.
                EXPECT_EQ(child.strApplication, "C:\\windows\\system32\\cmd.exe");
                EXPECT_TRUE(child.bNoSecurity);
                EXPECT_FALSE(child.bInherit);
                EXPECT_EQ(child.dwCreationFlags, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
                EXPECT_TRUE(child.bOwnEnvironmentAndFolder);
                EXPECT_EQ(child.startup.cb, sizeof(STARTUPINFOA));
                EXPECT_EQ(child.startup.dwFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK));
                EXPECT_EQ(child.startup.wShowWindow, SW_HIDE);
                EXPECT_EQ(child.startup.lpDesktop, nullptr);
                EXPECT_EQ(child.startup.lpTitle, nullptr);
                EXPECT_EQ(child.startup.hStdOutput, nullptr);
                EXPECT_TRUE(HasLinesInOrder({"COMMAND LINE : " + strExpected, "INFFileExist BEGIN",
                                             "INFFileExist END", "CopyINFFile BEGIN"}))
                    << strCase;
            }

            const auto boxes = m_boxes.Boxes();
            if (bExisted) {
                EXPECT_EQ(boxes.size(), 0u) << strCase;
                EXPECT_EQ(EntryShape(), std::make_pair(-1, -1)) << strCase;
                EXPECT_EQ(m_positions, (std::vector<WPARAM>{100})) << strCase;
            } else {
                ASSERT_EQ(boxes.size(), 1u) << strCase;
                EXPECT_EQ(boxes[0].strText, bUsb ? kReplugMessage : kRestartQuestion) << strCase;
                EXPECT_EQ(boxes[0].uType, static_cast<UINT>(bUsb ? MB_ICONINFORMATION : MB_YESNO | MB_ICONQUESTION));
                EXPECT_EQ(EntryShape(), std::make_pair(11, 0)) << strCase;
                ExpectTextValue("InfFile", InfDir() + "\\qlx480.inf");
                EXPECT_EQ(m_positions, (std::vector<WPARAM>{100, 100})) << strCase;
                ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
                DeleteIfThere(InfDir() + "\\qlx480.inf");
            }
            EXPECT_TRUE(m_reboots.empty());
            EXPECT_EQ(m_status.Get(), "Completed.");
            EXPECT_EQ(TraceLines().back(), "AddToWin2KWithWHQL END") << strCase;
            const std::vector<DWORD> pauses = m_sleeps.Pauses();
            ASSERT_FALSE(pauses.empty());
            EXPECT_EQ(pauses.back(), 1500u) << strCase;
            for (DWORD dwPause : pauses) {
                EXPECT_TRUE(dwPause == 500 || dwPause == 1500) << strCase << ": " << dwPause;
            }
        }
    }
}

TEST_F(InstallPaths, PackageFirstInstallationNotesAndRestartAnsweredYes)
{
    SetUpEngine(1, 2007);
    m_boxes.QueueAnswer(IDYES);
    m_engine.AddToWin2KWithWHQL(1004);

    EXPECT_EQ(m_reboots, (std::vector<UINT>{EWX_REBOOT | EWX_FORCE}));
    EXPECT_EQ(m_notes, (std::vector<std::string>{
                           "Checking existing drivers...\r\n",
                           "Preparing for installation...\r\n",
                           "Installing printer...\r\n",
                           "Creates a new process \r\n",
                           "The new process is running...\r\n",
                           "Waiting until the process has finished processing ...\r\n",
                       }));
    EXPECT_EQ(m_sleeps.Pauses(), (std::vector<DWORD>{500, 500, 500, 500, 500, 1500}));
    EXPECT_TRUE(HasLinesInOrder({"AddToWin2KWithWHQL BEGIN", "PrinterDrvExist END", "DeleteVidPid BEGIN",
                                 "DeletePrnDrvPnPDirectory BEGIN", "Delete_LPT_USB_Info BEGIN",
                                 "INFFileExist END", "CopyINFFile END", "RegisterUninstallInfo END",
                                 "CopyFilesOfUtilities END", "AddToWin2KWithWHQL END"}));
    EXPECT_EQ(CountLines("AddToWin2KWithWHQL END"), 1u);
    EXPECT_TRUE(FileExists(ProductDir() + "\\QLX480_Uninstaller.exe"));
}

TEST_F(InstallPaths, PackageSkipsTheInfCopyWhenAnOemCopyIsRegistered)
{
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem91.inf", kInfWithModel64));
    SetUpEngine(1, 2010);
    m_engine.AddToWin2KWithWHQL(1006);

    EXPECT_TRUE(m_infSources.empty());
    EXPECT_TRUE(HasLinesInOrder({"OEM FILES EXISTING : oem91.inf", "INFFileExist END", "RegisterUninstallInfo BEGIN"}));
    // The INF name is the package's own then.
    ExpectTextValue("InfFile", "qlx480.inf");
}

TEST_F(InstallPaths, PackageChildThatCannotStartIsReportedAndNothingIsRegistered)
{
    m_dwFailChildWith = ERROR_FILE_NOT_FOUND;
    SetUpEngine(1, 2010);
    m_engine.AddToWin2KWithWHQL(1002);

    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "CreateProcess failed.");
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(HasLinesInOrder({"CreateProcess failed. (2)", "AddToWin2KWithWHQL END"}));
    EXPECT_FALSE(LogHasLineStarting("INFFileExist"));
    EXPECT_FALSE(LogHasLineStarting("RegisterUninstallInfo"));
    EXPECT_EQ(EntryShape(), std::make_pair(-1, -1));
    EXPECT_EQ(m_status.Get(), "Completed.");
    EXPECT_EQ(m_sleeps.Pauses().back(), 1500u);
}

TEST_F(InstallPaths, PackageChildPastTheTimeLimitEndsTheInstallerWithMinusOne)
{
    std::vector<DWORD> waits;
    auto wait = Replace<decltype(&WaitForSingleObject)>("kernel32.dll", "WaitForSingleObject",
        [&waits](auto original, HANDLE h, DWORD dwMs) -> DWORD {
            if (dwMs != 120000) {
                return original(h, dwMs);
            }
            waits.push_back(dwMs);
            return WAIT_TIMEOUT;
        });
    SetUpEngine(1, 2010);
    const ExitResult result = RunExpectingExit([this] { m_engine.AddToWin2KWithWHQL(1004); }, 30000);

    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(waits, (std::vector<DWORD>{120000}));
    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "The process could not finish the installation.");
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(TraceLines().back(), "WAIT_TIMEOUT");
    EXPECT_EQ(EntryShape(), std::make_pair(-1, -1));
    EXPECT_NE(m_status.Get(), "Completed.");
}

}  // namespace
