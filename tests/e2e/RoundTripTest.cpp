// Installation and removal for real, end to end: both installation paths followed by the
// uninstaller leave the system as they found it (apart from what is named below), and the
// branches that remove an installed driver on their own. Restart requests are recorded, never
// carried out: Wine would end every process of the prefix, this test's included.
#include <algorithm>
#include <map>
#include <sstream>

#include "E2eKit.h"

using namespace qlx::e2e;
using namespace qlx::testkit;

namespace {

const char kRestartRequest[] = "C:\\windows\\system32\\wineboot.exe --kill\n";
const char kOemInf[] = "C:\\windows\\inf\\oem5.inf";
const char kRestartQuestion[] =
    "Restarting your computer can take effect.\nPlease restart your computer."
    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.";
const char kPackageCommand[] =
    "printui.dll,PrintUIEntry /if /b \"KORVANE QLX-480\" /f .\\qlx480.inf /r \"LPT1:\" /m \"KORVANE QLX-480\"";

// What may differ between the state before the installation and after the removal: changed
// records that contain one of the parts are explained by the reason.
struct Leftover {
    const char* pszReason;
    std::vector<std::string> parts;
};

// Left by design: the uninstaller runs from the product folder and leaves it, and the settings
// copy in the system folder, behind.
const Leftover kLeftByDesign = {"product folder and settings copy, kept by design",
                                {"\\QLX-480\\", "\\system32\\QLX480_Config.KVN"}};
// Wine names the INF copy after its source, not oemN.inf, so the removal does not recognise it.
const Leftover kWineInfCopyName = {"INF copy named after its source by Wine",
                                   {"\\inf\\qlx480.inf", "\\inf\\qlx480.pnf"}};
// The universal driver files and the shared data files of the driver: the spooler deletes those
// it no longer needs when the driver goes with DPD_DELETE_UNUSED_FILES, which Wine refuses (87);
// the removal deletes only the product's own files itself.
const Leftover kWineUnusedDriverFiles = {
    "driver files Wine's spooler does not delete",
    {"\\x64\\3\\UNIDRV.DLL ", "\\x64\\3\\UNIDRVUI.DLL ", "\\x64\\3\\UNIRES.DLL ", "\\x64\\3\\UNIDRV.HLP ",
     "\\x64\\3\\STDNAMES.GPD ", "\\x64\\3\\QLUI480.INI "}};

// Everything the programs touch, one record a line, each with its parents in front: spooler
// printers, drivers, monitors, processors and forms; the product's registry keys in both views;
// the files of the driver, processor, system, Windows, INF and product folders.
std::vector<std::string> SystemState()
{
    std::string strOutput;
    const std::string strCommand =
        "\"" + HostPath(QLX_TOOLS_DIR "/qlxstate.exe") + "\" printers drivers monitors processors forms keys files";
    EXPECT_EQ(RunProgram(strCommand, 60000, &strOutput), 0);
    std::vector<std::string> records;
    std::vector<std::string> parents;
    std::istringstream lines(strOutput);
    for (std::string strLine; std::getline(lines, strLine);) {
        const size_t nIndent = strLine.find_first_not_of(' ');
        if (nIndent == std::string::npos) {
            continue;
        }
        parents.resize(std::min(parents.size(), nIndent / 2));
        std::string strRecord;
        for (const std::string& strParent : parents) {
            strRecord += strParent + " / ";
        }
        records.push_back(strRecord + strLine.substr(nIndent));
        parents.push_back(strLine.substr(nIndent));
    }
    std::sort(records.begin(), records.end());
    return records;
}

// Records added ("+") or gone ("-") that no leftover explains.
std::vector<std::string> UnexplainedChanges(const std::vector<std::string>& before,
                                            const std::vector<std::string>& after,
                                            const std::vector<Leftover>& leftovers)
{
    std::vector<std::string> changes;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                  std::back_inserter(changes));
    std::vector<std::string> unexplained;
    for (const std::string& strChange : changes) {
        bool bExplained = false;
        for (const Leftover& leftover : leftovers) {
            for (const std::string& strPart : leftover.parts) {
                bExplained = bExplained || strChange.find(strPart) != std::string::npos;
            }
        }
        if (!bExplained) {
            const bool bAdded = std::binary_search(after.begin(), after.end(), strChange);
            unexplained.push_back((bAdded ? "+ " : "- ") + strChange);
        }
    }
    return unexplained;
}

