// The spooler registration steps of the manual path, run against Wine's spooler with the
// stand-in driver package as ".\Driver64\": what gets registered, the records handed over, the
// trace frame, the progress notes and pauses, and every failure the steps report.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "InstallEngine.h"
#include "Spooler.h"
#include "SpoolerStage.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"

using namespace qlx::testkit;
using namespace spooler_stage;
using qlxtest::HasExactLines;
using qlxtest::TraceLines;

namespace {

// Only the steps' hook answers this progress bar.
const HWND kProgressBar = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7A11));

bool EndsWith(const char* pszText, const std::string& strTail)
{
    const std::string strText = pszText != nullptr ? pszText : "";
    return strText.size() >= strTail.size() && strText.compare(strText.size() - strTail.size(), strTail.size(), strTail) == 0;
}

struct Found {
    bool bMonitor = false;
    std::string strMonitorDll;
    bool bProcessor = false;
    bool bDriver = false;
    bool bPrinter = false;
};

Found FindMonitor()
{
    Found found;
    const SpoolerEnum monitors = EnumerateTwoCall([](LPBYTE p, DWORD cb, LPDWORD pcb, LPDWORD pn) {
        return ::EnumMonitorsA(nullptr, 2, p, cb, pcb, pn);
    });
    for (DWORD i = 0; i < monitors.nCount; ++i) {
        const MONITOR_INFO_2A& info = monitors.Records<MONITOR_INFO_2A>()[i];
        if (info.pName != nullptr && std::strcmp(info.pName, kMonitorName) == 0) {
            found.bMonitor = true;
            found.strMonitorDll = info.pDLLName != nullptr ? info.pDLLName : "";
        }
    }
    return found;
}

std::string Str(const char* psz) { return psz != nullptr ? psz : "(null)"; }

// Copies of the records the steps hand to the spooler; the calls go on to Wine.
struct PassedRecords {
    std::vector<std::string> monitor;  // name, environment, DLL
    std::vector<std::string> driver;   // name, environment, driver, data, config, help, monitor, datatype
    std::string strDependentFiles;     // the block up to and with its closing zero byte
    DWORD dwDriverVersion = 0;
    std::vector<std::string> printer;  // server, name, share, port, driver, comment, location, sepfile,
                                       // processor, datatype, parameters
    bool bPrinterPointersNull = false; // devmode and security descriptor
    DWORD dwAttributes = 0, dwPriority = 0, dwDefaultPriority = 0, dwStartTime = 0, dwUntilTime = 0;
    DWORD dwStatus = 0, dwJobs = 0, dwAveragePPM = 0;
    DWORD dwMonitorLevel = 0, dwDriverLevel = 0, dwPrinterLevel = 0;
    bool bServersNull = true;
};

