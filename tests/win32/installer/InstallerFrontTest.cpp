// The installer's front: the settings file in its two places, the port preselection, the OS gate
// and the two routes up to the call of an installation path.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <winspool.h>

#include "InstallerRes.h"
#include "KVNPOS_InstallerDlg.h"
#include "Testkit.h"
#include "TraceLog.h"

using namespace qlx::testkit;

namespace {

const char kLogPath[] = "C:\\Temp\\QLX-480_InstallerTest.txt";

std::string WindowsDir()
{
    char szDir[MAX_PATH] = "";
    ::GetWindowsDirectoryA(szDir, sizeof(szDir));
    return szDir;
}

// A current folder and a <Windows>\QLX-480 folder, each with an optional settings file.
class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szDir[MAX_PATH] = "";
        ::GetCurrentDirectoryA(sizeof(szDir), szDir);
        m_strOldDir = szDir;
        ASSERT_TRUE(::SetCurrentDirectoryA(m_scratch.Path().c_str()));
        m_strProductDir = WindowsDir() + "\\QLX-480";
        RemoveTree(m_strProductDir);
        StartTraceLog();
    }
    void TearDown() override
    {
        ::SetCurrentDirectoryA(m_strOldDir.c_str());
        RemoveTree(m_strProductDir);
    }
    void WriteCurrent(const std::string& strContent) { ASSERT_TRUE(WriteWholeFile(m_scratch / "QLX480_Config.KVN", strContent)); }
    void WriteProduct(const std::string& strContent)
    {
        ::CreateDirectoryA(m_strProductDir.c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(m_strProductDir + "\\QLX480_Config.KVN", strContent));
    }
    // The value found, or "(null)".
    static std::string Read(const char* pszKey)
    {
        char szValue[256];
        std::memset(szValue, 'x', sizeof(szValue));
        const char* pszResult = GetDriverInfoFromFile("QLX480", pszKey, szValue, sizeof(szValue));
        return pszResult != nullptr ? std::string(pszResult) : std::string("(null)");
    }
    static std::vector<std::string> LogTexts()
    {
        std::vector<std::string> texts;
        const std::string strLog = ReadWholeFile(kLogPath);
        for (size_t nPos = 0; nPos < strLog.size();) {
            const size_t nEnd = strLog.find("\r\n", nPos);
            const std::string strLine = strLog.substr(nPos, nEnd - nPos);
            texts.push_back(strLine.size() >= 10 ? strLine.substr(10) : strLine);  // frame lines have no stamp
            nPos = nEnd + 2;
        }
        return texts;
    }

    ScratchDir m_scratch;
    std::string m_strOldDir;
    std::string m_strProductDir;
};

TEST_F(SettingsFiles, CurrentFolderWinsKeyByKey)
{
    WriteCurrent("[QLX480]\r\nPORTDLG=FALSE\r\n");
    WriteProduct("[QLX480]\r\nPORTDLG=TRUE\r\nPORT=LPT2\r\n");
    EXPECT_EQ(Read("PORTDLG"), "FALSE");
    EXPECT_EQ(Read("PORT"), "LPT2");
    EXPECT_TRUE(LogTexts().empty());  // nothing is logged when a value is found
}

TEST_F(SettingsFiles, MissingEverywhereWritesTheFailureBlock)
{
    EXPECT_EQ(Read("PORTDLG"), "(null)");
    const std::vector<std::string> texts = LogTexts();
    ASSERT_EQ(texts.size(), 9u);
    EXPECT_EQ(texts[2], "GetDriverInfoFromFile BEGIN");
    EXPECT_EQ(texts[3], "SECTION NAME : QLX480");
    EXPECT_EQ(texts[4], "KEY NAME : PORTDLG");
    EXPECT_EQ(texts[5].rfind("GetDriverInfoFromFile failed. (", 0), 0u) << texts[5];
    EXPECT_EQ(texts[6], "GetDriverInfoFromFile END");
    EXPECT_EQ(texts[7], "");
    EXPECT_EQ(texts[8], "");
}

