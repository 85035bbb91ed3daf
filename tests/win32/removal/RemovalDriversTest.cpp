// The removal engine's spooler steps under Wine, in both variants: printer objects, forms, the
// printer driver, the language monitor and the print processor. Monitor, driver and printers are
// registered with Wine's spooler from the stand-in package; outages, job lists, tagged forms and
// the deletions Wine does not implement are injected at the imports.
#include <windows.h>
#include <shlwapi.h>
#include <winspool.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ProductProfile.h"
#include "RemovalEngine.h"
#include "RemovalFixture.h"
#include "SpoolerStage.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"

extern const char g_szTraceLogName[] = "\\QLX-480_RemovalDriversTest.txt";

using namespace qlx::testkit;
using namespace removal_fixture;
using namespace spooler_stage;
using qlxtest::HasExactLines;
using qlxtest::HasLinesInOrder;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;

namespace {

// Printers the tests make; all begin with this text.
const char kTestPrinterPrefix[] = "QLXTEST ";

// Files of the stand-in package staged into the driver folder for the driver registration.
const char* const kStagedDriverFiles[] = {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIRES.DLL", "UNIDRV.HLP", "STDNAMES.GPD",
                                          PROFILE_GPD_NAME};

std::string PackageDir()
{
    return HostPath(QLX_SAMPLE_DRIVER_DIR);
}

bool PrinterExists(const std::string& strName)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterA(const_cast<LPSTR>(strName.c_str()), &hPrinter, nullptr)) {
        return false;
    }
    ClosePrinter(hPrinter);
    return KeyExists(std::string(kPrintKey) + "Printers\\" + strName);
}

// Stages the package's driver files and registers the driver in the x64 environment.
void RegisterDriver()
{
    for (const char* pszFile : kStagedDriverFiles) {
        ASSERT_TRUE(CopyFileA((PackageDir() + "\\" + pszFile).c_str(), (DriverDir() + "\\" + pszFile).c_str(), FALSE))
            << pszFile << " " << GetLastError();
    }
    char szDependent[] = "UNIRES.DLL\0STDNAMES.GPD\0";
    DRIVER_INFO_3A info = {};
    info.cVersion = 3;
    info.pName = const_cast<LPSTR>(kDriverName);
    info.pEnvironment = const_cast<LPSTR>("Windows x64");
    info.pDriverPath = const_cast<LPSTR>("UNIDRV.DLL");
    info.pDataFile = const_cast<LPSTR>(PROFILE_GPD_NAME);
    info.pConfigFile = const_cast<LPSTR>("UNIDRVUI.DLL");
    info.pHelpFile = const_cast<LPSTR>("UNIDRV.HLP");
    info.pDependentFiles = szDependent;
    info.pDefaultDataType = const_cast<LPSTR>("RAW");
    ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    ASSERT_TRUE(KeyExists(kDriverKey64));
}

// A printer of the product's driver on LPT1:.
void AddTestPrinter(const std::string& strName)
{
    PRINTER_INFO_2A info = {};
    info.pPrinterName = const_cast<LPSTR>(strName.c_str());
    info.pPortName = const_cast<LPSTR>("LPT1:");
    info.pDriverName = const_cast<LPSTR>(kDriverName);
    info.pPrintProcessor = const_cast<LPSTR>("winprint");
    info.pDatatype = const_cast<LPSTR>("RAW");
    HANDLE hPrinter = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(nullptr, hPrinter) << strName << " " << GetLastError();
    ClosePrinter(hPrinter);
    ASSERT_TRUE(PrinterExists(strName));
}

// Copies the package's monitor DLL into the system folder and registers the monitor.
void RegisterMonitor()
{
    const std::string strDll = SystemDir() + "\\" PROFILE_MONITOR_DLL;
    ASSERT_TRUE(CopyFileA((PackageDir() + "\\" PROFILE_MONITOR_DLL).c_str(), strDll.c_str(), FALSE)) << GetLastError();
    MONITOR_INFO_2A info = {};
    info.pName = const_cast<LPSTR>(PROFILE_MONITOR_NAME);
    info.pDLLName = const_cast<LPSTR>(PROFILE_MONITOR_DLL);
    ASSERT_TRUE(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info))) << GetLastError();
    ASSERT_TRUE(KeyExists(kMonitorKey));
}

// Copies the package's processor DLL into the processor folder and registers the processor.
void RegisterProcessor()
{
    ASSERT_TRUE(CopyFileA((PackageDir() + "\\" PROFILE_PROCESSOR_DLL).c_str(),
                          (ProcessorDir() + "\\" PROFILE_PROCESSOR_DLL).c_str(), FALSE))
        << GetLastError();
    ASSERT_TRUE(AddPrintProcessorA(nullptr, const_cast<LPSTR>("Windows x64"), const_cast<LPSTR>(PROFILE_PROCESSOR_DLL),
                                   const_cast<LPSTR>(PROFILE_PROCESSOR_NAME)))
        << GetLastError();
    ASSERT_TRUE(KeyExists(kProcessorKey64));
}

// Names of the local printers the tests made.
std::vector<std::string> TestPrinters()
{
    std::vector<std::string> names;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kPrintKey) + "Printers").c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      &hKey) != ERROR_SUCCESS) {
        return names;
    }
    char szName[256];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = sizeof(szName);
        if (RegEnumKeyExA(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        if (std::strncmp(szName, kTestPrinterPrefix, std::strlen(kTestPrinterPrefix)) == 0) {
            names.push_back(szName);
        }
    }
    RegCloseKey(hKey);
    return names;
}