class RecordSpy {
public:
    explicit RecordSpy(PassedRecords& records)
        : m_monitor(Replace<decltype(&AddMonitorA)>("winspool.drv", "AddMonitorA",
              [&records](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) {
                  const auto* p = reinterpret_cast<const MONITOR_INFO_2A*>(pInfo);
                  records.bServersNull = records.bServersNull && pServer == nullptr;
                  records.dwMonitorLevel = dwLevel;
                  records.monitor = {Str(p->pName), Str(p->pEnvironment), Str(p->pDLLName)};
                  return original(pServer, dwLevel, pInfo);
              })),
          m_driver(Replace<decltype(&AddPrinterDriverA)>("winspool.drv", "AddPrinterDriverA",
              [&records](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) {
                  const auto* p = reinterpret_cast<const DRIVER_INFO_3A*>(pInfo);
                  records.bServersNull = records.bServersNull && pServer == nullptr;
                  records.dwDriverLevel = dwLevel;
                  records.dwDriverVersion = p->cVersion;
                  records.driver = {Str(p->pName),       Str(p->pEnvironment), Str(p->pDriverPath),
                                    Str(p->pDataFile),   Str(p->pConfigFile),  Str(p->pHelpFile),
                                    Str(p->pMonitorName), Str(p->pDefaultDataType)};
                  records.strDependentFiles.clear();
                  for (const char* psz = p->pDependentFiles; psz != nullptr; psz += std::strlen(psz) + 1) {
                      records.strDependentFiles.append(psz, std::strlen(psz) + 1);
                      if (*psz == '\0') {
                          break;
                      }
                  }
                  return original(pServer, dwLevel, pInfo);
              })),
          m_printer(Replace<decltype(&AddPrinterA)>("winspool.drv", "AddPrinterA",
              [&records](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) {
                  const auto* p = reinterpret_cast<const PRINTER_INFO_2A*>(pInfo);
                  records.bServersNull = records.bServersNull && pServer == nullptr;
                  records.dwPrinterLevel = dwLevel;
                  records.printer = {Str(p->pServerName), Str(p->pPrinterName), Str(p->pShareName),
                                     Str(p->pPortName),   Str(p->pDriverName),  Str(p->pComment),
                                     Str(p->pLocation),   Str(p->pSepFile),     Str(p->pPrintProcessor),
                                     Str(p->pDatatype),   Str(p->pParameters)};
                  records.bPrinterPointersNull = p->pDevMode == nullptr && p->pSecurityDescriptor == nullptr;
                  records.dwAttributes = p->Attributes;
                  records.dwPriority = p->Priority;
                  records.dwDefaultPriority = p->DefaultPriority;
                  records.dwStartTime = p->StartTime;
                  records.dwUntilTime = p->UntilTime;
                  records.dwStatus = p->Status;
                  records.dwJobs = p->cJobs;
                  records.dwAveragePPM = p->AveragePPM;
                  return original(pServer, dwLevel, pInfo);
              }))
    {
    }

private:
    Hook<decltype(&AddMonitorA)> m_monitor;
    Hook<decltype(&AddPrinterDriverA)> m_driver;
    Hook<decltype(&AddPrinterA)> m_printer;
};

// A package folder as the installer's current folder, with the stand-in modules in ".\Driver64\",
// the driver files staged, a clean spooler, a fresh trace log, and an engine as on 64-bit XP.
class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szDir[MAX_PATH] = "";
        ::GetCurrentDirectoryA(sizeof(szDir), szDir);
        m_strOldDir = szDir;

        const std::string strPackage = HostPath(QLX_SAMPLE_DRIVER_DIR);
        const std::string strDriver64 = m_scratch / "Driver64";
        ASSERT_TRUE(::CreateDirectoryA(strDriver64.c_str(), nullptr));
        WIN32_FIND_DATAA data;
        HANDLE hFind = ::FindFirstFileA((strPackage + "\\*").c_str(), &data);
        ASSERT_NE(hFind, INVALID_HANDLE_VALUE) << strPackage;
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                ASSERT_TRUE(::CopyFileA((strPackage + "\\" + data.cFileName).c_str(),
                                        (strDriver64 + "\\" + data.cFileName).c_str(), FALSE));
            }
        } while (::FindNextFileA(hFind, &data));
        ::FindClose(hFind);
        ASSERT_TRUE(::SetCurrentDirectoryA(m_scratch.Path().c_str()));

        RemoveSpoolerState();
        for (const char* pszFile : kDriverFiles) {
            ASSERT_TRUE(::CopyFileA((strDriver64 + "\\" + pszFile).c_str(), (DriverDir() + "\\" + pszFile).c_str(), FALSE))
                << pszFile;
        }

        m_engine.SetSystemInfo(1, 2005);
        m_engine.SetControlPointers(&m_status, &m_progress);
        m_progress.m_hWnd = kProgressBar;
        StartTraceLog();
    }

    void TearDown() override
    {
        ::SetCurrentDirectoryA(m_strOldDir.c_str());
        RemoveSpoolerState();
    }

    bool RegisterComponents()
    {
        const bool bMonitor = m_engine.AddLanguageMonitor();
        const bool bProcessor = m_engine.AddPrinterProcessor();
        const bool bDriver = m_engine.AddPrinterDriverToSystem();
        return bMonitor && bProcessor && bDriver;
    }

    std::vector<std::string> Notes() const { return m_notes; }

    static std::string Box(const std::string& strHeader, DWORD dwError) { return strHeader + SystemText(dwError); }

    ScratchDir m_scratch;
    std::string m_strOldDir;
    fw::SharedText m_status;
    fw::Control m_progress;
    CInstallEngine m_engine;
    std::vector<std::string> m_notes;  // the status text at each bar step
    Hook<decltype(&SendMessageA)> m_bar = Replace<decltype(&SendMessageA)>("user32.dll", "SendMessageA",
        [this](auto original, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (hWnd != kProgressBar) {
                return original(hWnd, nMsg, wParam, lParam);
            }
            if (nMsg == PBM_STEPIT) {
                m_notes.push_back(m_status.Get());
            }
            return 0;
        });
    SleepRecorder m_sleeps;
    MessageBoxRecorder m_boxes;
};

