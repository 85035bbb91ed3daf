// Installing again in a system the uninstaller has cleaned: the installer finds nothing of an
// earlier copy and installs as the first time.
#include "E2eKit.h"

using namespace qlx::e2e;
using namespace qlx::testkit;

namespace {


// The installer from the package folder, every box answered; the texts of its boxes.
std::vector<std::string> Install()
{
    Program installer("QLX480_Installer.exe");
    long nExitCode = -1;
    const std::vector<std::string> boxes = AnswerBoxesUntilExit(installer, "QLX480_Installer", &nExitCode);
    EXPECT_EQ(nExitCode, 0);
    return boxes;
}

bool ProcessorListed()
{
    DWORD cbNeeded = 0;
    DWORD nCount = 0;
    ::EnumPrintProcessorsA(nullptr, nullptr, 1, nullptr, 0, &cbNeeded, &nCount);
    std::vector<BYTE> buffer(cbNeeded + 1);
    if (!::EnumPrintProcessorsA(nullptr, nullptr, 1, buffer.data(), cbNeeded, &cbNeeded, &nCount)) {
        return false;
    }
    const auto* pProcessors = reinterpret_cast<const PRINTPROCESSOR_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < nCount; ++i) {
        if (std::string(pProcessors[i].pName) == "KVN PRINT PROCESSOR QLX-480") {
            return true;
        }
    }
    return false;
}

TEST_F(Programs, InstallingAgainAfterTheUninstallerIsAFirstInstallation)
{
    ReportWindowsVersion("winxp");
    WriteSettings("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=LPT1\r\n");
    ASSERT_FALSE(Install().empty());
    ASSERT_TRUE(ProcessorListed());

    EXPECT_EQ(UninstallFromTheProductFolder(), 0);
    // Anything of the product still registered sends the installer into its removal and restart.
    ASSERT_FALSE(ProcessorListed());
    ASSERT_FALSE(DriverKeyExists());
    EXPECT_FALSE(UninstallEntryExists());

    // The uninstaller keeps the folder it runs from; without it the second copy is seen.
    ASSERT_TRUE(RemoveTree(kProductFolder));
    ::DeleteFileA(kInstallerLog);
    const std::vector<std::string> boxes = Install();
    ASSERT_FALSE(boxes.empty());
    for (const std::string& strBox : boxes) {
        EXPECT_EQ(strBox.find("There is a different version driver"), std::string::npos) << strBox;
    }
    EXPECT_EQ(boxes.back().rfind("Restarting your computer can take effect.", 0), 0u);
    EXPECT_TRUE(UninstallEntryExists());
    EXPECT_TRUE(FileExists(std::string(kProductFolder) + "\\QLX480_Uninstaller.exe"));
    EXPECT_TRUE(ProcessorListed());
    EXPECT_TRUE(Contains(TraceMessages(kInstallerLog), "AddToWin2K END"));
}

}  // namespace