TEST_F(SettingsFiles, EmptyValueCountsAsMissing)
{
    WriteCurrent("[QLX480]\r\nPORTDLG=\r\nPORT=  \r\n");
    EXPECT_EQ(Read("PORTDLG"), "(null)");
    EXPECT_EQ(Read("PORT"), "(null)");  // blanks around a value are not part of it
}

TEST_F(SettingsFiles, LongValueIsCutToTheBuffer)
{
    WriteCurrent("[QLX480]\r\nPORT=" + std::string(300, 'A') + "USB\r\n");
    const std::string strValue = Read("PORT");
    EXPECT_EQ(strValue, std::string(255, 'A'));
}

TEST_F(SettingsFiles, FileThatIsNotIniGivesNothing)
{
    std::string strJunk;
    for (int i = 0; i < 4096; ++i) {
        strJunk += static_cast<char>((i * 7919) & 0xFF);
    }
    WriteCurrent(strJunk);
    EXPECT_EQ(Read("PORTDLG"), "(null)");
}

// Hidden port dialog: the preselection the silent route takes.
class PortPreselection : public SettingsFiles {
protected:
    int Preselect(const std::string& strPort)
    {
        WriteCurrent("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=" + strPort + "\r\n");
        return Preselected();
    }
    static int Preselected()
    {
        CPort_Dlg dlg;
        EXPECT_TRUE(dlg.Create(IDD_PORT_DIALOG, nullptr));
        dlg.ShowWindow(SW_HIDE);
        const int nIndex = dlg.GetPortIndex();
        // The check mark agrees with the index.
        EXPECT_EQ(::IsDlgButtonChecked(dlg.m_hWnd, IDC_RADIO_COM1), nIndex == 0 ? BST_CHECKED : BST_UNCHECKED);
        dlg.DestroyWindow();
        return nIndex;
    }
};

TEST_F(PortPreselection, FirstPortInTestOrderWins)
{
    const struct {
        const char* pszValue;
        int nIndex;
    } cases[] = {
        {"COM1", 0}, {"COM2", 1}, {"COM3", 2}, {"COM4", 3}, {"LPT1", 4}, {"LPT2", 5}, {"USB", 6},
        {"COM10", 0}, {"LPT1 COM3", 2}, {"USB001", 6}, {"lpt2", 0}, {"usb", 0}, {"NONE", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Preselect(c.pszValue), c.nIndex) << c.pszValue;
    }
}

TEST_F(PortPreselection, MissingValuePreselectsCom1AndLogsTheLookup)
{
    EXPECT_EQ(Preselected(), 0);
    bool bPortBlock = false;
    for (const std::string& text : LogTexts()) {
        bPortBlock = bPortBlock || text == "KEY NAME : PORT";
    }
    EXPECT_TRUE(bPortBlock);
}

// The worker body, run on its own thread with exit() trapped. The installation paths run for real
// up to the system: processes and the spooler's add calls are recorded, not made, so the tests see
// which port each route hands on and the prefix keeps no driver.
class Routes : public SettingsFiles {
protected:
    // The current folder holds what a package must: the INF and the driver's own files.
    void SetUp() override
    {
        SettingsFiles::SetUp();
        ASSERT_TRUE(::CreateDirectoryA((m_scratch / "Driver64").c_str(), nullptr));
        for (const char* pszFile : {"qlx480.inf", "Driver64\\QLX480.dll", "Driver64\\QLUI480.dll", "Driver64\\QLUNI480.dll",
                                    "Driver64\\QLUI480.INI", "Driver64\\QLX480.GPD", "Driver64\\QLX480.BUD",
                                    "Driver64\\QLMON480.dll", "Driver64\\QLPRO480.dll"}) {
            ASSERT_TRUE(WriteWholeFile(m_scratch / pszFile, "x")) << pszFile;
        }
    }
    void TearDown() override
    {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480");
        char szSystem[MAX_PATH] = "";
        ::GetSystemDirectoryA(szSystem, sizeof(szSystem));
        ::DeleteFileA((std::string(szSystem) + "\\QLX480_Config.KVN").c_str());
        SettingsFiles::TearDown();
    }
    ExitResult RunWorker(int nOSCode)
    {
        m_commandLines.clear();
        m_printerPorts.clear();
        CKVNPOS_InstallerDlg dlg;
        dlg.m_nOSCode = nOSCode;
        dlg.m_bWow64 = 1;
        dlg.m_engine.SetSystemInfo(1, nOSCode);
        return RunExpectingExit([&] { dlg.RunInstallation(); });
    }
    bool LogHas(const std::string& strText)
    {
        for (const std::string& text : LogTexts()) {
            if (text == strText) {
                return true;
            }
        }
        return false;
    }
    // The printui command of the package path, for a port ("" for USB).
    static std::string PackageCommand(const std::string& strPort)
    {
        const std::string strStart = "\"C:\\windows\\system32\\cmd.exe\" /c C:\\windows\\system32\\RUNDLL32.exe ";
        if (strPort.empty()) {
            return strStart + "printui.dll,PrintUIEntry /ia /m \"KORVANE QLX-480\" /f .\\qlx480.inf";
        }
        return strStart + "printui.dll,PrintUIEntry /if /b \"KORVANE QLX-480\" /f .\\qlx480.inf /r \"" + strPort +
               "\" /m \"KORVANE QLX-480\"";
    }