TEST_F(Registration, FourStepsRegisterMonitorProcessorDriverAndPrinterOnLpt1)
{
    EXPECT_TRUE(m_engine.AddLanguageMonitor());
    EXPECT_TRUE(m_engine.AddPrinterProcessor());
    EXPECT_TRUE(m_engine.AddPrinterDriverToSystem());
    EXPECT_EQ(m_engine.AddPrinterToSystem(1004, kDriverName), 1);
    EXPECT_EQ(m_boxes.Count(), 0u);

    // Modules where the spooler loads them from.
    EXPECT_TRUE(FileExists(WindowsDir() + "\\QLMON480.dll"));
    EXPECT_FALSE(FileExists(SystemDir() + "\\QLMON480.dll"));
    EXPECT_TRUE(FileExists(ProcessorDir() + "\\QLPRO480.dll"));

    const Found monitor = FindMonitor();
    EXPECT_TRUE(monitor.bMonitor);
    EXPECT_EQ(monitor.strMonitorDll, "QLMON480.dll");
    EXPECT_TRUE(ProcessorRegistered());

    const SpoolerEnum drivers = EnumDrivers();
    const DRIVER_INFO_3A* pDriver = FindDriver(drivers);
    ASSERT_NE(pDriver, nullptr);
    EXPECT_EQ(pDriver->cVersion, 3u);
    EXPECT_TRUE(EndsWith(pDriver->pDriverPath, "\\UNIDRV.DLL")) << Str(pDriver->pDriverPath);
    EXPECT_TRUE(EndsWith(pDriver->pDataFile, "\\QLX480.GPD")) << Str(pDriver->pDataFile);
    EXPECT_TRUE(EndsWith(pDriver->pConfigFile, "\\UNIDRVUI.DLL")) << Str(pDriver->pConfigFile);
    EXPECT_TRUE(EndsWith(pDriver->pHelpFile, "\\UNIDRV.HLP")) << Str(pDriver->pHelpFile);
    EXPECT_EQ(Str(pDriver->pMonitorName), kMonitorName);
    EXPECT_EQ(Str(pDriver->pDefaultDataType), "RAW");

    const SpoolerEnum printers = EnumPrinters();
    const PRINTER_INFO_2A* pPrinter = FindPrinter(printers, kDriverName);
    ASSERT_NE(pPrinter, nullptr);
    EXPECT_EQ(Str(pPrinter->pPortName), "LPT1:");
    EXPECT_EQ(Str(pPrinter->pDriverName), kDriverName);
    EXPECT_EQ(Str(pPrinter->pPrintProcessor), kProcessorName);
    EXPECT_EQ(Str(pPrinter->pDatatype), "RAW");
    EXPECT_EQ(pPrinter->Attributes, 0x1800u);
    EXPECT_EQ(pPrinter->Priority, 1u);

    EXPECT_TRUE(HasExactLines({
        "AddLanguageMonitor BEGIN",
        "FILE SRC : .\\Driver64\\QLMON480.dll",
        "AddLanguageMonitor END",
        "AddPrinterProcessor BEGIN",
        "FILE SRC : .\\Driver64\\QLPRO480.dll",
        "AddPrinterProcessor END",
        "AddPrinterDriverToSystem BEGIN",
        "AddPrinterDriverToSystem END",
        "AddPrinterToSystem BEGIN",
        "AddPrinterToSystem END",
    }));
    EXPECT_EQ(Notes(), (std::vector<std::string>{
                           "Installing L/M...\r\n",
                           "Installing printer processor...\r\n",
                           "Installing printer driver...\r\n",
                           "Adding printer...\r\n",
                           "Please wait for adding printer.\r\nIt takes a couple of minutes.",
                       }));
    EXPECT_EQ(m_sleeps.Pauses(), (std::vector<DWORD>{500, 500, 500, 500}));
}

