// The uninstaller's listing of printer objects, its driver check, and its two clean-up steps.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "KVNPOS_UninstallerDlg.h"
#include "SystemErrorText.h"
#include "Testkit.h"
#include "TraceLog.h"

extern const char g_szTraceLogName[] = "\\QLX-480_UninstallerTest.txt";

using namespace qlx::testkit;

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480";

std::vector<std::string> LogTexts() { return TraceMessages(TraceLogPath()); }

// Never starts net.exe: records the command lines.
Hook<decltype(&CreateProcessA)> RecordProcesses(std::vector<std::string>* pLines)
{
    return Replace<decltype(&CreateProcessA)>(
        "kernel32.dll", "CreateProcessA",
        [=](LPCSTR, LPSTR pszCmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
            LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
            pLines->push_back(pszCmd);
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        });
}

class UninstallerSteps : public ::testing::Test {
protected:
    void SetUp() override { StartTraceLog(); }
    CKVNPOS_UninstallerDlg m_dlg;
    SleepRecorder m_sleeps;
    MessageBoxRecorder m_boxes;
    std::vector<std::string> m_processes;
    Hook<decltype(&CreateProcessA)> m_net = RecordProcesses(&m_processes);
};

TEST_F(UninstallerSteps, PrinterListThatCannotBeReadIsShownAndEndsTheListing)
{
    auto outage = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", 1722, -1, FALSE);
    EXPECT_EQ(m_dlg.AddPrinterObjectsToList(), -1);
    EXPECT_EQ(outage.Calls(), 4);  // size and fetch, before and after the restart
    EXPECT_EQ(m_processes, std::vector<std::string>{"net start spooler"});
    EXPECT_EQ(m_sleeps.Pauses(), std::vector<DWORD>{2000});
    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "EnumPrinters Error Code: 1722\n\n" + SystemErrorText(1722));
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"AddPrinterObjectsToList BEGIN", "AddPrinterObjectsToList END"}));
}

TEST_F(UninstallerSteps, ErrorOtherThanAnOutageIsNotRetried)
{
    auto denied = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", ERROR_ACCESS_DENIED, -1, FALSE);
    EXPECT_EQ(m_dlg.AddPrinterObjectsToList(), -1);
    EXPECT_EQ(denied.Calls(), 2);
    EXPECT_TRUE(m_processes.empty());
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].strText.rfind("EnumPrinters Error Code: 5\n\n", 0), 0u);
}

TEST_F(UninstallerSteps, SpoolerBackAfterTheRestartListsNormally)
{
    auto outage = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", 1726, 2, FALSE);
    EXPECT_EQ(m_dlg.AddPrinterObjectsToList(), 0);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"AddPrinterObjectsToList BEGIN",
                                                    "The number of printer-objects : 0",
                                                    "AddPrinterObjectsToList END"}));
}

TEST_F(UninstallerSteps, DriverCheckTreatsAFailedListAsNoDriver)
{
    auto outage = FailCall<decltype(&EnumPrinterDriversA)>("winspool.drv", "EnumPrinterDriversA", 1726, -1, FALSE);
    EXPECT_EQ(m_dlg.PrinterDrvExist("KORVANE QLX-480"), 0);
    EXPECT_EQ(outage.Calls(), 4);
    EXPECT_EQ(LogTexts(),
              (std::vector<std::string>{"PrinterDrvExist BEGIN", "KORVANE QLX-480 PRINTER DRIVER DOES NOT EXIST."}));
}

TEST_F(UninstallerSteps, DriverCheckMatchesTheExactName)
{
    // A driver list with our driver in another letter case, then the exact name.
    for (const char* pszListed : {"korvane qlx-480", "KORVANE QLX-480"}) {
        StartTraceLog();
        auto drivers = Replace<decltype(&EnumPrinterDriversA)>(
            "winspool.drv", "EnumPrinterDriversA",
            [=](LPSTR, LPSTR, DWORD dwLevel, LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pnCount) {
                EXPECT_EQ(dwLevel, 3u);
                const DWORD cbNeeded = sizeof(DRIVER_INFO_3A) + 64;
                *pcbNeeded = cbNeeded;
                if (cbBuf < cbNeeded) {
                    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
                    return FALSE;
                }
                auto* pInfo = reinterpret_cast<DRIVER_INFO_3A*>(pBuf);
                *pInfo = DRIVER_INFO_3A{};
                pInfo->pName = reinterpret_cast<LPSTR>(pBuf + sizeof(DRIVER_INFO_3A));
                lstrcpynA(pInfo->pName, pszListed, 64);
                *pnCount = 1;
                return TRUE;
            });
        const bool bExact = std::string(pszListed) == "KORVANE QLX-480";
        EXPECT_EQ(m_dlg.PrinterDrvExist("KORVANE QLX-480"), bExact ? 1 : 0);
        EXPECT_EQ(LogTexts().back(), bExact ? "KORVANE QLX-480 PRINTER-DRIVER EXISTS."
                                            : "KORVANE QLX-480 PRINTER DRIVER DOES NOT EXIST.");
    }
}