    SleepRecorder m_sleeps;
    MessageBoxRecorder m_boxes;
    std::vector<std::string> m_commandLines;
    std::vector<std::string> m_printerPorts;
    Hook<decltype(&CreateProcessA)> m_processes = Replace<decltype(&CreateProcessA)>(
        "kernel32.dll", "CreateProcessA",
        [this](LPCSTR, LPSTR pszCmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
               LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
            m_commandLines.push_back(pszCmd != nullptr ? pszCmd : "");
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        });
    Hook<decltype(&AddMonitorA)> m_monitor =
        Replace<decltype(&AddMonitorA)>("winspool.drv", "AddMonitorA", [](LPSTR, DWORD, LPBYTE) { return TRUE; });
    Hook<decltype(&AddPrintProcessorA)> m_processor = Replace<decltype(&AddPrintProcessorA)>(
        "winspool.drv", "AddPrintProcessorA", [](LPSTR, LPSTR, LPSTR, LPSTR) { return TRUE; });
    Hook<decltype(&AddPrinterDriverA)> m_driver = Replace<decltype(&AddPrinterDriverA)>(
        "winspool.drv", "AddPrinterDriverA", [](LPSTR, DWORD, LPBYTE) { return TRUE; });
    Hook<decltype(&AddPrinterA)> m_printer =
        Replace<decltype(&AddPrinterA)>("winspool.drv", "AddPrinterA", [this](LPSTR, DWORD, LPBYTE pPrinter) {
            const auto* pInfo = reinterpret_cast<const PRINTER_INFO_2A*>(pPrinter);
            m_printerPorts.push_back(pInfo->pPortName != nullptr ? pInfo->pPortName : "(null)");
            return reinterpret_cast<HANDLE>(0x5150);
        });
    Hook<decltype(&ClosePrinter)> m_close =
        Replace<decltype(&ClosePrinter)>("winspool.drv", "ClosePrinter", [](auto original, HANDLE h) {
            return h == reinterpret_cast<HANDLE>(0x5150) ? TRUE : original(h);
        });
    Hook<decltype(&ExitWindowsEx)> m_reboot =
        Replace<decltype(&ExitWindowsEx)>("user32.dll", "ExitWindowsEx", [](UINT, DWORD) { return TRUE; });
};

TEST_F(Routes, WindowsBefore2000IsRefused)
{
    for (int nOSCode : {2000, 2001, 2002, 2003}) {
        m_boxes.Clear();
        const ExitResult result = RunWorker(nOSCode);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.code, 0);
        const auto boxes = m_boxes.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].strText, "THE DRIVER CAN NOT BE INSTALLED ON THIS OS.");
        EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(boxes[0].strCaption, "installer_tests");
    }
}

