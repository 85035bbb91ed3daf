// The removal engine's leftover steps under Wine, in both variants: driver files, OEM INF copies,
// the uninstall entry, USB device nodes, enumerator keys and staging folders.
#include <windows.h>
#include <setupapi.h>
#include <shlwapi.h>
#include <winspool.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "ProductProfile.h"
#include "RemovalEngine.h"
#include "RemovalFixture.h"
#include "SpoolerStage.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"

extern const char g_szTraceLogName[] = "\\QLX-480_RemovalTest.txt";

using namespace qlx::testkit;
using namespace removal_fixture;
using namespace spooler_stage;
using qlxtest::HasExactLines;
using qlxtest::HasLinesInOrder;
using testing::ElementsAre;

namespace {

const char kUninstallKey[] = PROFILE_UNINSTALL_KEY;
const char kUsbEnumKey[] = PROFILE_USB_ENUM_KEY;
const char kLptEnumKey[] = PROFILE_LPT_ENUM_KEY;

// GUID_DEVCLASS_USB
const GUID kUsbClass = {0x36fc9e60, 0xc465, 0x11cf, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Instance ids of the fake device nodes the tests make; all begin with this text.
const char kTestInstancePrefix[] = "USB\\QLXTEST";

// Every USB device instance id that exists now.
std::vector<std::string> UsbInstances()
{
    std::vector<std::string> ids;
    HDEVINFO hSet = SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES);
    if (hSet == INVALID_HANDLE_VALUE) {
        return ids;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(hSet, i, &device); ++i) {
        char szId[512] = {};
        if (SetupDiGetDeviceInstanceIdA(hSet, &device, szId, sizeof(szId), nullptr)) {
            ids.push_back(szId);
        }
    }
    SetupDiDestroyDeviceInfoList(hSet);
    return ids;
}

void RemoveTestDevices()
{
    HDEVINFO hSet = SetupDiGetClassDevsA(nullptr, "USB", nullptr, DIGCF_ALLCLASSES);
    if (hSet == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(hSet, i, &device); ++i) {
        char szId[512] = {};
        if (SetupDiGetDeviceInstanceIdA(hSet, &device, szId, sizeof(szId), nullptr) &&
            StrCmpNIA(szId, kTestInstancePrefix, lstrlenA(kTestInstancePrefix)) == 0) {
            SetupDiRemoveDevice(hSet, &device);
        }
    }
    SetupDiDestroyDeviceInfoList(hSet);
}

// A device node under "USB\QLXTEST<suffix>" with the given hardware ids (multi-string).
void MakeUsbDevice(const std::string& strSuffix, const std::string& strIds)
{
    HDEVINFO hSet = SetupDiCreateDeviceInfoList(&kUsbClass, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hSet);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    const std::string strId = std::string(kTestInstancePrefix) + strSuffix + "\\0001";
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(hSet, strId.c_str(), &kUsbClass, nullptr, nullptr, 0, &device))
        << strId << " " << GetLastError();
    ASSERT_TRUE(SetupDiRegisterDeviceInfo(hSet, &device, 0, nullptr, nullptr, nullptr)) << GetLastError();
    std::string strMulti = strIds;
    strMulti.push_back('\0');
    strMulti.push_back('\0');
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(hSet, &device, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(strMulti.data()),
                                                  static_cast<DWORD>(strMulti.size())));
    SetupDiDestroyDeviceInfoList(hSet);
}

