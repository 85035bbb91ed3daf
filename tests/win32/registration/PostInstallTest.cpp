// Post-install registration and the building blocks of the manual path (staging, INF check),
// against Wine's registry, file system and INF calls. The INF list (Wine lists nothing) is injected
// and the INF copy gets the full path of its relative source, which Wine fails with 2.
#include <algorithm>

#include "InstallFixture.h"

#include "BoundedText.h"
#include "ProductProfile.h"

using namespace install_fixture;

namespace {

TEST_F(InstallPaths, PrinterDrvExistMatchesTheExactNameAndRetriesOnceWhenTheSpoolerIsDown)
{
    EXPECT_EQ(m_engine.PrinterDrvExist(kDriverName), 0);
    EXPECT_TRUE(HasLinesInOrder({"PrinterDrvExist BEGIN", "KORVANE QLX-480 PRINTER DRIVER DOES NOT EXIST.",
                                 "PrinterDrvExist END"}));
    EXPECT_EQ(m_notes, (std::vector<std::string>{"Checking existing drivers...\r\n"}));
    EXPECT_EQ(m_sleeps.Pauses(), (std::vector<DWORD>{500}));

    InstallDriverBefore();
    const struct {
        const char* pszName;
        DWORD dwError;  // error of the failing enumeration calls (0: none)
        int nFailures;  // calls that fail, size queries included (-1: all)
        int nResult;
        std::vector<DWORD> pauses;
    } cases[] = {
        {"KORVANE QLX-480", 0, 0, 1, {500}},
        {"korvane qlx-480", 0, 0, 0, {500}},
        {"KORVANE QLX-48", 0, 0, 0, {500}},
        {"KORVANE QLX-480", 1722, 2, 1, {500, 2000}},
        {"KORVANE QLX-480", 1722, -1, 0, {500, 2000}},
        {"KORVANE QLX-480", 1726, 2, 0, {500}},
        {"KORVANE QLX-480", ERROR_ACCESS_DENIED, 2, 0, {500}},
    };
    for (const auto& c : cases) {
        ClearRecords();
        int nResult = -1;
        if (c.dwError != 0) {
            auto fail = FailCall<decltype(&EnumPrinterDriversA)>("winspool.drv", "EnumPrinterDriversA", c.dwError,
                                                                 c.nFailures, FALSE);
            nResult = m_engine.PrinterDrvExist(c.pszName);
        } else {
            nResult = m_engine.PrinterDrvExist(c.pszName);
        }
        EXPECT_EQ(nResult, c.nResult) << c.pszName << " " << c.dwError;
        EXPECT_EQ(m_sleeps.Pauses(), c.pauses) << c.pszName << " " << c.dwError;
        EXPECT_EQ(CountLines(std::string(c.pszName) + (c.nResult ? " PRINTER DRIVER EXISTS." : " PRINTER DRIVER DOES NOT EXIST.")),
                  1u);
    }
}

TEST_F(InstallPaths, StagingCopiesTheOwnFilesIntoTheWindowsFolderOnly32BitBeforeVista)
{
    const struct {
        int bWow64;
        int nOSCode;
        bool bWindowsCopies;
    } cases[] = {{0, 2005, true}, {0, 2004, true}, {0, 2007, false}, {1, 2005, false}};
    for (const auto& c : cases) {
        ClearRecords();
        SetUpEngine(c.bWow64, c.nOSCode);
        m_engine.CopyFilesNeededToAddPrnDrv();
        // The engine takes ".\Driver32\" without WOW64; the package here only has Driver64.
        const std::string strDriverDir = c.bWow64 ? ".\\Driver64\\" : ".\\Driver32\\";
        size_t nSourceLines = 0;
        for (const std::string& strLine : TraceLines()) {
            nSourceLines += strLine.rfind("FILE SRC : " + strDriverDir, 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(nSourceLines, c.bWindowsCopies ? 15u : 10u) << c.bWow64 << " " << c.nOSCode;
        if (c.bWow64) {
            for (const char* pszFile : kDriverFiles) {
                EXPECT_TRUE(FileExists(DriverDir() + "\\" + pszFile)) << pszFile;
            }
        }
        m_engine.DeleteFilesUsed();
        for (const char* pszFile : kDriverFiles) {
            EXPECT_FALSE(FileExists(DriverDir() + "\\" + pszFile)) << pszFile;
        }
        EXPECT_EQ(m_sleeps.Pauses(), (std::vector<DWORD>{500, 500}));
    }

    // Copies into the Windows folder stay after the staging copies are deleted.
    ::CreateDirectoryA((m_scratch / "Driver32").c_str(), nullptr);
    for (const char* pszFile : kDriverFiles) {
        ASSERT_TRUE(::CopyFileA((m_scratch / "Driver64\\" + pszFile).c_str(), (m_scratch / "Driver32\\" + pszFile).c_str(),
                                FALSE));
    }
    SetUpEngine(0, 2005);
    m_engine.CopyFilesNeededToAddPrnDrv();
    m_engine.DeleteFilesUsed();
    for (const char* pszFile : kOwnFiles) {
        EXPECT_EQ(ReadWholeFile(WindowsDir() + "\\" + pszFile), ReadWholeFile(m_scratch / "Driver32\\" + pszFile))
            << pszFile;
        EXPECT_FALSE(FileExists(DriverDir() + "\\" + pszFile)) << pszFile;
    }
    EXPECT_FALSE(FileExists(WindowsDir() + "\\STDNAMES.GPD"));
    EXPECT_FALSE(FileExists(WindowsDir() + "\\UNIDRV.DLL"));
}

TEST_F(InstallPaths, DeletingStagingCopiesThatAreGoneLogsEachOwnFile)
{
    m_engine.DeleteFilesUsed();
    const std::string strDir = DriverDir();
    EXPECT_TRUE(HasLinesInOrder({
        "FILE SRC : " + strDir + "\\UNIRES.DLL",
        "FILE SRC : " + strDir + "\\QLX480.dll",
        "DeleteFile Error : " + strDir + "\\QLX480.dll , (2)",
        "FILE SRC : " + strDir + "\\QLUI480.INI",
        "DeleteFile Error : " + strDir + "\\QLUI480.INI , (2)",
        "FILE SRC : " + strDir + "\\STDNAMES.GPD",
        "DeleteFile Error : " + strDir + "\\STDNAMES.GPD , (2)",
        "DeleteFilesUsed END",
    }));
    for (const std::string& strLine : TraceLines()) {
        EXPECT_EQ(strLine.find("UNIDRV.DLL , "), std::string::npos) << "no check on the universal files";
    }
}

// ---------------------------------------------------------------------------------------------
// INF check

TEST_F(InstallPaths, InfFileExistLooksAtLowerCaseOemFilesOfTheSystemList)
{
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem91.inf", kInfWithModel64));
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem92.inf", kInfWithModel64));
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\OEM93.inf", kInfWithModel64));
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem94.inf", kInfWithModel32));

    // The real list of the INF folder, in whatever order the system gives it.
    const struct {
        int bWow64;
        std::vector<std::string> existing;
    } cases[] = {
        {1, {"oem91.inf", "oem92.inf"}},
        {0, {"oem94.inf"}},
    };
    for (const auto& c : cases) {
        ClearRecords();
        SetUpEngine(c.bWow64, 2010);
        EXPECT_EQ(m_engine.INFFileExist("KORVANE", kDriverName), 1) << c.bWow64;
        std::vector<std::string> existing;
        for (const std::string& strLine : TraceLines()) {
            if (strLine.rfind("OEM FILES EXISTING : ", 0) == 0) {
                existing.push_back(strLine.substr(21));
            }
        }
        std::sort(existing.begin(), existing.end());
        EXPECT_EQ(existing, c.existing);
        EXPECT_TRUE(HasLinesInOrder({"INFFileExist BEGIN",
                                     c.bWow64 ? "SECTION NAME : KORVANE.NTamd64" : "SECTION NAME : KORVANE",
                                     "KEY NAME : KORVANE QLX-480", "INFFileExist END"}));
    }

    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem91.inf", kInfOther));
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem92.inf", kInfOther));
    SetUpEngine(1, 2010);
    EXPECT_EQ(m_engine.INFFileExist("KORVANE", kDriverName), 0);

    // Lists the folder cannot give: a name that does not open is skipped with its error, and a
    // last name without its zero byte is still read inside the list.
    std::string strList;
    auto list = Replace<decltype(&SetupGetInfFileListA)>("setupapi.dll", "SetupGetInfFileListA",
        [&strList](auto, PCSTR, DWORD, PSTR pszBuffer, DWORD cbBuffer, PDWORD pcbRequired) -> BOOL {
            *pcbRequired = static_cast<DWORD>(strList.size());
            if (pszBuffer != nullptr && cbBuffer >= strList.size()) {
                std::memcpy(pszBuffer, strList.data(), strList.size());
            }
            return TRUE;
        });
    ASSERT_TRUE(WriteWholeFile(InfDir() + "\\oem92.inf", kInfWithModel64));
    for (const std::string& strCase : {std::string("oem99.inf\0oem92.inf\0\0", 21), std::string("oe\0o\0oem92.inf", 14)}) {
        ClearRecords();
        strList = strCase;
        EXPECT_EQ(m_engine.INFFileExist("KORVANE", kDriverName), 1) << strCase.size();
        EXPECT_EQ(CountLines("OEM FILES EXISTING : oem92.inf"), 1u);
        EXPECT_EQ(CountLines("SetupOpenInfFile failed. 2"), strCase.size() == 21 ? 1u : 0u) << JoinLines(TraceLines());
    }
}

// ---------------------------------------------------------------------------------------------
// Post-install registration

// The package INF goes to the call by its full path; the uninstall entry names the copy.
TEST_F(InstallPaths, InfCopyTakesTheFullPathOfThePackageInfAndTheEntryNamesTheCopy)
{
    const std::string strSource = m_scratch / "qlx480.inf";
    m_engine.CopyINFFile();
    ASSERT_EQ(m_infSources.size(), 1u);
    EXPECT_EQ(m_infSources[0].strSource, strSource);
    EXPECT_EQ(m_infSources[0].dwStyle, static_cast<DWORD>(SP_COPY_NOOVERWRITE));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(HasLinesInOrder({"CopyINFFile BEGIN", "Inf File Name : " + strSource, "Inf File Name : " + strSource,
                                 "INF FILE NAME : " + InfDir() + "\\qlx480.inf", "CopyINFFile END"}));
    EXPECT_TRUE(FileExists(InfDir() + "\\qlx480.inf"));

    m_engine.RegisterUninstallInfo();
    ExpectTextValue("InfFile", InfDir() + "\\qlx480.inf");
}

TEST_F(InstallPaths, FailedInfCopyShowsTheErrorBoxAndLeavesNoInfFileValue)
{
    m_dwFailInfCopyWith = ERROR_FILE_NOT_FOUND;
    m_engine.CopyINFFile();
    EXPECT_EQ(m_engine.m_strInfName, "");
    const auto boxes = m_boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].strText, "SetupCopyOEMInf, ERR CODE: 2\n\n" + SystemText(2));
    EXPECT_TRUE(HasLinesInOrder({"SetupCopyOEMInf failed : (2)", "INF FILE NAME : ", "CopyINFFile END"}));

    m_engine.RegisterUninstallInfo();
    EXPECT_EQ(EntryShape(), std::make_pair(10, 0));
    EXPECT_FALSE(ReadEntryValue("InfFile").bFound);
}

TEST_F(InstallPaths, InfAlreadyInstalledIsReplacedInPlaceWithoutABox)
{
    m_engine.CopyINFFile();
    ASSERT_EQ(m_engine.m_strInfName, InfDir() + "\\qlx480.inf");
    m_engine.m_strInfName = "qlx480.inf";
    ClearRecords();

    m_engine.CopyINFFile();
    EXPECT_EQ(m_engine.m_strInfName, InfDir() + "\\qlx480.inf");
    EXPECT_EQ(m_boxes.Count(), 0u);
    ASSERT_EQ(m_infSources.size(), 2u);
    EXPECT_EQ(m_infSources[0].dwStyle, static_cast<DWORD>(SP_COPY_NOOVERWRITE));
    EXPECT_EQ(m_infSources[1].dwStyle, static_cast<DWORD>(SP_COPY_REPLACEONLY));
    EXPECT_EQ(m_infSources[1].strSource, m_scratch / "qlx480.inf");
    for (const std::string& strLine : TraceLines()) {
        EXPECT_EQ(strLine.find("failed"), std::string::npos) << strLine;
    }
}

TEST_F(InstallPaths, UninstallEntryIsMadeAfreshWithOnlyItsOwnValues)
{
    // An older entry with values and subkeys of its own, in the 64-bit view.
    HKEY hKey = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstallKey) + "\\Sub\\Deeper").c_str(), 0, nullptr, 0,
                                KEY_WRITE | KEY_WOW64_64KEY, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(hKey);
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr,
                                &hKey, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(hKey, "Publisher", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
    ::RegSetValueExA(hKey, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("old"), 4);
    ::RegCloseKey(hKey);

    m_engine.m_strInfName = "C:\\windows\\inf\\oem7.inf";
    m_engine.RegisterUninstallInfo();
    EXPECT_EQ(EntryShape(), std::make_pair(11, 0));
    ExpectTextValue("DisplayName", kDisplayName);
    ExpectTextValue("UninstallString", ProductDir() + "\\QLX480_Uninstaller.exe");
    ExpectTextValue("InfFile", "C:\\windows\\inf\\oem7.inf");
    ExpectTextValue("Publisher", "KORVANE");
    for (const std::string& strLine : TraceLines()) {
        EXPECT_EQ(strLine.find("failed"), std::string::npos) << strLine;
    }
}