TEST_F(Routes, SilentRouteTakesTheConfiguredPortToThePathOfThisWindows)
{
    const struct {
        const char* pszPort;
        int nOSCode;
        bool bPackagePath;
        const char* pszPortName;  // "" for USB
    } cases[] = {
        {"USB", 2010, true, ""},      {"LPT2", 2007, true, "LPT2:"}, {"COM3", 2009, true, "COM3:"},
        {"LPT1", 2004, false, "LPT1:"}, {"COM1", 2005, false, "COM1:"}, {"USB", 2006, false, ""},
    };
    for (const auto& c : cases) {
        StartTraceLog();
        m_boxes.Clear();
        WriteCurrent(std::string("[QLX480]\r\nPORTDLG=FALSE\r\nPORT=") + c.pszPort + "\r\n");
        const ExitResult result = RunWorker(c.nOSCode);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.code, 0);
        EXPECT_TRUE(LogHas(c.bPackagePath ? "AddToWin2KWithWHQL BEGIN" : "AddToWin2K BEGIN"))
            << c.pszPort << " on " << c.nOSCode;
        EXPECT_FALSE(LogHas(c.bPackagePath ? "AddToWin2K BEGIN" : "AddToWin2KWithWHQL BEGIN"));
        if (c.bPackagePath) {
            ASSERT_FALSE(m_commandLines.empty());
            EXPECT_EQ(m_commandLines[0], PackageCommand(c.pszPortName)) << c.pszPort << " on " << c.nOSCode;
            EXPECT_TRUE(m_printerPorts.empty());
        } else if (*c.pszPortName != '\0') {
            EXPECT_EQ(m_printerPorts, std::vector<std::string>{c.pszPortName}) << c.pszPort << " on " << c.nOSCode;
        } else {
            EXPECT_TRUE(m_printerPorts.empty());  // USB: Plug and Play adds the printer object
        }
    }
}

// Answers the port dialog from another thread, as a user would.
void AnswerPortDialog(int nButtonId, bool bClose)
{
    // Sleep is recorded by the test, so the wait spins on the clock instead.
    HWND hDlg = nullptr;
    const ULONGLONG nDeadline = ::GetTickCount64() + 15000;
    while (hDlg == nullptr && ::GetTickCount64() < nDeadline) {
        hDlg = ::FindWindowA(nullptr, "Port Type");
        if (hDlg == nullptr || !::IsWindowVisible(hDlg)) {
            hDlg = nullptr;
            ::SwitchToThread();
        }
    }
    ASSERT_NE(hDlg, nullptr) << "the port dialog did not show";
    if (nButtonId != 0) {
        ::SendMessageA(::GetDlgItem(hDlg, nButtonId), BM_CLICK, 0, 0);
    }
    if (bClose) {
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        ::PostMessageA(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    }
}

TEST_F(Routes, InteractiveRouteWhenPortDlgSaysTrueOrNothing)
{
    const struct {
        const char* pszSettings;
        int nButton;
        const char* pszPortName;
    } cases[] = {
        {"[QLX480]\r\nPORTDLG=TRUE\r\nPORT=LPT1\r\n", IDC_RADIO_USB, ""},
        {"[QLX480]\r\nPORTDLG=xTRUEx\r\n", IDC_RADIO_COM2, "COM2:"},
        {"[QLX480]\r\nPORTDLG=\r\nPORT=LPT2\r\n", 0, "LPT2:"},
        {nullptr, 0, "COM1:"},
    };
    for (const auto& c : cases) {
        StartTraceLog();
        ::DeleteFileA((m_scratch / "QLX480_Config.KVN").c_str());
        if (c.pszSettings != nullptr) {
            WriteCurrent(c.pszSettings);
        }
        std::thread user(AnswerPortDialog, c.nButton, false);
        const ExitResult result = RunWorker(2010);
        user.join();
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.code, 0);
        ASSERT_FALSE(m_commandLines.empty());
        EXPECT_EQ(m_commandLines[0], PackageCommand(c.pszPortName))
            << (c.pszSettings ? c.pszSettings : "no settings file");
    }
}

TEST_F(Routes, ClosingThePortDialogCancelsTheInstallation)
{
    WriteCurrent("[QLX480]\r\nPORTDLG=TRUE\r\n");
    std::thread user(AnswerPortDialog, IDC_RADIO_COM2, true);
    const ExitResult result = RunWorker(2010);
    user.join();
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.code, 0);
    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "The driver installation canceled.");
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(LogHas("The driver installation canceled."));
    for (const std::string& text : LogTexts()) {
        EXPECT_EQ(text.find("AddToWin2K"), std::string::npos) << text;
    }
}

}  // namespace