// Two-call spooler enumeration records: FORM_INFO_1A with the given names (null: a record without
// a name). A buffer too small fails with 122 and reports the size.
Hook<decltype(&EnumFormsA)> FormList(std::vector<const char*> names)
{
    return Replace<decltype(&EnumFormsA)>("winspool.drv", "EnumFormsA",
        [names](HANDLE, DWORD, LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pnCount) -> BOOL {
            DWORD cbNeeded = static_cast<DWORD>(names.size() * sizeof(FORM_INFO_1A));
            for (const char* pszName : names) {
                cbNeeded += pszName != nullptr ? static_cast<DWORD>(std::strlen(pszName) + 1) : 0;
            }
            *pcbNeeded = cbNeeded;
            if (pBuf == nullptr || cbBuf < cbNeeded) {
                *pnCount = 0;
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return FALSE;
            }
            auto* pForms = reinterpret_cast<FORM_INFO_1A*>(pBuf);
            char* pchText = reinterpret_cast<char*>(pBuf + names.size() * sizeof(FORM_INFO_1A));
            for (size_t i = 0; i < names.size(); ++i) {
                pForms[i] = FORM_INFO_1A{};
                pForms[i].Size = {80000, 297000};
                if (names[i] != nullptr) {
                    std::strcpy(pchText, names[i]);
                    pForms[i].pName = pchText;
                    pchText += std::strlen(names[i]) + 1;
                }
            }
            *pnCount = static_cast<DWORD>(names.size());
            return TRUE;
        });
}

class RemovalDriversTest : public RemovalFixture {
protected:
    void SetUp() override
    {
        StartTraceLog();
        Clean();
    }
    void TearDown() override { Clean(); }

    void Clean()
    {
        for (const std::string& strName : TestPrinters()) {
            DeletePrinterNamed(strName);
            SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kPrintKey) + "Printers\\" + strName).c_str());
        }
        RemoveSpoolerState();
    }

    // The trace log restarted and the records of the last call cleared, for the next case of a table.
    void NextCase()
    {
        StartTraceLog();
        m_commands.clear();
        m_sleeps.Clear();
        m_context.m_notes.clear();
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Variants, RemovalDriversTest, testing::Values(Program::Installer, Program::Uninstaller),
                         VariantName);

// A printer with queued jobs: each job is deleted, the step waits once, then the printer goes.
TEST_P(RemovalDriversTest, PrinterObjectWithJobsIsDeleted)
{
    RegisterDriver();
    AddTestPrinter("QLXTEST Jobs");
    AddTestPrinter("QLXTEST Other");
    const DWORD jobIds[] = {7, 9};
    auto jobs = Replace<decltype(&EnumJobsA)>("winspool.drv", "EnumJobsA",
        [&jobIds](HANDLE, DWORD dwFirst, DWORD nJobs, DWORD dwLevel, LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded,
                  LPDWORD pnCount) -> BOOL {
            EXPECT_EQ(0u, dwFirst);
            EXPECT_EQ(1000u, nJobs);
            EXPECT_EQ(3u, dwLevel);
            *pcbNeeded = sizeof(JOB_INFO_3) * 2;
            if (pBuf == nullptr || cbBuf < *pcbNeeded) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return FALSE;
            }
            auto* pJobs = reinterpret_cast<JOB_INFO_3*>(pBuf);
            pJobs[0] = {jobIds[0], jobIds[1], 0};
            pJobs[1] = {jobIds[1], 0, 0};
            *pnCount = 2;
            return TRUE;
        });
    std::vector<std::pair<DWORD, DWORD>> setJobs;
    auto setJob = Replace<decltype(&SetJobA)>("winspool.drv", "SetJobA",
        [&setJobs](HANDLE, DWORD dwJob, DWORD dwLevel, LPBYTE pJob, DWORD dwCommand) -> BOOL {
            EXPECT_EQ(0u, dwLevel);
            EXPECT_EQ(nullptr, pJob);
            setJobs.emplace_back(dwJob, dwCommand);
            return TRUE;
        });
    std::vector<DWORD> accesses;
    auto open = Replace<decltype(&OpenPrinterA)>("winspool.drv", "OpenPrinterA",
        [&accesses](auto original, LPSTR pszName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefaults) {
            accesses.push_back(pDefaults != nullptr ? pDefaults->DesiredAccess : 0);
            if (pDefaults != nullptr) {
                EXPECT_STREQ("raw", pDefaults->pDatatype);
                EXPECT_EQ(nullptr, pDefaults->pDevMode);
            }
            return original(pszName, phPrinter, pDefaults);
        });
    auto close = Replace<decltype(&ClosePrinter)>("winspool.drv", "ClosePrinter",
                                                  [](auto original, HANDLE h) { return original(h); });

    m_engine.DeletePrinterObject("QLXTEST Jobs");
    const std::vector<DWORD> openedWith = accesses;
    const int nCloses = close.Calls();

    EXPECT_FALSE(PrinterExists("QLXTEST Jobs"));
    EXPECT_TRUE(PrinterExists("QLXTEST Other"));
    EXPECT_THAT(openedWith, ElementsAre(DWORD{PRINTER_ALL_ACCESS}));
    EXPECT_EQ(1, nCloses);
    EXPECT_THAT(setJobs, ElementsAre(std::make_pair(DWORD{7}, DWORD{JOB_CONTROL_DELETE}),
                                     std::make_pair(DWORD{9}, DWORD{JOB_CONTROL_DELETE})));
    EXPECT_EQ((std::vector<DWORD>{1000}), m_sleeps.Pauses());
    EXPECT_THAT(qlxtest::TraceLines(), IsEmpty());
    EXPECT_THAT(m_commands, IsEmpty());
    EXPECT_THAT(m_context.m_notes, IsEmpty());
}

// Printers that are not there, and names that are no printer's: nothing deleted, nothing traced.
// A null or empty name never opens the print server in place of a printer.
TEST_P(RemovalDriversTest, PrinterObjectThatCannotBeOpened)
{
    RegisterDriver();
    AddTestPrinter("QLXTEST Keep");
    auto deletes = Replace<decltype(&DeletePrinter)>("winspool.drv", "DeletePrinter",
                                                     [](auto original, HANDLE h) { return original(h); });
    auto opens = Replace<decltype(&OpenPrinterA)>("winspool.drv", "OpenPrinterA",
        [](auto original, LPSTR pszName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefaults) {
            return original(pszName, phPrinter, pDefaults);
        });
    m_engine.DeletePrinterObject("QLXTEST Missing");
    m_engine.DeletePrinterObject("QLXTEST Kee");
    m_engine.DeletePrinterObject(std::string(600, 'Q').c_str());
    EXPECT_EQ(3, opens.Calls());
    m_engine.DeletePrinterObject(nullptr);
    m_engine.DeletePrinterObject("");
    EXPECT_EQ(3, opens.Calls());
    EXPECT_EQ(0, deletes.Calls());
    EXPECT_TRUE(PrinterExists("QLXTEST Keep"));
    EXPECT_THAT(m_sleeps.Pauses(), IsEmpty());
    EXPECT_THAT(qlxtest::TraceLines(), IsEmpty());
}

