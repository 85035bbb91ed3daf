// Registry utilities against Wine's registry: the deletion rule in both forms, the grant through a
// path text and a permission text, and the grant followed by the deletion.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlwapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RegUtil.h"
#include "Testkit.h"
#include "TraceLines.h"
#include "TraceLog.h"

using namespace qlx::testkit;
using qlxtest::HasExactLines;
using qlxtest::HasLinesInOrder;

namespace {

const char kScratch[] = "SOFTWARE\\QLX480UtilTest";

bool KeyExists(const std::string& strKey, REGSAM samView = KEY_WOW64_64KEY)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(hKey);
    return true;
}

void MakeKey(const std::string& strKey, REGSAM samView = KEY_WOW64_64KEY)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS | samView, nullptr, &hKey, nullptr))
        << strKey;
    RegCloseKey(hKey);
}

// The access list of a key as SDDL text.
std::string KeyDacl(const std::string& strKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, READ_CONTROL | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return "<no key>";
    }
    PSECURITY_DESCRIPTOR pSd = nullptr;
    std::string strText;
    if (GetSecurityInfo(hKey, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &pSd) ==
        ERROR_SUCCESS) {
        LPSTR pszSddl = nullptr;
        if (ConvertSecurityDescriptorToStringSecurityDescriptorA(pSd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                 &pszSddl, nullptr)) {
            strText = pszSddl;
            LocalFree(pszSddl);
        }
        LocalFree(pSd);
    }
    RegCloseKey(hKey);
    return strText;
}

// Gives Everyone full control of a key and every key below it, so that the tree can go.
void OpenUp(HKEY hParent, const char* pszKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(hParent, pszKey, 0, WRITE_DAC | READ_CONTROL | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return;
    }
    PSECURITY_DESCRIPTOR pSd = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;CI;KA;;;WD)", SDDL_REVISION_1, &pSd, nullptr)) {
        BOOL bPresent = FALSE, bDefaulted = FALSE;
        PACL pDacl = nullptr;
        GetSecurityDescriptorDacl(pSd, &bPresent, &pDacl, &bDefaulted);
        SetSecurityInfo(hKey, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, pDacl, nullptr);
        LocalFree(pSd);
    }
    RegCloseKey(hKey);
    if (RegOpenKeyExA(hParent, pszKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return;
    }
    char szName[256];
    for (DWORD i = 0;; ++i) {
        DWORD cchName = sizeof(szName);
        if (RegEnumKeyExA(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        OpenUp(hKey, szName);
    }
    RegCloseKey(hKey);
}

class RegUtilTest : public testing::Test {
protected:
    void SetUp() override
    {
        StartTraceLog();
        Clean();
    }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        // Keys a test left protected are opened up again first.
        OpenUp(HKEY_LOCAL_MACHINE, kScratch);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kScratch);
        HKEY h32 = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &h32) == ERROR_SUCCESS) {
            SHDeleteKeyA(h32, "QLX480UtilTest");
            RegCloseKey(h32);
        }
    }
    static std::string Sub(const char* pszName) { return std::string(kScratch) + "\\" + pszName; }
};

// RegDeleteKeyExA stand-ins reached through the run-time lookup.
LONG WINAPI FailingRegDeleteKeyEx(HKEY, LPCSTR, REGSAM, DWORD)
{
    SetLastError(4321);
    return ERROR_ACCESS_DENIED;
}

}  // namespace