TEST_F(Registration, RecordsCarryTheFieldsHandedToTheSpooler)
{
    PassedRecords records;
    {
        RecordSpy spy(records);
        ASSERT_TRUE(RegisterComponents());
        ASSERT_EQ(m_engine.AddPrinterToSystem(1004, "KORVANE QLX-480(#1)"), 1);
    }
    EXPECT_TRUE(records.bServersNull);
    EXPECT_EQ(records.dwMonitorLevel, 2u);
    EXPECT_EQ(records.monitor, (std::vector<std::string>{kMonitorName, "Windows x64", "QLMON480.dll"}));

    EXPECT_EQ(records.dwDriverLevel, 3u);
    EXPECT_EQ(records.dwDriverVersion, 3u);
    EXPECT_EQ(records.driver, (std::vector<std::string>{kDriverName, "Windows x64", "UNIDRV.DLL", "QLX480.GPD",
                                                        "UNIDRVUI.DLL", "UNIDRV.HLP", kMonitorName, "RAW"}));
    const char kBlock[] = "UNIRES.DLL\0STDNAMES.GPD\0QLX480.DLL\0QLUI480.DLL\0QLUNI480.DLL\0QLUI480.INI\0";
    EXPECT_EQ(records.strDependentFiles, std::string(kBlock, sizeof(kBlock)));

    EXPECT_EQ(records.dwPrinterLevel, 2u);
    EXPECT_EQ(records.printer,
              (std::vector<std::string>{"(null)", "KORVANE QLX-480(#1)", "(null)", "LPT1:", kDriverName, "(null)",
                                        "(null)", "(null)", kProcessorName, "RAW", "(null)"}));
    EXPECT_TRUE(records.bPrinterPointersNull);
    EXPECT_EQ(records.dwAttributes, 0x1800u);
    EXPECT_EQ(records.dwPriority, 1u);
    EXPECT_EQ(records.dwDefaultPriority, 0u);
    EXPECT_EQ(records.dwStartTime, 0u);
    EXPECT_EQ(records.dwUntilTime, 0u);
    EXPECT_EQ(records.dwStatus, 0x80u);
    EXPECT_EQ(records.dwJobs, 0u);
    EXPECT_EQ(records.dwAveragePPM, 0u);

    const SpoolerEnum printers = EnumPrinters();
    EXPECT_NE(FindPrinter(printers, "KORVANE QLX-480(#1)"), nullptr);
}