TEST_F(InstallPaths, UninstallEntryThatCannotBeCreatedGetsNoValues)
{
    auto fail = FailCall<decltype(&RegCreateKeyExA)>("advapi32.dll", "RegCreateKeyExA", ERROR_ACCESS_DENIED, -1,
                                                     static_cast<LONG>(ERROR_ACCESS_DENIED));
    m_engine.RegisterUninstallInfo();
    EXPECT_EQ(EntryShape(), std::make_pair(-1, -1));
    EXPECT_TRUE(HasLinesInOrder({"RegisterUninstallInfo BEGIN",
                                 std::string("RegCreateKeyEx failed : ") + kUninstallKey + ", (5) ",
                                 "RegisterUninstallInfo END"}));
}

TEST_F(InstallPaths, ProductFolderIsMadeAnewWithTheUninstallerAndSettings)
{
    ASSERT_TRUE(::CreateDirectoryA(ProductDir().c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(ProductDir() + "\\stale.txt", "old"));

    m_engine.CopyFilesOfUtilities();
    EXPECT_FALSE(FileExists(ProductDir() + "\\stale.txt"));
    EXPECT_TRUE(FileExists(ProductDir() + "\\QLX480_Uninstaller.exe"));
    EXPECT_TRUE(FileExists(ProductDir() + "\\QLX480_Config.KVN"));
    EXPECT_TRUE(FileExists(SystemDir() + "\\QLX480_Config.KVN"));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(m_sleeps.Pauses().empty());

    // Without a settings file in the package its two copies fail with 2, which is only logged.
    RemoveTree(ProductDir());
    DeleteIfThere(SystemDir() + "\\QLX480_Config.KVN");
    ASSERT_TRUE(::DeleteFileA((m_scratch / "QLX480_Config.KVN").c_str()));
    ClearRecords();
    m_engine.CopyFilesOfUtilities();
    EXPECT_TRUE(FileExists(ProductDir() + "\\QLX480_Uninstaller.exe"));
    EXPECT_FALSE(FileExists(ProductDir() + "\\QLX480_Config.KVN"));
    EXPECT_FALSE(FileExists(SystemDir() + "\\QLX480_Config.KVN"));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(CountLines("FILE SRC : QLX480_Config.KVN"), 2u);
}

// A model name that names no folder of its own: nothing is made, emptied or removed in the Windows
// directory in its place, and the entry gets no uninstaller path.
TEST_F(InstallPaths, ProductFolderNeedsAModelName)
{
    for (const char* pszModel : {"", ".."}) {
        auto strings = Replace<decltype(&LoadStringA)>("user32.dll", "LoadStringA",
            [pszModel](auto original, HINSTANCE hInstance, UINT nId, LPSTR pszBuf, int cchBuf) -> int {
                if (nId != IDS_MODEL_NAME || cchBuf <= 0) {
                    return original(hInstance, nId, pszBuf, cchBuf);
                }
                CopyText(pszBuf, static_cast<size_t>(cchBuf), pszModel);
                return static_cast<int>(std::strlen(pszBuf));
            });
        // Searches inside the Windows directory: the start of emptying a folder there.
        std::vector<std::string> searched;
        auto finds = Replace<decltype(&FindFirstFileA)>("kernel32.dll", "FindFirstFileA",
            [&searched](auto original, LPCSTR pszPattern, LPWIN32_FIND_DATAA pData) {
                if (::StrCmpNIA(pszPattern, WindowsDir().c_str(), static_cast<int>(WindowsDir().size())) == 0) {
                    searched.push_back(pszPattern);
                }
                return original(pszPattern, pData);
            });
        // Refused, so that a regression cannot reach the emptying of the folder it names.
        auto creates = FailCall<decltype(&CreateDirectoryA)>("kernel32.dll", "CreateDirectoryA", ERROR_ACCESS_DENIED,
                                                             -1, FALSE);

        m_engine.RegisterUninstallInfo();
        m_engine.CopyFilesOfUtilities();

        EXPECT_EQ(creates.Calls(), 0) << pszModel;
        EXPECT_EQ(searched, std::vector<std::string>{}) << pszModel;
        EXPECT_TRUE(DirectoryExists(WindowsDir() + "\\system32")) << pszModel;
        EXPECT_FALSE(ReadEntryValue("UninstallString").bFound) << pszModel;
    }
}

}  // namespace