bool KeyExists(const char* pszKey, REGSAM samView)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(hKey);
    return true;
}

void MakeKey(const std::string& strKey)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(hKey);
}

TEST_F(UninstallerSteps, UninstallEntryIsDeletedInEitherRegistryWay)
{
    for (int bWow64 : {1, 0}) {
        StartTraceLog();
        MakeKey(std::string(kUninstallKey) + "\\Child");
        m_dlg.m_bWow64 = bWow64;
        ::SetLastError(1234);
        m_dlg.DeleteUninstallInfoFromReg();
        const std::vector<std::string> texts = LogTexts();
        if (bWow64) {
            // The 64-bit view refuses a key with subkeys: traced with the returned status, the key stays.
            EXPECT_TRUE(KeyExists(kUninstallKey, KEY_WOW64_64KEY));
            ASSERT_EQ(texts.size(), 4u);
            EXPECT_EQ(texts[2], std::string("MyRegDeleteKeyEx failed : ") + kUninstallKey + " (5) ");
            ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
        } else {
            EXPECT_FALSE(KeyExists(kUninstallKey, KEY_WOW64_64KEY));
            EXPECT_EQ(texts, (std::vector<std::string>{"DeleteUninstallInfoFromReg BEGIN",
                                                       std::string("REGKEY : ") + kUninstallKey,
                                                       "DeleteUninstallInfoFromReg END"}));
        }
    }
    StartTraceLog();
    MakeKey(kUninstallKey);
    m_dlg.m_bWow64 = 1;
    m_dlg.DeleteUninstallInfoFromReg();
    EXPECT_FALSE(KeyExists(kUninstallKey, KEY_WOW64_64KEY));
}

TEST_F(UninstallerSteps, MissingUninstallEntryEndsQuietly)
{
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    m_dlg.m_bWow64 = 1;
    m_dlg.DeleteUninstallInfoFromReg();
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"DeleteUninstallInfoFromReg BEGIN",
                                                    std::string("REGKEY : ") + kUninstallKey,
                                                    "DeleteUninstallInfoFromReg END"}));
}

TEST_F(UninstallerSteps, MakerFolderStaysWhileAnotherModelIsInIt)
{
    const std::string strMaker = "C:\\KORVANE Printer Driver";
    RemoveTree(strMaker);
    ASSERT_TRUE(::CreateDirectoryA(strMaker.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((strMaker + "\\QLX-480").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(strMaker + "\\QLX-480\\QLX480_Uninstaller.exe", "x"));
    ASSERT_TRUE(::CreateDirectoryA((strMaker + "\\QLX-990").c_str(), nullptr));

    m_dlg.DeleteInstalledDirectory();
    EXPECT_FALSE(DirectoryExists(strMaker + "\\QLX-480"));
    EXPECT_TRUE(DirectoryExists(strMaker + "\\QLX-990"));
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{"DeleteInstalledDirectory BEGIN",
                                                    "DIRECTORY : C:\\KORVANE Printer Driver\\QLX-480",
                                                    "DeleteInstalledDirectory END"}));

    // With this model's folder the only content, both go.
    ::RemoveDirectoryA((strMaker + "\\QLX-990").c_str());
    ASSERT_TRUE(::CreateDirectoryA((strMaker + "\\QLX-480").c_str(), nullptr));
    m_dlg.DeleteInstalledDirectory();
    EXPECT_FALSE(DirectoryExists(strMaker));
    RemoveTree(strMaker);
}

}  // namespace