// The ticked printers, head first, each named in the trace; the spooler is bounced afterwards, also
// for an empty list.
TEST_P(RemovalDriversTest, RemovePrinterObjectsDeletesTheTickedOnes)
{
    RegisterDriver();
    AddTestPrinter("QLXTEST A");
    AddTestPrinter("QLXTEST B");
    AddTestPrinter("QLXTEST Unticked");
    fw::StringList ticked;
    ticked.AddTail("QLXTEST A");
    ticked.AddTail("QLXTEST Gone");
    ticked.AddTail("QLXTEST B");
    ticked.AddTail("QLXTEST %s %d");

    m_engine.RemovePrinterObjects(ticked);

    EXPECT_FALSE(PrinterExists("QLXTEST A"));
    EXPECT_FALSE(PrinterExists("QLXTEST B"));
    EXPECT_TRUE(PrinterExists("QLXTEST Unticked"));
    EXPECT_TRUE(HasExactLines({"RemovePrinterObjects BEGIN", "OBJECT NAME : QLXTEST A", "OBJECT NAME : QLXTEST Gone",
                               "OBJECT NAME : QLXTEST B", "OBJECT NAME : QLXTEST %s %d", "RemovePrinterObjects END"}));
    EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    EXPECT_EQ((std::vector<DWORD>{2000, 2000}), m_sleeps.Pauses());

    NextCase();
    m_engine.RemovePrinterObjects(fw::StringList());
    EXPECT_TRUE(HasExactLines({"RemovePrinterObjects BEGIN", "RemovePrinterObjects END"}));
    EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    EXPECT_EQ((std::vector<DWORD>{2000, 2000}), m_sleeps.Pauses());
    EXPECT_THAT(m_context.m_notes, IsEmpty());
}

// Forms carrying the tag anywhere in their name are deleted and named, the others are left; a
// failed deletion is still named. Wine's own forms carry no tag.
TEST_P(RemovalDriversTest, FormsWithTheTagAreDeleted)
{
    const std::vector<NoteCall> notes =
        IsInstaller() ? std::vector<NoteCall>{} : std::vector<NoteCall>{{"Deleting forms...", false, 100}};
    std::vector<std::string> deleted;
    auto del = Replace<decltype(&DeleteFormA)>("winspool.drv", "DeleteFormA", [&deleted](HANDLE h, LPSTR pszName) {
        EXPECT_NE(nullptr, h);
        deleted.push_back(pszName);
        SetLastError(ERROR_INVALID_FORM_NAME);
        return deleted.size() == 2 ? FALSE : TRUE;
    });
    {
        m_engine.DeleteForms();  // Wine's built-in forms
        EXPECT_THAT(deleted, IsEmpty());
        EXPECT_TRUE(HasExactLines({"DeleteForms BEGIN", "DeleteForms END"}));
        EXPECT_EQ(notes, m_context.m_notes);
    }
    {
        NextCase();
        auto forms = FormList({"Letter", "Receipt 80 [480]", "[480]58mm", nullptr, "Roll [481]", "[480", "A4 480",
                               "x[480]y"});
        m_engine.DeleteForms();
        EXPECT_THAT(deleted, ElementsAre("Receipt 80 [480]", "[480]58mm", "x[480]y"));
        EXPECT_TRUE(HasExactLines({"DeleteForms BEGIN", "FORM NAMES : Receipt 80 [480] ", "FORM NAMES : [480]58mm ",
                                   "FORM NAMES : x[480]y ", "DeleteForms END"}));
        EXPECT_EQ(notes, m_context.m_notes);
        EXPECT_THAT(m_commands, IsEmpty());
        EXPECT_THAT(m_sleeps.Pauses(), IsEmpty());
    }
}

// The enumeration's spooler retry: 1722 everywhere, 1726 only in the installer. A failed
// enumeration deletes nothing, whatever count it reported.
TEST_P(RemovalDriversTest, FormsEnumerationRetry)
{
    struct Case {
        DWORD dwError;
        int nFailures;
        bool bRetried;
        bool bDeleted;
    };
    const Case cases[] = {
        {1722, 1, true, true},
        {1722, -1, true, false},
        {1726, 1, IsInstaller(), IsInstaller()},
        {1726, -1, IsInstaller(), false},
        {ERROR_ACCESS_DENIED, 1, false, false},
    };
    int nDeletes = 0;
    auto del = Replace<decltype(&DeleteFormA)>("winspool.drv", "DeleteFormA", [&nDeletes](HANDLE, LPSTR) {
        ++nDeletes;
        return TRUE;
    });
    auto forms = FormList({"Receipt [480]"});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dwError) + " x" + std::to_string(c.nFailures));
        NextCase();
        nDeletes = 0;
        // Every failing fetch claims five records in its count.
        auto fail = Replace<decltype(&EnumFormsA)>("winspool.drv", "EnumFormsA",
            [&c, nFailed = 0](auto original, HANDLE h, DWORD dwLevel, LPBYTE pBuf, DWORD cbBuf, LPDWORD pcbNeeded,
                              LPDWORD pnCount) mutable -> BOOL {
                if (pBuf != nullptr && (c.nFailures < 0 || nFailed++ < c.nFailures)) {
                    *pnCount = 5;
                    SetLastError(c.dwError);
                    return FALSE;
                }
                return original(h, dwLevel, pBuf, cbBuf, pcbNeeded, pnCount);
            });
        m_engine.DeleteForms();
        EXPECT_EQ(c.bDeleted ? 1 : 0, nDeletes);
        EXPECT_EQ(c.bRetried ? 4 : 2, fail.Calls());
        if (c.bRetried) {
            EXPECT_THAT(m_commands, ElementsAre("net start spooler"));
        } else {
            EXPECT_THAT(m_commands, IsEmpty());
        }
        EXPECT_EQ(c.bRetried ? std::vector<DWORD>{2000} : std::vector<DWORD>{}, m_sleeps.Pauses());
        std::vector<std::string> lines = {"DeleteForms BEGIN", "DeleteForms END"};
        if (c.bDeleted) {
            lines.insert(lines.begin() + 1, "FORM NAMES : Receipt [480] ");
        }
        EXPECT_TRUE(HasExactLines(lines));
    }
}