TEST_F(Registration, EachPortCodeOfTheDialogNamesItsPort)
{
    ASSERT_TRUE(RegisterComponents());
    const struct {
        int nPortCode;
        const char* pszPort;
    } cases[] = {{1000, "COM1:"}, {1001, "COM2:"}, {1002, "COM3:"}, {1003, "COM4:"}, {1004, "LPT1:"}, {1005, "LPT2:"}};
    for (const auto& c : cases) {
        EXPECT_EQ(m_engine.AddPrinterToSystem(c.nPortCode, kDriverName), 1) << c.nPortCode;
        const SpoolerEnum printers = EnumPrinters();
        const PRINTER_INFO_2A* pPrinter = FindPrinter(printers, kDriverName);
        ASSERT_NE(pPrinter, nullptr) << c.nPortCode;
        EXPECT_EQ(Str(pPrinter->pPortName), c.pszPort);
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE hPrinter = nullptr;
        ASSERT_TRUE(::OpenPrinterA(const_cast<LPSTR>(kDriverName), &hPrinter, &defaults));
        ::DeletePrinter(hPrinter);
        ::ClosePrinter(hPrinter);
    }
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(Registration, MonitorAlreadyRegisteredCountsAsSuccess)
{
    // For real: the second registration of the same monitor is refused with 3006.
    ASSERT_TRUE(m_engine.AddLanguageMonitor());
    auto addMonitor = Replace<decltype(&AddMonitorA)>("winspool.drv", "AddMonitorA",
        [](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) {
            ::SetLastError(0xdeadbeef);
            const BOOL bOk = original(pServer, dwLevel, pInfo);
            EXPECT_FALSE(bOk);
            EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PRINT_MONITOR_ALREADY_INSTALLED));
            return bOk;
        });
    EXPECT_TRUE(m_engine.AddLanguageMonitor());
    EXPECT_EQ(addMonitor.Calls(), 1);
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(FindMonitor().bMonitor);
    EXPECT_EQ(qlxtest::CountLinesStartingWith("AddLanguageMonitor END"), 2u);
}

// A failing spooler call: error box with its header and the system text, END line, false.
TEST_F(Registration, FailedSpoolerCallShowsTheErrorBoxAndTheStepGoesOn)
{
    const struct {
        const char* pszStep;
        DWORD dwError;
        const char* pszHeader;
        int nOSCode;
    } cases[] = {
        {"AddLanguageMonitor", ERROR_MOD_NOT_FOUND, "AddMonitor, ERR CODE: 126\n\n", 2005},
        {"AddLanguageMonitor", ERROR_INVALID_PARAMETER, "AddMonitor, ERR CODE: 87\n\n", 2005},
        {"AddPrinterProcessor", ERROR_ACCESS_DENIED, "AddPrintProcessor, ERR CODE: 5\n\n", 2005},
        {"AddPrinterProcessor", ERROR_INVALID_ENVIRONMENT, "AddPrintProcessor, ERR CODE: 1805\n\n", 2005},
        {"AddPrinterDriverToSystem", ERROR_MOD_NOT_FOUND, "AddPrinterDriver, ERR CODE: 126\n\n", 2007},
        {"AddPrinterDriverToSystem", ERROR_MOD_NOT_FOUND, "AddPrinterDriver, ERR CODE: 126\n\n", 2010},
        {"AddPrinterDriverToSystem", ERROR_ACCESS_DENIED, "AddPrinterDriver, ERR CODE: 5\n\n", 2005},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pszStep) + " " + std::to_string(c.dwError) + " on " + std::to_string(c.nOSCode));
        StartTraceLog();
        m_boxes.Clear();
        m_engine.m_nOSCode = c.nOSCode;
        const std::string strStep = c.pszStep;
        bool bResult = true;
        long nCalls = 0;
        if (strStep == "AddLanguageMonitor") {
            auto f = FailCall<decltype(&AddMonitorA)>("winspool.drv", "AddMonitorA", c.dwError, -1, FALSE);
            bResult = m_engine.AddLanguageMonitor();
            nCalls = f.Calls();
        } else if (strStep == "AddPrinterProcessor") {
            auto f = FailCall<decltype(&AddPrintProcessorA)>("winspool.drv", "AddPrintProcessorA", c.dwError, -1, FALSE);
            bResult = m_engine.AddPrinterProcessor();
            nCalls = f.Calls();
        } else {
            auto f = FailCall<decltype(&AddPrinterDriverA)>("winspool.drv", "AddPrinterDriverA", c.dwError, -1, FALSE);
            bResult = m_engine.AddPrinterDriverToSystem();
            nCalls = f.Calls();
        }
        EXPECT_FALSE(bResult);
        EXPECT_EQ(nCalls, 1);  // 126 from Vista on is reported at once
        const auto boxes = m_boxes.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].strText, Box(c.pszHeader, c.dwError));
        EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(boxes[0].strCaption, "registration_tests");
        const std::vector<std::string> lines = TraceLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), strStep + " BEGIN");
        EXPECT_EQ(lines.back(), strStep + " END");
    }
}