bool HasTestDevice(const std::string& strSuffix)
{
    const std::string strId = std::string(kTestInstancePrefix) + strSuffix + "\\0001";
    for (const std::string& strFound : UsbInstances()) {
        if (lstrcmpiA(strFound.c_str(), strId.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// Minimal INF with the model line in the given section.
std::string InfText(const char* pszSection)
{
    return std::string("[Version]\r\nSignature=\"$Windows NT$\"\r\n[") + pszSection +
           "]\r\n\"KORVANE QLX-480\" = X\r\n";
}

const char* const kTestInfs[] = {"oem9901.inf", "oem9902.inf", "oem9903.inf", "qlx9904.inf", "oem9950.inf"};

// An INF list the folder cannot give (names of files that are not there): the given names, in the
// two-call form.
Hook<decltype(&SetupGetInfFileListA)> InfList(std::vector<std::string> names)
{
    std::string strList;
    for (const std::string& strName : names) {
        strList += strName;
        strList.push_back('\0');
    }
    strList.push_back('\0');
    return Replace<decltype(&SetupGetInfFileListA)>("setupapi.dll", "SetupGetInfFileListA",
        [strList](PCSTR, DWORD, PSTR pBuffer, DWORD cbBuffer, PDWORD pcbNeeded) -> BOOL {
            if (pcbNeeded != nullptr) {
                *pcbNeeded = static_cast<DWORD>(strList.size());
            }
            if (pBuffer == nullptr) {
                return TRUE;
            }
            if (cbBuffer < strList.size()) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return FALSE;
            }
            memcpy(pBuffer, strList.data(), strList.size());
            return TRUE;
        });
}

BOOL WINAPI FailingUninstallOEMInf(PCSTR, DWORD, PVOID)
{
    SetLastError(1234);
    return FALSE;
}

// Replaces what GetProcAddress finds for one name (null: the call does not exist).
Hook<decltype(&GetProcAddress)> ProcOverride(std::string strName, FARPROC pfn)
{
    return Replace<decltype(&GetProcAddress)>("kernel32.dll", "GetProcAddress",
        [strName, pfn](auto original, HMODULE hModule, LPCSTR pszName) -> FARPROC {
            if (HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 && strName == pszName) {
                return pfn;
            }
            return original(hModule, pszName);
        });
}

class RemovalTest : public RemovalFixture {
protected:
    void SetUp() override
    {
        StartTraceLog();
        Clean();
    }
    void TearDown() override { Clean(); }

    void Clean()
    {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kUsbEnumKey);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kLptEnumKey);
        for (const char* pszInf : kTestInfs) {
            DeleteFileA((WindowsDir() + "\\inf\\" + pszInf).c_str());
            std::string strPnf = WindowsDir() + "\\inf\\" + pszInf;
            strPnf.replace(strPnf.size() - 3, 3, "pnf");
            DeleteFileA(strPnf.c_str());
        }
        RemoveTree(DriverDir() + "\\" PROFILE_PNP_ID1);
        RemoveTestDevices();
    }
};

// The ten driver files, in the table's order: (folder is the version-3 folder, file).
std::vector<std::string> DriverFilePaths(bool bInstaller)
{
    const std::string strWin = WindowsDir() + "\\";
    const std::string strV3 = DriverDir() + "\\3\\";
    std::vector<std::string> paths = {strWin + PROFILE_DRIVER_DLL, strV3 + PROFILE_DRIVER_DLL,
                                      strV3 + PROFILE_GPD_NAME,    strWin + PROFILE_GPD_NAME,
                                      strV3 + PROFILE_BUD_NAME,    strV3 + PROFILE_UI_DLL,
                                      strWin + PROFILE_UI_DLL,     strWin + PROFILE_UNI_DLL,
                                      strV3 + PROFILE_UNI_DLL,     strWin + PROFILE_UI_INI_NAME};
    if (bInstaller) {
        paths.erase(paths.begin() + 1);
    }
    return paths;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Variants, RemovalTest, testing::Values(Program::Installer, Program::Uninstaller),
                         VariantName);

// The file step deletes its table with the spooler stopped, and frames itself by variant.
TEST_P(RemovalTest, DriverComponentDeletesItsFiles)
{
    const bool bMadeV3 = CreateDirectoryA((DriverDir() + "\\3").c_str(), nullptr) != FALSE;
    const std::string strV3Driver = DriverDir() + "\\3\\" PROFILE_DRIVER_DLL;
    for (const std::string& strPath : DriverFilePaths(false)) {
        ASSERT_TRUE(WriteWholeFile(strPath, "x")) << strPath;
    }
    SetFileAttributesA((WindowsDir() + "\\" PROFILE_UI_INI_NAME).c_str(), FILE_ATTRIBUTE_NORMAL);

    m_engine.DeleteDriverComponent();

    for (const std::string& strPath : DriverFilePaths(IsInstaller())) {
        EXPECT_FALSE(FileExists(strPath)) << strPath;
    }
    // The installer keeps the main driver module of the version-3 folder.
    EXPECT_EQ(IsInstaller(), FileExists(strV3Driver));
    DeleteFileA(strV3Driver.c_str());
    if (bMadeV3) {
        RemoveDirectoryA((DriverDir() + "\\3").c_str());
    }

    EXPECT_THAT(m_commands, ElementsAre("net stop spooler", "net start spooler"));
    EXPECT_EQ((std::vector<DWORD>{1500, 2000}), m_sleeps.Pauses());
    if (IsInstaller()) {
        EXPECT_TRUE(m_context.m_notes.empty());
        EXPECT_TRUE(HasExactLines({"DeleteFilesUsed BEGIN", "DeleteFilesUsed END"}));
    } else {
        EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting driver-components...", true, 100}));
        EXPECT_TRUE(HasExactLines({"DeleteDriverComponent BEGIN", "PrinterDriverDirectory : " + DriverDir(),
                                   "WindowsDirectory : " + WindowsDir(), "DeleteDriverComponent END"}));
    }
}

// Every file already gone: one line per file with the error DeleteFileA gave, and the step ends.
TEST_P(RemovalTest, DriverComponentWithNothingThere)
{
    m_engine.DeleteDriverComponent();
    const std::vector<std::string> paths = DriverFilePaths(IsInstaller());
    EXPECT_EQ(paths.size(), qlxtest::CountLinesStartingWith("DeleteFile Error : "));
    std::vector<std::string> expected;
    for (const std::string& strPath : paths) {
        const DWORD dwError = DirectoryExists(strPath.substr(0, strPath.rfind('\\'))) ? 2 : 3;
        expected.push_back("DeleteFile Error : " + strPath + " , (" + std::to_string(dwError) + ")");
    }
    expected.push_back(IsInstaller() ? "DeleteFilesUsed END" : "DeleteDriverComponent END");
    EXPECT_TRUE(HasLinesInOrder(expected));
}

// A failed directory query is traced, and the paths then start with the separator alone.
TEST_P(RemovalTest, DriverComponentWithoutDriverDirectory)
{
    auto hook = FailCall<decltype(&GetPrinterDriverDirectoryA)>("winspool.drv", "GetPrinterDriverDirectoryA", 1234,
                                                                -1, FALSE);
    m_engine.DeleteDriverComponent();
    EXPECT_TRUE(HasLinesInOrder({"GetPrinterDriverDirectory failed. (1234)",
                                 "DeleteFile Error : \\3\\" PROFILE_GPD_NAME " , (3)"}));
}

// OEM INF copies by section, WOW64 flag and OS code; the variant decides the frame.
TEST_P(RemovalTest, InfCopiesRemovedBySectionAndWindowsVersion)
{
    struct Case {
        int bWow64;
        int nOSCode;
        std::vector<std::string> gone;
        std::vector<std::string> lines;
    };
    const std::string strInf = WindowsDir() + "\\inf\\";
    const Case cases[] = {
        {1, 2010, {"oem9901.inf", "oem9902.inf"},
         {"SECTION NAME : KORVANE.NTamd64", "KEY NAME : KORVANE QLX-480", "INF File (oem9901.inf) has been deleted.",
          "INF File (oem9902.inf) has been deleted."}},
        {0, 2005, {"oem9903.inf"},
         {"SECTION NAME : KORVANE", "KEY NAME : KORVANE QLX-480",
          "'" + strInf + "oem9903.inf' has been deleted successfully."}},
        {0, 2007, {"oem9903.inf"},
         {"SECTION NAME : KORVANE", "KEY NAME : KORVANE QLX-480", "INF File (oem9903.inf) has been deleted."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bWow64) + " " + std::to_string(c.nOSCode));
        StartTraceLog();
        Clean();
        m_context.m_notes.clear();
        ASSERT_TRUE(WriteWholeFile(strInf + "oem9901.inf", InfText("KORVANE.NTamd64")));
        ASSERT_TRUE(WriteWholeFile(strInf + "oem9902.inf", InfText("korvane.ntamd64")));
        ASSERT_TRUE(WriteWholeFile(strInf + "oem9903.inf", InfText("KORVANE")));
        ASSERT_TRUE(WriteWholeFile(strInf + "qlx9904.inf", InfText("KORVANE.NTamd64")));
        m_context.m_bWow64 = c.bWow64;
        m_context.m_nOSCode = c.nOSCode;

        m_engine.DeleteINFFile();

        for (const char* pszName : {"oem9901.inf", "oem9902.inf", "oem9903.inf", "qlx9904.inf"}) {
            const bool bGone = std::find(c.gone.begin(), c.gone.end(), pszName) != c.gone.end();
            EXPECT_EQ(!bGone, FileExists(strInf + pszName)) << pszName;
        }
        std::vector<std::string> expected = c.lines;
        if (!IsInstaller()) {
            expected.insert(expected.begin(), "DeleteINFFile BEGIN");
            expected.push_back("DeleteINFFile END");
            EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting the INF file...", false, 100}));
        } else {
            EXPECT_TRUE(m_context.m_notes.empty());
        }
        // The system lists its INF folder in an order of its own.
        std::vector<std::string> lines = qlxtest::TraceLines();
        std::sort(lines.begin(), lines.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(lines, expected);
    }
}

// A copy installed with SetupCopyOEMInfA is found and removed; the line names the file.
TEST_P(RemovalTest, InfCopiedBySetupIsRemoved)
{
    ScratchDir scratch;
    const std::string strSource = scratch / "oem9950.inf";
    ASSERT_TRUE(WriteWholeFile(strSource, InfText("KORVANE.NTamd64")));
    char szDest[MAX_PATH] = {};
    ASSERT_TRUE(SetupCopyOEMInfA(strSource.c_str(), nullptr, SPOST_PATH, 0, szDest, sizeof(szDest), nullptr, nullptr))
        << GetLastError();
    const std::string strCopy = szDest;
    ASSERT_TRUE(FileExists(strCopy));

    m_engine.DeleteINFFile();

    EXPECT_FALSE(FileExists(strCopy));
    EXPECT_TRUE(HasLinesInOrder({"INF File (oem9950.inf) has been deleted."}));
}

// Nothing to find: Wine's own empty list, a list of names that do not open, an uninstall call that
// fails or does not exist.
TEST_P(RemovalTest, InfFaults)
{
    const std::string strInf = WindowsDir() + "\\inf\\";
    {
        m_engine.DeleteINFFile();  // the real list, no copy of ours in it
        EXPECT_TRUE(HasLinesInOrder({"KEY NAME : KORVANE QLX-480", "The key name was not found."}));
    }
    {
        StartTraceLog();
        auto list = InfList({"oem9999.inf", "oem99990.inf"});
        m_engine.DeleteINFFile();
        EXPECT_TRUE(HasLinesInOrder({"SetupOpenInfFile failed. 2", "SetupOpenInfFile failed. 2",
                                     "The key name was not found."}));
    }
    {
        StartTraceLog();
        ASSERT_TRUE(WriteWholeFile(strInf + "oem9901.inf", InfText("KORVANE.NTamd64")));
        auto list = InfList({"oem9901.inf"});
        auto proc = ProcOverride("SetupUninstallOEMInfA",
                                 reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailingUninstallOEMInf)));
        m_engine.DeleteINFFile();
        EXPECT_TRUE(FileExists(strInf + "oem9901.inf"));
        EXPECT_TRUE(HasLinesInOrder({"fnSetupUninstallOEMInf failed, oem9901.inf, 1234"}));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("The key name was not found."));
    }
    {
        StartTraceLog();
        auto list = InfList({"oem9901.inf"});
        auto proc = ProcOverride("SetupUninstallOEMInfA", nullptr);
        m_engine.DeleteINFFile();
        EXPECT_TRUE(FileExists(strInf + "oem9901.inf"));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("INF File"));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("fnSetupUninstallOEMInf"));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("The key name was not found."));
    }
}