// No print server handle: the step writes its frame and nothing else; an empty tag matches no form.
TEST_P(RemovalDriversTest, FormsWithoutServerOrTag)
{
    auto forms = FormList({"Receipt [480]", "Letter"});
    int nDeletes = 0;
    auto del = Replace<decltype(&DeleteFormA)>("winspool.drv", "DeleteFormA", [&nDeletes](HANDLE, LPSTR) {
        ++nDeletes;
        return TRUE;
    });
    {
        auto open = FailCall<decltype(&OpenPrinterA)>("winspool.drv", "OpenPrinterA", ERROR_ACCESS_DENIED, -1, FALSE);
        m_engine.DeleteForms();
        EXPECT_EQ(0, forms.Calls());
        EXPECT_TRUE(HasExactLines({"DeleteForms BEGIN", "DeleteForms END"}));
    }
    {
        NextCase();
        m_table.erase(IsInstaller() ? IDS_INST_FORM_TAG : IDS_UNINST_FORM_TAG);
        m_engine.DeleteForms();
        EXPECT_TRUE(HasExactLines({"DeleteForms BEGIN", "DeleteForms END"}));
    }
    EXPECT_EQ(0, nDeletes);
}

// The spooler deletes the driver: the call's arguments, no registry work, the bounce, true.
TEST_P(RemovalDriversTest, PrinterDrvDeletedBySpooler)
{
    MakeKey(kDriverKey64);
    MakeKey(kDriverPrinterKey);
    std::vector<std::string> calls;
    auto del = Replace<decltype(&DeletePrinterDriverExA)>("winspool.drv", "DeletePrinterDriverExA",
        [&calls](LPSTR pszServer, LPSTR pszEnv, LPSTR pszName, DWORD dwFlag, DWORD dwVersion) -> BOOL {
            EXPECT_EQ(nullptr, pszServer);
            EXPECT_EQ(nullptr, pszEnv);
            calls.push_back(std::string(pszName) + "|" + std::to_string(dwFlag) + "|" + std::to_string(dwVersion));
            return TRUE;
        });

    EXPECT_TRUE(m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME));

    EXPECT_THAT(calls, ElementsAre(std::string(kDriverName) + "|1|3"));
    EXPECT_TRUE(KeyExists(kDriverKey64));
    EXPECT_TRUE(KeyExists(kDriverPrinterKey));
    EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    EXPECT_EQ((std::vector<DWORD>{2000, 2000}), m_sleeps.Pauses());
    EXPECT_TRUE(HasExactLines({"DeletePrinterDrv BEGIN", "DeletePrinterDrv END"}));
    if (IsInstaller()) {
        EXPECT_THAT(m_context.m_notes, IsEmpty());
    } else {
        EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting printer-drivers...", false, 100}));
    }
}

// Wine refuses DPD_DELETE_UNUSED_FILES (87): the driver registered with the spooler and the
// printer key of its name go through the registry, in the 64-bit view under WOW64, whole trees
// with SHDeleteKeyA otherwise.
TEST_P(RemovalDriversTest, PrinterDrvRegistryFallback)
{
    const std::string strRefused = "DeletePrinterDriverEx returned FALSE. (87)";
    {
        m_context.m_bWow64 = 1;
        RegisterDriver();
        MakeKey(kDriverPrinterKey);
        EXPECT_TRUE(m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME));
        EXPECT_FALSE(KeyExists(kDriverKey64));
        EXPECT_FALSE(KeyExists(kDriverPrinterKey));
        std::vector<std::string> lines = {"DeletePrinterDrv BEGIN", "DeletePrinterDrv END"};
        if (!IsInstaller()) {
            lines.insert(lines.begin() + 1, strRefused);
        }
        EXPECT_TRUE(HasExactLines(lines));
        EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    }
    {
        NextCase();
        m_context.m_bWow64 = 0;
        MakeKey(kDriverKey32 + "\\Files");
        MakeKey(kDriverPrinterKey + "\\PrinterDriverData");
        MakeKey(kDriverKey64);
        EXPECT_TRUE(m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME));
        EXPECT_FALSE(KeyExists(kDriverKey32));
        EXPECT_FALSE(KeyExists(kDriverPrinterKey));
        EXPECT_TRUE(KeyExists(kDriverKey64));
        EXPECT_EQ(IsInstaller() ? 0u : 1u, qlxtest::CountLinesStartingWith(strRefused));
        EXPECT_EQ((std::vector<DWORD>{2000, 2000}), m_sleeps.Pauses());
    }
}

// Both keys missing: two failure lines, false, and the bounce still comes.
TEST_P(RemovalDriversTest, PrinterDrvWithoutKeys)
{
    for (int bWow64 : {1, 0}) {
        SCOPED_TRACE(bWow64);
        NextCase();
        m_context.m_bWow64 = bWow64;
        EXPECT_FALSE(m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME));
        const std::string strFailed = bWow64 ? "MyRegDeleteKeyEx failed : " : "SHDeleteKey failed : ";
        const std::vector<std::string> lines = qlxtest::TraceLines();
        const size_t nFirst = IsInstaller() ? 1 : 2;
        ASSERT_EQ(nFirst + 3, lines.size()) << qlxtest::JoinLines(lines);
        EXPECT_THAT(lines[nFirst], StartsWith(strFailed + (bWow64 ? kDriverKey64 : kDriverKey32) + " ("));
        EXPECT_THAT(lines[nFirst + 1], StartsWith(strFailed + kDriverPrinterKey + " ("));
        EXPECT_EQ("DeletePrinterDrv END", lines.back());
        EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    }
}