TEST_F(Registration, ErrorWithoutSystemTextShowsTheHeaderAlone)
{
    const DWORD kUnknown = 0x20001234;  // customer bit set: the system has no text for it
    ASSERT_EQ(SystemText(kUnknown), "");
    auto f = FailCall<decltype(&AddPrintProcessorA)>("winspool.drv", "AddPrintProcessorA", kUnknown, -1, FALSE);
    EXPECT_FALSE(m_engine.AddPrinterProcessor());
    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "AddPrintProcessor, ERR CODE: 536875572\n\n");
}

// Before Vista a driver refused with 126 gets a second attempt with framedyn.dll lent to the
// system directory; the loan is taken back whatever the second attempt gives.
TEST_F(Registration, DriverModuleNotFoundBeforeVistaIsRetriedWithFramedynLent)
{
    const std::string strWbem = SystemDir() + "\\wbem";
    const std::string strSource = strWbem + "\\framedyn.dll";
    const std::string strLent = SystemDir() + "\\framedyn.dll";
    ASSERT_FALSE(FileExists(strLent));
    const bool bMadeSource = !FileExists(strSource);
    if (bMadeSource) {
        ::CreateDirectoryA(strWbem.c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(strSource, "framework"));
    }

    const struct {
        int nFailures;
        bool bResult;
    } cases[] = {{1, true}, {2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nFailures);
        m_boxes.Clear();
        bool bLentDuringRetry = false;
        std::vector<std::string> deleted;
        auto f = FailCall<decltype(&AddPrinterDriverA)>("winspool.drv", "AddPrinterDriverA", ERROR_MOD_NOT_FOUND,
                                                        c.nFailures, FALSE);
        auto spy = Replace<decltype(&AddPrinterDriverA)>("winspool.drv", "AddPrinterDriverA",
            [&](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) {
                bLentDuringRetry = FileExists(strLent);
                return original(pServer, dwLevel, pInfo);
            });
        auto del = Replace<decltype(&DeleteFileA)>("kernel32.dll", "DeleteFileA", [&](auto original, LPCSTR pszPath) {
            deleted.push_back(pszPath);
            return original(pszPath);
        });
        EXPECT_EQ(m_engine.AddPrinterDriverToSystem(), c.bResult);
        EXPECT_EQ(f.Calls(), 2);
        EXPECT_TRUE(bLentDuringRetry);
        EXPECT_EQ(deleted, std::vector<std::string>{strLent});
        EXPECT_FALSE(FileExists(strLent));
        const auto boxes = m_boxes.Boxes();
        if (c.bResult) {
            EXPECT_EQ(boxes.size(), 0u);
            EXPECT_NE(FindDriver(EnumDrivers()), nullptr);
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].strText, Box("AddPrinterDriver, ERR CODE: 126\n\n", ERROR_MOD_NOT_FOUND));
        }
    }
    if (bMadeSource) {
        DeleteIfThere(strSource);
        ::RemoveDirectoryA(strWbem.c_str());
    }
}