// The restart requests recorded so far, once the recorder started by the last one has written.
std::string RestartRequests(DWORD dwTimeoutMs = 10000)
{
    const ULONGLONG nDeadline = ::GetTickCount64() + dwTimeoutMs;
    std::string strRequests;
    while (!ReadWholeFile(kRestartLog, strRequests) && ::GetTickCount64() < nDeadline) {
        ::Sleep(100);
    }
    ::Sleep(200);  // the recorder's process ends
    return ReadWholeFile(kRestartLog);
}

class RoundTrip : public Programs {
protected:
    void TearDown() override
    {
        ::DeleteFileA(kOemInf);
        Programs::TearDown();
    }


    // A first installation on LPT1 without any box but the restart question, answered No.
    static void InstallOnLpt1()
    {
        WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
        Program installer("QLX480_Installer.exe");
        long nExitCode = -1;
        const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
        EXPECT_EQ(nExitCode, 0);
        EXPECT_EQ(boxes, std::vector<std::string>{kRestartQuestion});
        EXPECT_TRUE(PrinterKeyExists("KORVANE QLX-480"));
        EXPECT_TRUE(DriverKeyExists());
        EXPECT_TRUE(UninstallEntryExists());
    }

    // The uninstaller from the product folder removes everything it registered.
    static void UninstallEverything()
    {
        EXPECT_EQ(UninstallFromTheProductFolder(), 0);
        EXPECT_FALSE(PrinterKeyExists("KORVANE QLX-480"));
        EXPECT_FALSE(DriverKeyExists());
        EXPECT_FALSE(UninstallEntryExists());
    }
};

// Windows XP: the installer registers every component itself; the uninstaller removes them.
TEST_F(RoundTrip, ManualPathLeavesOnlyWhatWineKeeps)
{
    ReportWindowsVersion("winxp");
    const std::vector<std::string> before = SystemState();
    ASSERT_NO_FATAL_FAILURE(InstallOnLpt1());
    EXPECT_TRUE(Contains(TraceMessages(kInstallerLog), "AddToWin2K BEGIN"));
    ASSERT_NO_FATAL_FAILURE(UninstallEverything());

    EXPECT_EQ(UnexplainedChanges(before, SystemState(), {kLeftByDesign, kWineInfCopyName, kWineUnusedDriverFiles}),
              std::vector<std::string>{});
    EXPECT_EQ(RestartRequests(0), "");
}

// Windows 10: the package goes to the printer-installation tool (our stand-in printui here).
TEST_F(RoundTrip, PackagePathLeavesOnlyWhatWineKeeps)
{
    ReportWindowsVersion("win10");
    UseStandInPrintUi();
    const std::vector<std::string> before = SystemState();
    ASSERT_NO_FATAL_FAILURE(InstallOnLpt1());
    const std::string strLog = ReadWholeFile(kInstallerLog);
    EXPECT_NE(strLog.find(std::string(kPackageCommand) + "\r\n"), std::string::npos) << strLog;
    EXPECT_TRUE(Contains(TraceMessages(kInstallerLog), "INF FILE NAME : C:\\windows\\inf\\qlx480.inf"));
    ASSERT_NO_FATAL_FAILURE(UninstallEverything());

    EXPECT_EQ(UnexplainedChanges(before, SystemState(), {kLeftByDesign, kWineInfCopyName, kWineUnusedDriverFiles}),
              std::vector<std::string>{});
}

// Another version installed, with printers: removed without a question, a restart requested,
// and nothing installed in its place.
TEST_F(RoundTrip, DifferentVersionIsRemovedAndTheRestartRequested)
{
    SeededSpooler spooler;
    spooler.AddDriver("KORVANE QLX-480");
    spooler.AddPrinter("QLX Kitchen", "KORVANE QLX-480");  // no version values: another version
    spooler.AddPrinter("QLX Counter", "KORVANE QLX-480");
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");

    Program installer("QLX480_Installer.exe");
    long nExitCode = -1;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "There is a different version driver on this system.\r\n\r\nThe installed driver will be "
                         "removed.",
                         "The installer has successfully removed the different version.\nNow it is going to restart "
                         "your computer to take effect.\nAfter restarting, you may reinstall the driver again."}));
    EXPECT_EQ(RestartRequests(), kRestartRequest);

    const std::vector<std::string> texts = TraceMessages(kInstallerLog);
    EXPECT_TRUE(InOrder(texts, {"RemoveDrivers BEGIN", "RemoveFromOS BEGIN", "DeleteForms BEGIN",
                                "DeletePrinterDrv BEGIN", "DeleteLanguageMonitor BEGIN", "DeleteProcessor BEGIN",
                                "DeleteFilesUsed BEGIN", "DeleteUninstallationInfo BEGIN", "RemoveFromOS END",
                                "DeleteVidPid BEGIN", "Delete_LPT_USB_Info BEGIN", "DeletePrnDrvPnPDirectory BEGIN",
                                "RemoveDrivers END"}));
    EXPECT_FALSE(PrinterKeyExists("QLX Kitchen"));
    EXPECT_FALSE(PrinterKeyExists("QLX Counter"));
    EXPECT_FALSE(DriverKeyExists());
    EXPECT_FALSE(Contains(texts, "AddToWin2K"));
    EXPECT_FALSE(PrinterKeyExists("KORVANE QLX-480"));
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_FALSE(DirectoryExists(kProductFolder));
}