// One key there, the other not: the one is deleted, the result is false.
TEST_P(RemovalDriversTest, PrinterDrvWithOneKeyMissing)
{
    m_context.m_bWow64 = 1;
    MakeKey(kDriverPrinterKey);
    EXPECT_FALSE(m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME));
    EXPECT_FALSE(KeyExists(kDriverPrinterKey));
    EXPECT_EQ(1u, qlxtest::CountLinesStartingWith("MyRegDeleteKeyEx failed : " + kDriverKey64 + " ("));
}

// Spooler outages: only the uninstaller retries the driver deletion; the installer goes straight
// to the registry.
TEST_P(RemovalDriversTest, PrinterDrvSpoolerRetry)
{
    struct Case {
        DWORD dwError;
        int nFailures;
    };
    for (const Case& c : {Case{1722, 1}, Case{1726, 1}, Case{1726, -1}, Case{ERROR_PRINTER_DRIVER_IN_USE, 1}}) {
        SCOPED_TRACE(std::to_string(c.dwError) + " x" + std::to_string(c.nFailures));
        NextCase();
        MakeKey(kDriverKey64);
        MakeKey(kDriverPrinterKey);
        auto del = Replace<decltype(&DeletePrinterDriverExA)>("winspool.drv", "DeletePrinterDriverExA",
            [&c, nFailed = 0](LPSTR, LPSTR, LPSTR, DWORD, DWORD) mutable -> BOOL {
                if (c.nFailures < 0 || nFailed++ < c.nFailures) {
                    SetLastError(c.dwError);
                    return FALSE;
                }
                return TRUE;
            });
        const bool bTrigger = c.dwError == 1722 || c.dwError == 1726;
        const bool bRetried = !IsInstaller() && bTrigger;
        const bool bSpoolerDeleted = bRetried && c.nFailures > 0;

        EXPECT_TRUE(m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME));

        EXPECT_EQ(bRetried ? 2 : 1, del.Calls());
        EXPECT_EQ(bSpoolerDeleted, KeyExists(kDriverKey64));
        EXPECT_EQ(bSpoolerDeleted, KeyExists(kDriverPrinterKey));
        std::vector<std::string> commands = {"net stop spooler", "net start spooler"};
        std::vector<DWORD> pauses = {2000, 2000};
        if (bRetried) {
            commands.insert(commands.begin(), "net start spooler");
            pauses.push_back(2000);
        }
        EXPECT_EQ(commands, m_commands);
        EXPECT_EQ(pauses, m_sleeps.Pauses());
        std::vector<std::string> lines = {"DeletePrinterDrv BEGIN", "DeletePrinterDrv END"};
        if (!IsInstaller() && !bSpoolerDeleted) {
            lines.insert(lines.begin() + 1, "DeletePrinterDriverEx returned FALSE. (" + std::to_string(c.dwError) + ")");
        }
        EXPECT_TRUE(HasExactLines(lines));
    }
}

// Model names that make no whole key: never a key above the driver's, whatever the name.
TEST_P(RemovalDriversTest, PrinterDrvModelNameBounds)
{
    const std::string strKeep = std::string(kPrintKey) + "Printers\\QLXTEST Keep";
    auto del = FailCall<decltype(&DeletePrinterDriverExA)>("winspool.drv", "DeletePrinterDriverExA",
                                                           ERROR_UNKNOWN_PRINTER_DRIVER, -1, FALSE);
    for (int bWow64 : {0, 1}) {
        for (const std::string& strModel : {std::string(300, 'Q'), std::string(170, 'Q')}) {
            SCOPED_TRACE(std::to_string(bWow64) + " " + std::to_string(strModel.size()));
            NextCase();
            m_context.m_bWow64 = bWow64;
            MakeKey(strKeep);
            EXPECT_FALSE(m_engine.DeletePrinterDrv(strModel.c_str()));
            EXPECT_TRUE(KeyExists(strKeep));
            EXPECT_TRUE(KeyExists(std::string(kPrintKey) + "Environments\\Windows x64\\Drivers\\Version-3"));
        }
    }
    NextCase();
    MakeKey(std::string(kPrintKey) + "Printers\\" PROFILE_MAKER_NAME " ");
    EXPECT_FALSE(m_engine.DeletePrinterDrv(nullptr));  // "KORVANE " alone: still a whole key
    EXPECT_FALSE(KeyExists(std::string(kPrintKey) + "Printers\\" PROFILE_MAKER_NAME " "));
    EXPECT_TRUE(KeyExists(strKeep));
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, strKeep.c_str());
}

// A registered monitor: the spooler deletes it and unloads its DLL; every DLL copy goes, three
// places under WOW64, the system folder alone otherwise.
TEST_P(RemovalDriversTest, LanguageMonitorDeletedBySpooler)
{
    for (int bWow64 : {1, 0}) {
        SCOPED_TRACE(bWow64);
        NextCase();
        m_context.m_bWow64 = bWow64;
        RegisterMonitor();
        ASSERT_TRUE(WriteWholeFile(WindowsDir() + "\\" PROFILE_MONITOR_DLL, "x"));
        const std::string strWow64Dir = Wow64SystemDir();
        if (!strWow64Dir.empty()) {
            ASSERT_TRUE(WriteWholeFile(strWow64Dir + "\\" PROFILE_MONITOR_DLL, "x"));
        }

        m_engine.DeleteLanguageMonitor();

        EXPECT_FALSE(KeyExists(kMonitorKey));
        EXPECT_FALSE(FileExists(SystemDir() + "\\" PROFILE_MONITOR_DLL));
        EXPECT_EQ(!bWow64, FileExists(WindowsDir() + "\\" PROFILE_MONITOR_DLL));
        if (!strWow64Dir.empty()) {
            EXPECT_EQ(!bWow64, FileExists(strWow64Dir + "\\" PROFILE_MONITOR_DLL));
        }
        EXPECT_TRUE(HasExactLines({"DeleteLanguageMonitor BEGIN", "DeleteLanguageMonitor END"}));
        EXPECT_THAT(m_commands, IsEmpty());
        if (IsInstaller()) {
            EXPECT_THAT(m_context.m_notes, IsEmpty());
        } else {
            EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting L/M...", false, 100}));
        }
        Clean();
    }
}