TEST_F(Registration, FramedynAlreadyInTheSystemDirectoryIsLeftAsItIs)
{
    const std::string strLent = SystemDir() + "\\framedyn.dll";
    ASSERT_TRUE(WriteWholeFile(strLent, "the system's own"));
    auto f = FailCall<decltype(&AddPrinterDriverA)>("winspool.drv", "AddPrinterDriverA", ERROR_MOD_NOT_FOUND, 1, FALSE);
    EXPECT_TRUE(m_engine.AddPrinterDriverToSystem());
    EXPECT_EQ(f.Calls(), 2);
    EXPECT_EQ(ReadWholeFile(strLent), "the system's own");
    DeleteIfThere(strLent);
}

// A success leaves whatever last error an earlier call set: it never starts the second attempt.
TEST_F(Registration, DriverAddedWithStaleLastErrorIsNotRetried)
{
    auto f = Replace<decltype(&AddPrinterDriverA)>("winspool.drv", "AddPrinterDriverA",
        [](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) {
            const BOOL bOk = original(pServer, dwLevel, pInfo);
            ::SetLastError(ERROR_MOD_NOT_FOUND);
            return bOk;
        });
    EXPECT_TRUE(m_engine.AddPrinterDriverToSystem());
    EXPECT_EQ(f.Calls(), 1);
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(Registration, UsbAddsNoPrinterObject)
{
    auto f = FailCall<decltype(&AddPrinterA)>("winspool.drv", "AddPrinterA", ERROR_INVALID_PARAMETER, -1, nullptr);
    EXPECT_EQ(m_engine.AddPrinterToSystem(1006, kDriverName), 1);
    EXPECT_EQ(f.Calls(), 0);
    EXPECT_TRUE(Notes().empty());
    EXPECT_TRUE(m_sleeps.Pauses().empty());
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(HasExactLines({"AddPrinterToSystem BEGIN", "AddPrinterToSystem END"}));
}

// Without a printer object the installer ends: one error box, the END line last, exit code 0.
TEST_F(Registration, PrinterThatCannotBeAddedEndsTheInstaller)
{
    // For real: Wine refuses a printer whose driver and processor are not registered, with 87.
    const ExitResult result = RunExpectingExit([&] { m_engine.AddPrinterToSystem(1004, kDriverName); });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.code, 0);
    auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, Box("AddPrinter, Error Code: 87\n\n", ERROR_INVALID_PARAMETER));
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_OK | MB_ICONERROR));
    ASSERT_FALSE(TraceLines().empty());
    EXPECT_EQ(TraceLines().back(), "AddPrinterToSystem END");
    EXPECT_EQ(FindPrinter(EnumPrinters(), kDriverName), nullptr);

    // Injected, with everything registered: the error of the call is the one shown.
    ASSERT_TRUE(RegisterComponents());
    StartTraceLog();
    m_boxes.Clear();
    auto f = FailCall<decltype(&AddPrinterA)>("winspool.drv", "AddPrinterA", ERROR_INVALID_PRINTER_NAME, -1, nullptr);
    const ExitResult injected = RunExpectingExit([&] { m_engine.AddPrinterToSystem(1005, kDriverName); });
    EXPECT_TRUE(injected.exited);
    EXPECT_EQ(injected.code, 0);
    boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, Box("AddPrinter, Error Code: 1801\n\n", ERROR_INVALID_PRINTER_NAME));
    EXPECT_TRUE(HasExactLines({"AddPrinterToSystem BEGIN", "AddPrinterToSystem END"}));
}