// The driver without a printer object: the removal starts by itself; Yes requests the restart.
TEST_F(RoundTrip, UninstallerWithOnlyTheDriverRemovesItByItselfAndRestartsOnYes)
{
    SeededSpooler spooler;
    spooler.AddDriver("KORVANE QLX-480");

    Program uninstaller("QLX480_Uninstaller.exe");
    long nExitCode = -1;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(uninstaller, "QLX480_Uninstaller", &nExitCode, "&Yes");
    EXPECT_EQ(nExitCode, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Restart the computer can take effect.", 0), 0u);
    EXPECT_EQ(RestartRequests(), kRestartRequest);

    const std::vector<std::string> texts = TraceMessages(kUninstallerLog);
    EXPECT_TRUE(InOrder(texts, {"The number of printer-objects : 0", "KORVANE QLX-480 PRINTER-DRIVER EXISTS.",
                                "DeleteForms BEGIN", "DeletePrinterDrv BEGIN", "DeleteUninstallInfoFromReg BEGIN",
                                "DeleteInstalledDirectory END"}));
    EXPECT_FALSE(Contains(texts, "RemovePrinterObjects BEGIN"));
    EXPECT_FALSE(DriverKeyExists());
}

// The driver of this version installed and an OEM copy of the package INF registered: the
// package path adds the printer with the installed driver and copies no INF.
TEST_F(RoundTrip, PackagePathOverARegisteredOemInfCopiesNoInf)
{
    ReportWindowsVersion("win10");
    UseStandInPrintUi();
    SeededSpooler spooler;
    spooler.AddDriver("KORVANE QLX-480");
    spooler.AddPrinter("QLX Counter", "KORVANE QLX-480");
    HANDLE hPrinter = nullptr;
    char szCounter[] = "QLX Counter";
    ASSERT_TRUE(::OpenPrinterA(szCounter, &hPrinter, nullptr));
    const std::pair<const char*, DWORD> versions[] = {
        {"MajorVersion", 2}, {"MinorVersion", 0}, {"BuildVersion", 0}, {"ExtraVersion", 0}};
    for (const auto& version : versions) {
        DWORD dwValue = version.second;
        EXPECT_EQ(::SetPrinterDataA(hPrinter, const_cast<char*>(version.first), REG_DWORD,
                                    reinterpret_cast<BYTE*>(&dwValue), sizeof(dwValue)),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    ::ClosePrinter(hPrinter);
    ASSERT_TRUE(::CopyFileA((std::string(kPackage) + "\\qlx480.inf").c_str(), kOemInf, FALSE));

    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
    Program installer("QLX480_Installer.exe");
    long nExitCode = -1;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    EXPECT_EQ(boxes, std::vector<std::string>{});

    const std::string strLog = ReadWholeFile(kInstallerLog);
    EXPECT_NE(strLog.find(std::string(kPackageCommand) + " /u\r\n"), std::string::npos) << strLog;
    const std::vector<std::string> texts = TraceMessages(kInstallerLog);
    EXPECT_TRUE(InOrder(texts, {"INFFileExist BEGIN", "OEM FILES EXISTING : oem5.inf", "INFFileExist END",
                                "AddToWin2KWithWHQL END"}));
    EXPECT_FALSE(Contains(texts, "CopyINFFile BEGIN"));
    EXPECT_FALSE(FileExists("C:\\windows\\inf\\qlx480.inf"));
    std::string strPrinters;
    RunProgram("\"" + HostPath(QLX_TOOLS_DIR "/qlxstate.exe") + "\" printers drivers", 60000, &strPrinters);
    EXPECT_TRUE(PrinterKeyExists("KORVANE QLX-480")) << strPrinters;  // added with the installed driver
}

}  // namespace