// A monitor the spooler does not know (3000): both lines, the Monitors key, then the DLL paths,
// each missing one traced.
TEST_P(RemovalDriversTest, LanguageMonitorUnknown)
{
    for (int bWow64 : {1, 0}) {
        SCOPED_TRACE(bWow64);
        NextCase();
        m_context.m_bWow64 = bWow64;
        m_engine.DeleteLanguageMonitor();
        const std::vector<std::string> lines = qlxtest::TraceLines();
        std::vector<std::string> dlls = {SystemDir() + "\\" PROFILE_MONITOR_DLL};
        if (bWow64) {
            if (!Wow64SystemDir().empty()) {
                dlls.push_back(Wow64SystemDir() + "\\" PROFILE_MONITOR_DLL);
            }
            dlls.push_back(WindowsDir() + "\\" PROFILE_MONITOR_DLL);
        }
        ASSERT_EQ(5 + dlls.size(), lines.size()) << qlxtest::JoinLines(lines);
        EXPECT_EQ("DeleteMonitor Error : (3000)", lines[1]);
        EXPECT_EQ("The specified print monitor is unknown or not installed on this system.", lines[2]);
        EXPECT_THAT(lines[3], StartsWith(std::string(bWow64 ? "MyRegDeleteKeyEx" : "SHDeleteKey") +
                                         " failed : " + kMonitorKey + " ("));
        for (size_t i = 0; i < dlls.size(); ++i) {
            const DWORD dwError = DirectoryExists(dlls[i].substr(0, dlls[i].rfind('\\'))) ? 2 : 3;
            EXPECT_EQ("DeleteFile Error : " + dlls[i] + " , (" + std::to_string(dwError) + ")", lines[4 + i]);
        }
        EXPECT_EQ("DeleteLanguageMonitor END", lines.back());
    }
}

// The spooler refuses for another reason: the key goes by the registry rule (with its subkeys only
// without WOW64), no "unknown" line; the DLLs are deleted all the same.
TEST_P(RemovalDriversTest, LanguageMonitorRegistryFallback)
{
    auto del = FailCall<decltype(&DeleteMonitorA)>("winspool.drv", "DeleteMonitorA", ERROR_ACCESS_DENIED, -1, FALSE);
    for (int bWow64 : {1, 0}) {
        SCOPED_TRACE(bWow64);
        NextCase();
        m_context.m_bWow64 = bWow64;
        MakeKey(kMonitorKey + (bWow64 ? "" : "\\Ports"));
        ASSERT_TRUE(WriteWholeFile(SystemDir() + "\\" PROFILE_MONITOR_DLL, "x"));
        m_engine.DeleteLanguageMonitor();
        EXPECT_FALSE(KeyExists(kMonitorKey));
        EXPECT_FALSE(FileExists(SystemDir() + "\\" PROFILE_MONITOR_DLL));
        EXPECT_TRUE(HasLinesInOrder({"DeleteLanguageMonitor BEGIN", "DeleteMonitor Error : (5)",
                                     "DeleteLanguageMonitor END"}));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("The specified print monitor"));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("MyRegDeleteKeyEx failed"));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("SHDeleteKey failed"));
        EXPECT_THAT(m_commands, IsEmpty());
    }
    // Under WOW64 a key with subkeys is refused in the 64-bit view, and traced.
    NextCase();
    m_context.m_bWow64 = 1;
    MakeKey(kMonitorKey + "\\Ports");
    m_engine.DeleteLanguageMonitor();
    EXPECT_TRUE(KeyExists(kMonitorKey));
    EXPECT_EQ(1u, qlxtest::CountLinesStartingWith("MyRegDeleteKeyEx failed : " + kMonitorKey + " ("));
}

// Outages of DeleteMonitorA: one start and one more call; a second failure is the step's failure.
TEST_P(RemovalDriversTest, LanguageMonitorSpoolerRetry)
{
    {
        RegisterMonitor();
        auto del = FailCall<decltype(&DeleteMonitorA)>("winspool.drv", "DeleteMonitorA", 1722, 1, FALSE);
        m_engine.DeleteLanguageMonitor();
        EXPECT_EQ(2, del.Calls());
        EXPECT_FALSE(KeyExists(kMonitorKey));
        EXPECT_THAT(m_commands, ElementsAre("net start spooler"));
        EXPECT_EQ((std::vector<DWORD>{2000}), m_sleeps.Pauses());
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("DeleteMonitor Error"));
    }
    {
        NextCase();
        MakeKey(kMonitorKey);
        auto del = FailCall<decltype(&DeleteMonitorA)>("winspool.drv", "DeleteMonitorA", 1726, -1, FALSE);
        m_engine.DeleteLanguageMonitor();
        EXPECT_EQ(2, del.Calls());
        EXPECT_FALSE(KeyExists(kMonitorKey));
        EXPECT_THAT(m_commands, ElementsAre("net start spooler"));
        EXPECT_TRUE(HasLinesInOrder({"DeleteMonitor Error : (1726)", "DeleteLanguageMonitor END"}));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("The specified print monitor"));
    }
}