// A port code the dialog never gives has no port: the spooler is not asked to make a printer
// without one, and the failure is reported as such.
TEST_F(Registration, PortCodeWithoutAPortIsReportedAsAFailedAdd)
{
    ASSERT_TRUE(RegisterComponents());
    for (int nPortCode : {999, 1007, -1, 0}) {
        SCOPED_TRACE(nPortCode);
        m_boxes.Clear();
        auto f = Replace<decltype(&AddPrinterA)>("winspool.drv", "AddPrinterA",
            [](auto original, LPSTR pServer, DWORD dwLevel, LPBYTE pInfo) { return original(pServer, dwLevel, pInfo); });
        const ExitResult result = RunExpectingExit([&] { m_engine.AddPrinterToSystem(nPortCode, kDriverName); });
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.code, 0);
        EXPECT_EQ(f.Calls(), 0);
        const auto boxes = m_boxes.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].strText, Box("AddPrinter, Error Code: 87\n\n", ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(FindPrinter(EnumPrinters(), kDriverName), nullptr);
}

// A module copy refused because the destination is locked goes through the fallback once, and
// the step still registers the component.
TEST_F(Registration, LockedModuleDestinationTakesTheFallback)
{
    ASSERT_TRUE(WriteWholeFile(WindowsDir() + "\\QLMON480.dll", "older module"));
    auto f = FailCall<decltype(&CopyFileA)>("kernel32.dll", "CopyFileA", ERROR_SHARING_VIOLATION, 1, FALSE);
    EXPECT_TRUE(m_engine.AddLanguageMonitor());
    EXPECT_EQ(f.Calls(), 2);
    EXPECT_TRUE(qlxtest::HasLinesInOrder({
        "AddLanguageMonitor BEGIN",
        "FILE SRC : .\\Driver64\\QLMON480.dll",
        "ERROR_SHARING_VIOLATION HANDLER",
        "strDest : " + WindowsDir() + "\\QLMON480.dll",
        "AddLanguageMonitor END",
    }));
    EXPECT_EQ(ReadWholeFile(WindowsDir() + "\\QLMON480.dll.old"), "older module");
    EXPECT_TRUE(FindMonitor().bMonitor);
    EXPECT_EQ(m_boxes.Count(), 0u);
}

// A folder too long for the path buffer: nothing is copied to a cut path; the copy is reported
// as failed and the spooler call still comes.
TEST_F(Registration, DestinationThatDoesNotFitIsNotCopiedTo)
{
    const std::string strLong = "C:\\" + std::string(247, 'd');  // 250 characters, + "\\QLMON480.dll" > 255
    auto dir = Replace<decltype(&GetWindowsDirectoryA)>("kernel32.dll", "GetWindowsDirectoryA",
        [&](LPSTR pszBuffer, UINT cch) -> UINT {
            if (cch <= strLong.size()) {
                return static_cast<UINT>(strLong.size() + 1);
            }
            std::memcpy(pszBuffer, strLong.c_str(), strLong.size() + 1);
            return static_cast<UINT>(strLong.size());
        });
    std::vector<std::string> copies;
    auto copy = Replace<decltype(&CopyFileA)>("kernel32.dll", "CopyFileA",
        [&](auto original, LPCSTR pszFrom, LPCSTR pszTo, BOOL bFail) {
            copies.push_back(pszTo);
            return original(pszFrom, pszTo, bFail);
        });
    auto monitor = Replace<decltype(&AddMonitorA)>("winspool.drv", "AddMonitorA",
        [](LPSTR, DWORD, LPBYTE) -> BOOL { return TRUE; });
    EXPECT_TRUE(m_engine.AddLanguageMonitor());
    EXPECT_TRUE(copies.empty());
    EXPECT_EQ(monitor.Calls(), 1);
    EXPECT_TRUE(qlxtest::HasLinesInOrder({
        "FILE SRC : .\\Driver64\\QLMON480.dll",
        "COPYFILE ERROR, SRC : .\\Driver64\\QLMON480.dll ",
        "ERROR CODE : 206 ",
        "AddLanguageMonitor END",
    }));
}

}  // namespace
