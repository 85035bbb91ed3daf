#include "RegUtil.h"

#include <shlwapi.h>

#include <memory>
#include <new>

#include "RegText.h"
#include "TraceLog.h"
#include "framework/Handles.h"

namespace {

using PFN_REGDELETEKEYEXA = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);

// The grant used before deleting the device-enumerator keys.
const char kGrantEveryoneFull[] = "/PG:Everyone:Fc";

HKEY PredefinedKey(RegHive nHive)
{
    switch (nHive) {
    case kRegHiveLocalMachine: return HKEY_LOCAL_MACHINE;
    case kRegHiveUsers: return HKEY_USERS;
    case kRegHiveClassesRoot: return HKEY_CLASSES_ROOT;
    case kRegHiveCurrentUser: return HKEY_CURRENT_USER;
    case kRegHiveNone: break;
    }
    return nullptr;
}

}  // namespace

LONG MyRegDeleteKeyEx(HKEY hKey, LPCSTR pszSubKey, REGSAM samDesired, DWORD dwReserved)
{
    // Windows before Vista x64 has no RegDeleteKeyExA: look it up, never link it.
    const auto pfnRegDeleteKeyExA = reinterpret_cast<PFN_REGDELETEKEYEXA>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("Advapi32"), "RegDeleteKeyExA")));
    if (pfnRegDeleteKeyExA == nullptr) {
        return -1;
    }
    return pfnRegDeleteKeyExA(hKey, pszSubKey, samDesired, dwReserved);
}

DWORD SetRegKeyPermission(const char* pszPath, const char* pszPermission)
{
    RegPermission permission;
    const DWORD dwParse = ParseRegPermission(pszPermission, &permission);
    if (dwParse != kErrSuccess) {
        return dwParse;
    }

    fw::ScopedRegKey hKey;
    const DWORD dwOpen = OpenRegKeyByPath(pszPath, hKey.Receive());
    if (dwOpen != ERROR_SUCCESS) {
        return dwOpen;
    }

    EXPLICIT_ACCESS_A entry = {};
    ::BuildExplicitAccessWithNameA(&entry, permission.szTrustee, permission.dwMask,
                                   static_cast<ACCESS_MODE>(permission.dwMode), CONTAINER_INHERIT_ACE);
    return SetRegKeyAcl(hKey.Get(), &entry);
}

DWORD OpenRegKeyByPath(const char* pszPath, HKEY* phKey)
{
    if (phKey == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *phKey = nullptr;

    // Held on the heap: two 512-byte texts are more than a worker's step should put on its stack.
    auto* pParts = new (std::nothrow) RegPathParts;
    if (pParts == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    const std::unique_ptr<RegPathParts> parts(pParts);
    const DWORD dwParse = ParseRegPath(pszPath, pParts);
    if (dwParse != kErrSuccess) {
        return dwParse;
    }

    HKEY hHive = PredefinedKey(pParts->nHive);
    if (pParts->szMachine[0] != '\0') {
        const LONG lConnect = ::RegConnectRegistryA(pParts->szMachine, hHive, &hHive);
        if (lConnect != ERROR_SUCCESS) {
            return static_cast<DWORD>(lConnect);
        }
    }
    if (pParts->szSubKey[0] == '\0') {
        *phKey = hHive;
        return ERROR_SUCCESS;
    }

    // WRITE_DAC as well: without it the access list of the key cannot be rewritten.
    const LONG lOpen =
        ::RegOpenKeyExA(hHive, pParts->szSubKey, 0, READ_CONTROL | WRITE_DAC | KEY_ENUMERATE_SUB_KEYS, phKey);
    ::RegCloseKey(hHive);  // a predefined key stays usable
    if (lOpen != ERROR_SUCCESS) {
        *phKey = nullptr;
        return static_cast<DWORD>(lOpen);
    }
    return ERROR_SUCCESS;
}

DWORD SetRegKeyAcl(HKEY hKey, EXPLICIT_ACCESS_A* pEntry)
{
    PACL pOldDacl = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    DWORD dwResult = ::GetSecurityInfo(hKey, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                       &pOldDacl, nullptr, &pDescriptor);
    const fw::ScopedLocal descriptor(pDescriptor);
    if (dwResult != ERROR_SUCCESS) {
        return dwResult;
    }

    // The system merges the entry into a copy of the old list.
    PACL pNewDacl = nullptr;
    dwResult = ::SetEntriesInAclA(1, pEntry, pOldDacl, &pNewDacl);
    const fw::ScopedLocal newDacl(pNewDacl);
    if (dwResult != ERROR_SUCCESS) {
        return dwResult;
    }
    return ::SetSecurityInfo(hKey, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, pNewDacl,
                             nullptr);
}

void GrantAndDeleteRegKey(const char* pszFullPath, const char* pszSubKey, int bWow64)
{
    // A grant that fails changes nothing; only the deletion's outcome is traced.
    SetRegKeyPermission(pszFullPath, kGrantEveryoneFull);
    WriteTraceLog("REGKEY_1 : %s", pszFullPath);
    WriteTraceLog("REGKEY_2 : %s", pszSubKey);
    DeleteRegKeyByRule(pszSubKey, bWow64);
}

bool DeleteRegKeyByRule(const char* pszKey, int bWow64)
{
    // Neither call sets the thread's last error: both lines carry the status the call returned.
    if (bWow64) {
        const LONG nStatus = MyRegDeleteKeyEx(HKEY_LOCAL_MACHINE, pszKey, KEY_WOW64_64KEY, 0);
        if (nStatus != ERROR_SUCCESS) {
            WriteTraceLog("MyRegDeleteKeyEx failed : %s (%d) ", pszKey, static_cast<int>(nStatus));
            return false;
        }
        return true;
    }
    const DWORD dwStatus = ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, pszKey);
    if (dwStatus != ERROR_SUCCESS) {
        WriteTraceLog("SHDeleteKey failed : %s (%d) ", pszKey, static_cast<int>(dwStatus));
        return false;
    }
    return true;
}