// The 32-bit system folder is looked up at run time: missing or failing, two DLL paths remain.
TEST_P(RemovalDriversTest, LanguageMonitorWithoutWow64Directory)
{
    std::vector<std::string> tried;
    auto files = Replace<decltype(&DeleteFileA)>("kernel32.dll", "DeleteFileA", [&tried](LPCSTR pszPath) {
        tried.push_back(pszPath);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    });
    auto del = FailCall<decltype(&DeleteMonitorA)>("winspool.drv", "DeleteMonitorA", 1, -1, TRUE);
    const std::vector<std::string> expected = {SystemDir() + "\\" PROFILE_MONITOR_DLL,
                                               WindowsDir() + "\\" PROFILE_MONITOR_DLL};
    {
        auto proc = Replace<decltype(&GetProcAddress)>("kernel32.dll", "GetProcAddress",
            [](auto original, HMODULE hModule, LPCSTR pszName) -> FARPROC {
                if (HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 &&
                    std::strcmp(pszName, "GetSystemWow64DirectoryA") == 0) {
                    return nullptr;
                }
                return original(hModule, pszName);
            });
        m_engine.DeleteLanguageMonitor();
        EXPECT_EQ(expected, tried);
    }
    {
        tried.clear();
        auto proc = Replace<decltype(&GetProcAddress)>("kernel32.dll", "GetProcAddress",
            [](auto original, HMODULE hModule, LPCSTR pszName) -> FARPROC {
                if (HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 &&
                    std::strcmp(pszName, "GetSystemWow64DirectoryA") == 0) {
                    return reinterpret_cast<FARPROC>(
                        reinterpret_cast<void*>(+[](LPSTR, UINT) -> UINT { return 0; }));
                }
                return original(hModule, pszName);
            });
        m_engine.DeleteLanguageMonitor();
        EXPECT_EQ(expected, tried);
    }
    {
        // A folder that does not fit the buffer is no folder: nothing relative to the drive root.
        tried.clear();
        auto sys = Replace<decltype(&GetSystemDirectoryA)>("kernel32.dll", "GetSystemDirectoryA",
                                                           [](LPSTR, UINT) -> UINT { return 300; });
        auto win = FailCall<decltype(&GetWindowsDirectoryA)>("kernel32.dll", "GetWindowsDirectoryA", 1, -1, 0);
        m_engine.DeleteLanguageMonitor();
        for (const std::string& strPath : tried) {
            EXPECT_NE('\\', strPath[0]) << strPath;
        }
    }
}

// DeletePrintProcessorA as Windows does it: the processor's key goes (Wine's only says TRUE).
BOOL WINAPI DeleteProcessorKey(LPSTR, LPSTR, LPSTR pszName)
{
    return RegDeleteKeyExA(HKEY_LOCAL_MACHINE,
                           (std::string(kPrintKey) + "Environments\\Windows x64\\Print Processors\\" + pszName).c_str(),
                           KEY_WOW64_64KEY, 0) == ERROR_SUCCESS;
}

// A deletion the spooler makes: no retry, no registry work, the DLL still goes. A deletion it
// reports without making (Wine's DeletePrintProcessorA) leaves the processor listed: the key goes
// as for a refused one.
TEST_P(RemovalDriversTest, ProcessorDeletedBySpooler)
{
    std::vector<std::string> lines = {"DeleteProcessor BEGIN", "DeleteProcessor END"};
    if (!IsInstaller()) {
        lines.insert(lines.begin() + 1, "PROCESSOR NAME : " PROFILE_PROCESSOR_NAME);
    }
    {
        auto del = Replace<decltype(&DeletePrintProcessorA)>("winspool.drv", "DeletePrintProcessorA",
                                                             DeleteProcessorKey);
        RegisterProcessor();
        m_engine.DeleteProcessor();
        EXPECT_EQ(1, del.Calls());
        EXPECT_FALSE(KeyExists(kProcessorKey64));
        EXPECT_FALSE(FileExists(ProcessorDir() + "\\" PROFILE_PROCESSOR_DLL));
        EXPECT_TRUE(HasExactLines(lines));
        EXPECT_THAT(m_commands, IsEmpty());
        EXPECT_THAT(m_sleeps.Pauses(), IsEmpty());
        EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting the processor...", false, 100}));
    }
    {
        NextCase();
        RegisterProcessor();
        m_engine.DeleteProcessor();
        EXPECT_FALSE(KeyExists(kProcessorKey64));
        EXPECT_FALSE(FileExists(ProcessorDir() + "\\" PROFILE_PROCESSOR_DLL));
        std::vector<std::string> traced = qlxtest::TraceLines();
        ASSERT_EQ(lines.size() + 1, traced.size()) << qlxtest::JoinLines(traced);
        // Wine's spooler reports the deletion done and keeps the processor: the line shows that 0.
        EXPECT_EQ(traced[traced.size() - 2], "DeletePrintProcessor Error : (0)");
        traced.erase(traced.end() - 2);
        EXPECT_EQ(lines, traced);
        EXPECT_THAT(m_commands, IsEmpty());
    }
}

// A refused processor: its key by the registry rule (x64 environment under WOW64, the x86 tree
// otherwise), and a missing DLL traced.
TEST_P(RemovalDriversTest, ProcessorRegistryFallback)
{
    auto del = FailCall<decltype(&DeletePrintProcessorA)>("winspool.drv", "DeletePrintProcessorA",
                                                          ERROR_CAN_NOT_COMPLETE, -1, FALSE);
    {
        m_context.m_bWow64 = 1;
        RegisterProcessor();
        MakeKey(kProcessorKey32);
        m_engine.DeleteProcessor();
        EXPECT_FALSE(KeyExists(kProcessorKey64));
        EXPECT_TRUE(KeyExists(kProcessorKey32));
        EXPECT_FALSE(FileExists(ProcessorDir() + "\\" PROFILE_PROCESSOR_DLL));
        EXPECT_TRUE(HasLinesInOrder({"DeleteProcessor BEGIN", "DeletePrintProcessor Error : (1003)",
                                     "DeleteProcessor END"}));
        EXPECT_EQ(IsInstaller() ? 0u : 1u, qlxtest::CountLinesStartingWith("PROCESSOR NAME : "));
        EXPECT_EQ(IsInstaller() ? 3u : 4u, qlxtest::TraceLines().size());
    }
    {
        NextCase();
        m_context.m_bWow64 = 0;
        MakeKey(kProcessorKey64);
        MakeKey(kProcessorKey32 + "\\Datatypes");
        m_engine.DeleteProcessor();
        EXPECT_TRUE(KeyExists(kProcessorKey64));
        EXPECT_FALSE(KeyExists(kProcessorKey32));
        EXPECT_TRUE(HasLinesInOrder({"DeletePrintProcessor Error : (1003)",
                                     "DeleteFile Error : " + ProcessorDir() + "\\" PROFILE_PROCESSOR_DLL " , (2)",
                                     "DeleteProcessor END"}));
    }
    {
        NextCase();
        m_engine.DeleteProcessor();  // no key either
        EXPECT_EQ(1u, qlxtest::CountLinesStartingWith("SHDeleteKey failed : " + kProcessorKey32 + " ("));
    }
}