// The uninstall entry: deleted in either form; a missing one returns false before the END line.
TEST_P(RemovalTest, UninstallationInfo)
{
    for (int bWow64 : {1, 0}) {
        SCOPED_TRACE(bWow64);
        StartTraceLog();
        m_context.m_bWow64 = bWow64;
        MakeKey(kUninstallKey);
        EXPECT_TRUE(m_engine.DeleteUninstallationInfo(PROFILE_MODEL_NAME));
        EXPECT_FALSE(KeyExists(kUninstallKey));
        std::vector<std::string> expected = {"DeleteUninstallationInfo BEGIN", "DeleteUninstallationInfo END"};
        if (!IsInstaller()) {
            expected.insert(expected.begin() + 1, std::string("RegKey : ") + kUninstallKey);
        }
        EXPECT_TRUE(HasExactLines(expected));

        StartTraceLog();
        EXPECT_FALSE(m_engine.DeleteUninstallationInfo(PROFILE_MODEL_NAME));
        const std::vector<std::string> lines = qlxtest::TraceLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_THAT(lines.back(), testing::StartsWith(std::string(bWow64 ? "MyRegDeleteKeyEx" : "SHDeleteKey") +
                                                      " failed : " + kUninstallKey + " ("));
        EXPECT_EQ(0u, qlxtest::CountLinesStartingWith("DeleteUninstallationInfo END"));
    }
    EXPECT_TRUE(m_context.m_notes.empty());
}