// The deletion rule: which keys each form removes and which line a failure leaves.
TEST_F(RegUtilTest, DeletionRuleByFormAndShape)
{
    struct Case {
        const char* pszName;
        int bWow64;
        bool bWithSubkey;
        bool bCreate;
        bool bDeleted;
        const char* pszFailure;  // start of the failure line, or null
    };
    const Case cases[] = {
        {"view64 leaf", 1, false, true, true, nullptr},
        {"view64 with subkey", 1, true, true, false, "MyRegDeleteKeyEx failed : "},
        {"view64 missing", 1, false, false, false, "MyRegDeleteKeyEx failed : "},
        {"shdelete tree", 0, true, true, true, nullptr},
        {"shdelete leaf", 0, false, true, true, nullptr},
        {"shdelete missing", 0, false, false, false, "SHDeleteKey failed : "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        StartTraceLog();
        Clean();
        const std::string strKey = Sub("Target");
        if (c.bCreate) {
            MakeKey(c.bWithSubkey ? strKey + "\\1&2345&0&1" : strKey);
        }
        EXPECT_EQ(c.bDeleted, DeleteRegKeyByRule(strKey.c_str(), c.bWow64));
        EXPECT_EQ(c.bCreate && !c.bDeleted, KeyExists(strKey));
        const std::vector<std::string> lines = qlxtest::TraceLines();
        if (c.pszFailure == nullptr) {
            EXPECT_TRUE(lines.empty()) << qlxtest::JoinLines(lines);
        } else {
            ASSERT_EQ(1u, lines.size()) << qlxtest::JoinLines(lines);
            EXPECT_THAT(lines[0], testing::AllOf(testing::StartsWith(std::string(c.pszFailure) + strKey + " ("),
                                                 testing::EndsWith(") ")));
        }
    }
}

// Under WOW64 the key goes in the 64-bit view; the 32-bit view's key of the same name stays.
TEST_F(RegUtilTest, Wow64DeletionUsesThe64BitView)
{
    MakeKey(kScratch, KEY_WOW64_64KEY);
    MakeKey(kScratch, KEY_WOW64_32KEY);
    ASSERT_TRUE(KeyExists("SOFTWARE\\Wow6432Node\\QLX480UtilTest"));

    EXPECT_TRUE(DeleteRegKeyByRule(kScratch, 1));
    EXPECT_FALSE(KeyExists(kScratch, KEY_WOW64_64KEY));
    EXPECT_TRUE(KeyExists(kScratch, KEY_WOW64_32KEY));
}

// The failure lines carry the status the call returned, not whatever the last error holds.
TEST_F(RegUtilTest, FailureLinesCarryTheReturnedStatus)
{
    {
        auto hook = Replace<decltype(&SHDeleteKeyA)>("shlwapi.dll", "SHDeleteKeyA", [](HKEY, LPCSTR) -> LSTATUS {
            SetLastError(1234);
            return ERROR_FILE_NOT_FOUND;
        });
        EXPECT_FALSE(DeleteRegKeyByRule("SOFTWARE\\Some\\Key", 0));
    }
    {
        auto hook = Replace<decltype(&GetProcAddress)>("kernel32.dll", "GetProcAddress",
            [](auto original, HMODULE hModule, LPCSTR pszName) -> FARPROC {
                if (HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 && lstrcmpA(pszName, "RegDeleteKeyExA") == 0) {
                    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailingRegDeleteKeyEx));
                }
                return original(hModule, pszName);
            });
        EXPECT_FALSE(DeleteRegKeyByRule("SOFTWARE\\Some\\Key", 1));
    }
    EXPECT_TRUE(HasExactLines({"SHDeleteKey failed : SOFTWARE\\Some\\Key (2) ",
                               "MyRegDeleteKeyEx failed : SOFTWARE\\Some\\Key (5) "}));
}

// RegDeleteKeyExA is looked up in Advapi32 at every call; without it the status is -1 and
// nothing is deleted.
TEST_F(RegUtilTest, MyRegDeleteKeyExLooksUpEveryCall)
{
    MakeKey(Sub("A"));
    MakeKey(Sub("B"));
    std::vector<std::string> lookups;
    bool bMissing = false;
    auto hook = Replace<decltype(&GetProcAddress)>("kernel32.dll", "GetProcAddress",
        [&](auto original, HMODULE hModule, LPCSTR pszName) -> FARPROC {
            if (HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 && lstrcmpA(pszName, "RegDeleteKeyExA") == 0) {
                lookups.push_back(hModule == GetModuleHandleA("advapi32.dll") ? "advapi32" : "other");
                if (bMissing) {
                    return nullptr;
                }
            }
            return original(hModule, pszName);
        });

    EXPECT_EQ(ERROR_SUCCESS, MyRegDeleteKeyEx(HKEY_LOCAL_MACHINE, Sub("A").c_str(), KEY_WOW64_64KEY, 0));
    bMissing = true;
    EXPECT_EQ(-1, MyRegDeleteKeyEx(HKEY_LOCAL_MACHINE, Sub("B").c_str(), KEY_WOW64_64KEY, 0));
    EXPECT_FALSE(KeyExists(Sub("A")));
    EXPECT_TRUE(KeyExists(Sub("B")));
    bMissing = false;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, MyRegDeleteKeyEx(HKEY_LOCAL_MACHINE, Sub("A").c_str(), KEY_WOW64_64KEY, 0));
    EXPECT_EQ((std::vector<std::string>{"advapi32", "advapi32", "advapi32"}), lookups);
}