// Outages of DeletePrintProcessorA, and a processor folder that cannot be read.
TEST_P(RemovalDriversTest, ProcessorSpoolerRetryAndFolder)
{
    {
        int nCalls = 0;
        auto del = Replace<decltype(&DeletePrintProcessorA)>("winspool.drv", "DeletePrintProcessorA",
            [&nCalls](LPSTR pszServer, LPSTR pszEnvironment, LPSTR pszName) -> BOOL {
                if (++nCalls == 1) {
                    SetLastError(1726);
                    return FALSE;
                }
                return DeleteProcessorKey(pszServer, pszEnvironment, pszName);
            });
        MakeKey(kProcessorKey64);
        m_engine.DeleteProcessor();
        EXPECT_EQ(2, nCalls);
        EXPECT_FALSE(KeyExists(kProcessorKey64));
        EXPECT_THAT(m_commands, ElementsAre("net start spooler"));
        EXPECT_EQ((std::vector<DWORD>{2000}), m_sleeps.Pauses());
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("DeletePrintProcessor Error"));
    }
    {
        NextCase();
        auto del = FailCall<decltype(&DeletePrintProcessorA)>("winspool.drv", "DeletePrintProcessorA", 1722, -1, FALSE);
        m_engine.DeleteProcessor();
        EXPECT_EQ(2, del.Calls());
        EXPECT_FALSE(KeyExists(kProcessorKey64));
        EXPECT_THAT(m_commands, ElementsAre("net start spooler"));
        EXPECT_TRUE(HasLinesInOrder({"DeletePrintProcessor Error : (1722)", "DeleteProcessor END"}));
    }
    {
        NextCase();
        std::vector<std::string> tried;
        auto files = Replace<decltype(&DeleteFileA)>("kernel32.dll", "DeleteFileA", [&tried](LPCSTR pszPath) {
            tried.push_back(pszPath);
            return TRUE;
        });
        auto dir = FailCall<decltype(&GetPrintProcessorDirectoryA)>("winspool.drv", "GetPrintProcessorDirectoryA",
                                                                    ERROR_INVALID_ENVIRONMENT, -1, FALSE);
        m_engine.DeleteProcessor();
        EXPECT_THAT(tried, IsEmpty());
        EXPECT_EQ("DeleteProcessor END", qlxtest::TraceLines().back());
    }
}

// The four steps in the order of the removal, against a driver, monitor, processor and printer
// registered with the spooler. Where Windows would delete and Wine does not (the driver with
// DPD_DELETE_UNUSED_FILES, the processor), the deletion is done as Windows does it.
TEST_P(RemovalDriversTest, SpoolerStepsOutline)
{
    m_context.m_bWow64 = 1;
    RegisterMonitor();
    RegisterProcessor();
    RegisterDriver();
    AddTestPrinter("QLXTEST Outline");
    auto forms = FormList({"Letter", "Receipt [480]"});
    auto driver = Replace<decltype(&DeletePrinterDriverExA)>("winspool.drv", "DeletePrinterDriverExA",
        [](auto original, LPSTR pszServer, LPSTR pszEnv, LPSTR pszName, DWORD, DWORD dwVersion) {
            return original(pszServer, pszEnv, pszName, 0, dwVersion);
        });
    auto processor = Replace<decltype(&DeletePrintProcessorA)>("winspool.drv", "DeletePrintProcessorA",
                                                               DeleteProcessorKey);

    m_engine.DeletePrinterObject("QLXTEST Outline");
    m_engine.DeleteForms();
    const bool bDriver = m_engine.DeletePrinterDrv(PROFILE_MODEL_NAME);
    m_engine.DeleteLanguageMonitor();
    m_engine.DeleteProcessor();

    EXPECT_TRUE(bDriver);
    EXPECT_FALSE(PrinterExists("QLXTEST Outline"));
    EXPECT_FALSE(KeyExists(kDriverKey64));
    EXPECT_FALSE(KeyExists(kMonitorKey));
    EXPECT_FALSE(KeyExists(kProcessorKey64));
    EXPECT_FALSE(FileExists(SystemDir() + "\\" PROFILE_MONITOR_DLL));
    EXPECT_FALSE(FileExists(ProcessorDir() + "\\" PROFILE_PROCESSOR_DLL));
    std::vector<std::string> lines = {"DeleteForms BEGIN",          "FORM NAMES : Receipt [480] ",
                                      "DeleteForms END",            "DeletePrinterDrv BEGIN",
                                      "DeletePrinterDrv END",       "DeleteLanguageMonitor BEGIN",
                                      "DeleteLanguageMonitor END",  "DeleteProcessor BEGIN",
                                      "DeleteProcessor END"};
    if (!IsInstaller()) {
        lines.insert(lines.begin() + 8, "PROCESSOR NAME : " PROFILE_PROCESSOR_NAME);
    }
    // The two other copies of the monitor DLL do not exist here.
    const std::vector<std::string> all = qlxtest::TraceLines();
    std::vector<std::string> framed;
    for (const std::string& strLine : all) {
        if (strLine.compare(0, 19, "DeleteFile Error : ") != 0) {
            framed.push_back(strLine);
        }
    }
    EXPECT_EQ(lines, framed) << qlxtest::JoinLines(all);
    EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    if (IsInstaller()) {
        EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting the processor...", false, 100}));
    } else {
        EXPECT_THAT(m_context.m_notes,
                    ElementsAre(NoteCall{"Deleting forms...", false, 100}, NoteCall{"Deleting printer-drivers...", false, 100},
                                NoteCall{"Deleting L/M...", false, 100}, NoteCall{"Deleting the processor...", false, 100}));
    }
}