// USB device nodes: the first hardware id decides, case ignored, 21 characters compared.
TEST_P(RemovalTest, VidPidRemovesMatchingDevices)
{
    MakeUsbDevice("A", "usb\\vid_7e21&pid_0c3b&rev_0100");
    MakeUsbDevice("B", std::string("USB\\VID_1234&PID_0001") + '\0' + "USB\\Vid_7E21&Pid_0C3B");
    MakeUsbDevice("C", "USB\\Vid_7E21&Pid_0C3B");
    MakeUsbDevice("D", "USB\\Vid_7E21&Pid_0C3C");
    ASSERT_TRUE(HasTestDevice("A"));

    m_engine.DeleteVidPid(Note::Quiet);

    EXPECT_FALSE(HasTestDevice("A"));
    EXPECT_TRUE(HasTestDevice("B"));
    EXPECT_FALSE(HasTestDevice("C"));
    EXPECT_TRUE(HasTestDevice("D"));
    EXPECT_TRUE(HasExactLines({"DeleteVidPid BEGIN", "VID&PID : USB\\" PROFILE_USB_VID_PID, "DeleteVidPid END"}));
    EXPECT_TRUE(m_context.m_notes.empty());
}

// The device walk's faults: no device list, a device that cannot be removed, an enumeration
// error other than the end of the list. Each ends the walk and releases the set.
TEST_P(RemovalTest, UsbDeviceWalkFaults)
{
    MakeUsbDevice("A", "USB\\Vid_7E21&Pid_0C3B&Rev_0100");
    MakeUsbDevice("C", "USB\\Vid_7E21&Pid_0C3B");
    const char* pszPrefix = "USB\\" PROFILE_USB_VID_PID;
    auto destroys = Replace<decltype(&SetupDiDestroyDeviceInfoList)>("setupapi.dll", "SetupDiDestroyDeviceInfoList",
        [](auto original, HDEVINFO hSet) { return original(hSet); });
    {
        auto hook = FailCall<decltype(&SetupDiGetClassDevsA)>("setupapi.dll", "SetupDiGetClassDevsA",
                                                              ERROR_INVALID_PARAMETER, 1, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(m_engine.RemoveUsbDevices(pszPrefix));
        EXPECT_EQ(0, destroys.Calls());
    }
    {
        auto hook = FailCall<decltype(&SetupDiRemoveDevice)>("setupapi.dll", "SetupDiRemoveDevice", 5, -1, FALSE);
        EXPECT_FALSE(m_engine.RemoveUsbDevices(pszPrefix));
        EXPECT_EQ(1, hook.Calls());  // the first match ends the walk
        EXPECT_EQ(1, destroys.Calls());
    }
    {
        auto hook = FailCall<decltype(&SetupDiEnumDeviceInfo)>("setupapi.dll", "SetupDiEnumDeviceInfo",
                                                               ERROR_INVALID_HANDLE, -1, FALSE);
        EXPECT_FALSE(m_engine.RemoveUsbDevices(pszPrefix));
        EXPECT_EQ(1, hook.Calls());
        EXPECT_EQ(2, destroys.Calls());
    }
    EXPECT_TRUE(HasTestDevice("A"));
    EXPECT_TRUE(HasTestDevice("C"));
    {
        auto hook = FailCall<decltype(&SetupDiGetDeviceRegistryPropertyA)>(
            "setupapi.dll", "SetupDiGetDeviceRegistryPropertyA", ERROR_INSUFFICIENT_BUFFER, -1, FALSE);
        EXPECT_TRUE(m_engine.RemoveUsbDevices(pszPrefix));  // unreadable ids: skipped
        EXPECT_TRUE(HasTestDevice("A"));
    }
    EXPECT_TRUE(m_engine.RemoveUsbDevices(pszPrefix));
    EXPECT_FALSE(HasTestDevice("A"));
    EXPECT_FALSE(HasTestDevice("C"));
    // Overlong and odd prefixes never read or write past the prefix buffer.
    EXPECT_TRUE(m_engine.RemoveUsbDevices(std::string(300, 'U').c_str()));
    EXPECT_TRUE(m_engine.RemoveUsbDevices(""));
}

// The enumerator keys: granted, traced and deleted, with their subkeys where the rule reaches them.
TEST_P(RemovalTest, LptUsbInfoDeletesEnumeratorKeys)
{
    const std::string strUsb = kUsbEnumKey;
    const std::string strLpt = kLptEnumKey;
    const std::vector<std::string> keyLines = {"Delete_LPT_USB_Info BEGIN", "REGKEY_1 : HKLM\\" + strUsb,
                                               "REGKEY_2 : " + strUsb,        "REGKEY_1 : HKLM\\" + strLpt,
                                               "REGKEY_2 : " + strLpt,        "Delete_LPT_USB_Info END"};
    // Without WOW64 the whole tree goes.
    m_context.m_bWow64 = 0;
    MakeKey(strUsb + "\\7&2a3b4c5d&0&USB001\\Device Parameters");
    MakeKey(strLpt + "\\LPT1.1");
    m_engine.Delete_LPT_USB_Info(Note::Quiet);
    EXPECT_FALSE(KeyExists(strUsb));
    EXPECT_FALSE(KeyExists(strLpt));
    EXPECT_TRUE(HasExactLines(keyLines));

    // Under WOW64 the 64-bit view; a key with subkeys is refused there and traced.
    StartTraceLog();
    m_context.m_bWow64 = 1;
    MakeKey(strUsb);
    MakeKey(strLpt + "\\LPT1.1");
    m_engine.Delete_LPT_USB_Info(Note::Quiet);
    EXPECT_FALSE(KeyExists(strUsb));
    EXPECT_TRUE(KeyExists(strLpt));
    const std::vector<std::string> lines = qlxtest::TraceLines();
    ASSERT_EQ(7u, lines.size()) << qlxtest::JoinLines(lines);
    EXPECT_THAT(lines[5], testing::StartsWith("MyRegDeleteKeyEx failed : " + strLpt + " ("));
    EXPECT_TRUE(m_context.m_notes.empty());
}

// Keys that do not exist: each gets its failure line, and the step still ends.
TEST_P(RemovalTest, LptUsbInfoWithoutKeys)
{
    m_context.m_bWow64 = 0;
    m_engine.Delete_LPT_USB_Info(Note::Quiet);
    EXPECT_EQ(2u, qlxtest::CountLinesStartingWith("SHDeleteKey failed : SYSTEM\\CurrentControlSet\\Enum\\"));
    const std::vector<std::string> lines = qlxtest::TraceLines();
    ASSERT_EQ(8u, lines.size()) << qlxtest::JoinLines(lines);
    EXPECT_THAT(lines[3], testing::StartsWith("SHDeleteKey failed : " + std::string(kUsbEnumKey) + " ("));
    EXPECT_THAT(lines[6], testing::StartsWith("SHDeleteKey failed : " + std::string(kLptEnumKey) + " ("));
    EXPECT_EQ("Delete_LPT_USB_Info END", lines[7]);
}

// The staging folders go with their content; both lines name the same folder.
TEST_P(RemovalTest, PnPDirectoryRemoved)
{
    const std::string strFolder = DriverDir() + "\\" PROFILE_PNP_ID1;
    ASSERT_TRUE(CreateDirectoryA(strFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((strFolder + "\\x64").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(strFolder + "\\x64\\QLX480.dll", "x"));
    ASSERT_TRUE(WriteWholeFile(strFolder + "\\qlx480.inf", "x"));
    SetFileAttributesA((strFolder + "\\qlx480.inf").c_str(), FILE_ATTRIBUTE_READONLY);

    m_engine.DeletePrnDrvPnPDirectory(Note::Quiet);

    EXPECT_FALSE(DirectoryExists(strFolder));
    EXPECT_TRUE(HasExactLines({"DeletePrnDrvPnPDirectory BEGIN", "DIR PATH-1 : " + strFolder + " ",
                               "DIR PATH-2 : " + strFolder + " ", "DeletePrnDrvPnPDirectory END"}));
}

// The removal form shows the note (with a bar step in the uninstaller); the quiet form none.
TEST_P(RemovalTest, LeftoverStepNotes)
{
    m_engine.DeleteVidPid(Note::Shown);
    m_engine.Delete_LPT_USB_Info(Note::Shown);
    m_engine.DeletePrnDrvPnPDirectory(Note::Shown);
    const bool bBar = !IsInstaller();
    EXPECT_THAT(m_context.m_notes, ElementsAre(NoteCall{"Deleting Vid & Pid info...", bBar, 500},
                                               NoteCall{"Deleting information of LPT and USB...", bBar, 500},
                                               NoteCall{"Deleting PNP directories...", bBar, 500}));
    m_context.m_notes.clear();
    m_engine.DeleteVidPid(Note::Quiet);
    m_engine.Delete_LPT_USB_Info(Note::Quiet);
    m_engine.DeletePrnDrvPnPDirectory(Note::Quiet);
    EXPECT_TRUE(m_context.m_notes.empty());
}

// The leftover steps in the order of the removal: their lines in the order of the trace outline.
TEST_P(RemovalTest, LeftoverOutline)
{
    m_context.m_bWow64 = 1;
    MakeKey(kUsbEnumKey);
    MakeKey(kLptEnumKey);
    MakeKey(kUninstallKey);
    const std::string strFolder = DriverDir() + "\\" PROFILE_PNP_ID1;
    ASSERT_TRUE(CreateDirectoryA(strFolder.c_str(), nullptr));

    m_engine.DeleteUninstallationInfo(PROFILE_MODEL_NAME);
    m_engine.DeleteVidPid();
    m_engine.Delete_LPT_USB_Info();
    m_engine.DeletePrnDrvPnPDirectory();

    std::vector<std::string> expected = {
        "DeleteUninstallationInfo BEGIN", "DeleteUninstallationInfo END",
        "DeleteVidPid BEGIN", "VID&PID : USB\\" PROFILE_USB_VID_PID, "DeleteVidPid END",
        "Delete_LPT_USB_Info BEGIN", "REGKEY_1 : HKLM\\" PROFILE_USB_ENUM_KEY, "REGKEY_2 : " PROFILE_USB_ENUM_KEY,
        "REGKEY_1 : HKLM\\" PROFILE_LPT_ENUM_KEY, "REGKEY_2 : " PROFILE_LPT_ENUM_KEY, "Delete_LPT_USB_Info END",
        "DeletePrnDrvPnPDirectory BEGIN", "DIR PATH-1 : " + strFolder + " ", "DIR PATH-2 : " + strFolder + " ",
        "DeletePrnDrvPnPDirectory END"};
    if (!IsInstaller()) {
        expected.insert(expected.begin() + 1, "RegKey : " PROFILE_UNINSTALL_KEY);
    }
    EXPECT_TRUE(HasExactLines(expected));
    EXPECT_FALSE(KeyExists(kUsbEnumKey));
    EXPECT_FALSE(KeyExists(kLptEnumKey));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(DirectoryExists(strFolder));
}