// Path texts of every shape: the stated codes, and the key that opens.
TEST_F(RegUtilTest, OpenRegKeyByPathShapes)
{
    MakeKey(kScratch);
    char szComputer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD cchComputer = sizeof(szComputer);
    GetComputerNameA(szComputer, &cchComputer);

    constexpr DWORD kAnyFailure = 0xFFFFFFFF;  // the registry's own refusal of an overlong name
    const std::string strLong(600, 'A');
    const std::string strLongSubkey = "HKLM\\" + std::string(700, 'k');
    struct Case {
        std::string strPath;
        DWORD dwResult;
        bool bPredefined;
    };
    const Case cases[] = {
        {"HKLM\\SOFTWARE\\QLX480UtilTest", 0, false},
        {"hkey_local_machine\\SOFTWARE", 0, false},
        {"HkLm\\software\\qlx480utiltest", 0, false},
        {"HKU", 0, true},
        {"HKLM\\", 0, true},
        {std::string("\\\\") + szComputer + "\\HKLM\\SOFTWARE\\QLX480UtilTest", 0, false},
        {"HKLMX\\SOFTWARE", 87, false},
        {"SOFTWARE", 87, false},
        {"", 87, false},
        {"\\\\", 87, false},
        {std::string("\\\\") + szComputer, 87, false},
        {"\\\\somehost\\HKCU\\Software", 87, false},
        {"\\\\somehost\\HKEY_CLASSES_ROOT", 87, false},
        {"HKLM\\SOFTWARE\\QLX480UtilTest\\Missing", ERROR_FILE_NOT_FOUND, false},
        {"\\\\qlx-no-such-host\\HKLM\\SOFTWARE", 53, false},
        {strLong, 87, false},
        {strLongSubkey, kAnyFailure, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strPath.substr(0, 80));
        HKEY hKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xdeadbeef));
        const DWORD dwResult = OpenRegKeyByPath(c.strPath.c_str(), &hKey);
        if (c.dwResult == kAnyFailure) {
            EXPECT_NE(0u, dwResult);
        } else {
            EXPECT_EQ(c.dwResult, dwResult);
        }
        if (c.dwResult != 0) {
            EXPECT_EQ(nullptr, hKey);
            continue;
        }
        ASSERT_NE(nullptr, hKey);
        if (c.bPredefined) {
            EXPECT_TRUE(hKey == HKEY_USERS || hKey == HKEY_LOCAL_MACHINE);
        } else {
            // The key is opened to read and rewrite its access list.
            PSECURITY_DESCRIPTOR pSd = nullptr;
            PACL pDacl = nullptr;
            EXPECT_EQ(ERROR_SUCCESS, GetSecurityInfo(hKey, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                                     nullptr, &pDacl, nullptr, &pSd));
            EXPECT_EQ(ERROR_SUCCESS, SetSecurityInfo(hKey, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                                     nullptr, pDacl, nullptr));
            LocalFree(pSd);
        }
        RegCloseKey(hKey);
    }
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), OpenRegKeyByPath("HKLM", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), OpenRegKeyByPath(nullptr, nullptr));
}

// Permission texts: the result code and the entry that reaches the key's access list.
TEST_F(RegUtilTest, SetRegKeyPermissionTexts)
{
    struct Case {
        std::string strPermission;
        DWORD dwResult;
        const char* pszAce;  // entry expected in the list afterwards, or null for unchanged
    };
    const Case cases[] = {
        {"/PG:Everyone:Fc", 0, "(A;CI;KA;;;WD)"},
        {"/pg:Everyone:fC", 0, "(A;CI;KA;;;WD)"},
        {"/PG:Everyone:FcXx", 0, "(A;CI;KA;;;WD)"},
        {"/PS:Everyone:RdWr", 0, "(A;CI;CCDCLCSWRPWPRC;;;WD)"},
        {"/PG:Everyone:Rd", 0, "(A;CI;KR;;;WD)"},
        {"/PG:Everyone", 87, nullptr},
        {"/PX:Everyone:Fc", 87, nullptr},
        {"/P", 87, nullptr},
        {"", 87, nullptr},
        {"/PG:Everyone:" + std::string(700, 'F'), 0, nullptr},
        {std::string(900, ':'), 87, nullptr},
        {"/PG:" + std::string(600, 'E'), 87, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strPermission.substr(0, 80));
        Clean();
        MakeKey(kScratch);
        const std::string strBefore = KeyDacl(kScratch);
        EXPECT_EQ(c.dwResult, SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", c.strPermission.c_str()));
        const std::string strAfter = KeyDacl(kScratch);
        if (c.pszAce != nullptr) {
            EXPECT_THAT(strAfter, testing::HasSubstr(c.pszAce)) << "before: " << strBefore;
        } else if (c.dwResult != 0) {
            EXPECT_EQ(strBefore, strAfter);
        }
    }
}

// Revoke takes every entry of the trustee away and needs no rights.
TEST_F(RegUtilTest, RevokeRemovesTheGrant)
{
    MakeKey(kScratch);
    ASSERT_EQ(0u, SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PG:Everyone:Fc"));
    ASSERT_THAT(KeyDacl(kScratch), testing::HasSubstr(";;;WD)"));
    EXPECT_EQ(0u, SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PR:Everyone"));
    EXPECT_THAT(KeyDacl(kScratch), testing::Not(testing::HasSubstr(";;;WD)")));
}

// Granting twice with the same text works both times; the key's own list is what changes.
TEST_F(RegUtilTest, GrantTwiceGrantsBothTimes)
{
    MakeKey(Sub("Child"));
    EXPECT_EQ(0u, SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PG:Everyone:Fc"));
    EXPECT_EQ(0u, SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PG:Everyone:Fc"));
    EXPECT_THAT(KeyDacl(kScratch), testing::HasSubstr("(A;CI;KA;;;WD)"));
}

// A failing step of the grant returns its code and leaves the list alone.
TEST_F(RegUtilTest, GrantFaultsReturnTheirCode)
{
    MakeKey(kScratch);
    const std::string strBefore = KeyDacl(kScratch);
    {
        auto hook = FailCall<decltype(&GetSecurityInfo)>("advapi32.dll", "GetSecurityInfo", 0, 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
                  SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PG:Everyone:Fc"));
    }
    {
        auto hook = FailCall<decltype(&SetEntriesInAclA)>("advapi32.dll", "SetEntriesInAclA", 0, 1, 1332);
        EXPECT_EQ(1332u, SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PG:Everyone:Fc"));
    }
    {
        auto hook = FailCall<decltype(&SetSecurityInfo)>("advapi32.dll", "SetSecurityInfo", 0, 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
                  SetRegKeyPermission("HKLM\\SOFTWARE\\QLX480UtilTest", "/PG:Everyone:Fc"));
    }
    EXPECT_EQ(strBefore, KeyDacl(kScratch));
}

// The grant is in the key's list when the deletion comes, then the key goes with its subkeys.
TEST_F(RegUtilTest, GrantAndDeleteGrantsBeforeDeleting)
{
    MakeKey(Sub("Enum\\1&79f5d87&0&1\\Device Parameters"));
    const std::string strKey = Sub("Enum");
    std::string strDaclAtDelete;
    auto hook = Replace<decltype(&SHDeleteKeyA)>("shlwapi.dll", "SHDeleteKeyA",
        [&](auto original, HKEY hKey, LPCSTR pszKey) {
            strDaclAtDelete = KeyDacl(pszKey);
            return original(hKey, pszKey);
        });

    GrantAndDeleteRegKey(("HKLM\\" + strKey).c_str(), strKey.c_str(), 0);

    EXPECT_THAT(strDaclAtDelete, testing::HasSubstr("(A;CI;KA;;;WD)"));
    EXPECT_FALSE(KeyExists(strKey));
    EXPECT_TRUE(HasExactLines({"REGKEY_1 : HKLM\\" + strKey, "REGKEY_2 : " + strKey}));
}

// A missing key: no grant, the two key lines and the deletion's failure line, in order.
TEST_F(RegUtilTest, GrantAndDeleteMissingKey)
{
    const std::string strKey = Sub("Missing");
    GrantAndDeleteRegKey(("HKLM\\" + strKey).c_str(), strKey.c_str(), 1);
    const std::vector<std::string> lines = qlxtest::TraceLines();
    ASSERT_EQ(3u, lines.size()) << qlxtest::JoinLines(lines);
    EXPECT_EQ("REGKEY_1 : HKLM\\" + strKey, lines[0]);
    EXPECT_EQ("REGKEY_2 : " + strKey, lines[1]);
    EXPECT_THAT(lines[2], testing::StartsWith("MyRegDeleteKeyEx failed : " + strKey + " ("));
}
