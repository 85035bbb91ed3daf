// Registry utilities: key deletion in an explicit registry view, the access-list grant that opens
// a protected key to Everyone, and the one deletion rule every removal step follows.
#pragma once

#include <windows.h>
#include <aclapi.h>

// Deletes one key (no subkeys) through RegDeleteKeyExA, looked up in Advapi32 at every call so
// that the program still starts on Windows versions without it. -1 when the call is missing,
// otherwise its status.
LONG MyRegDeleteKeyEx(HKEY hKey, LPCSTR pszSubKey, REGSAM samDesired, DWORD dwReserved);

// Applies a permission text such as "/PG:Everyone:Fc" to the key named by a path text such as
// "HKLM\\SOFTWARE\\X". 0, or 87 (bad text), 8 (no memory), or the failing call's code.
DWORD SetRegKeyPermission(const char* pszPath, const char* pszPermission);

// Opens the key named by "[\\\\machine\\]hive[\\subkey]" for reading and rewriting its access
// list. On success *phKey belongs to the caller (a path of only a hive gives the hive key).
DWORD OpenRegKeyByPath(const char* pszPath, HKEY* phKey);

// Merges one explicit-access entry into the key's access list. Subkeys are left to inheritance.
DWORD SetRegKeyAcl(HKEY hKey, EXPLICIT_ACCESS_A* pEntry);

// Gives Everyone full control of the key (inherited by subkeys), traces both key texts and
// deletes the key by the deletion rule. pszFullPath is pszSubKey with "HKLM\\" in front.
void GrantAndDeleteRegKey(const char* pszFullPath, const char* pszSubKey, int bWow64);

// Deletes HKEY_LOCAL_MACHINE\pszKey: under WOW64 in the 64-bit view (the key alone, it must have
// no subkeys), otherwise with SHDeleteKeyA (the whole tree). A failure is traced with the key and
// the status the call returned. True when the key was deleted.
bool DeleteRegKeyByRule(const char* pszKey, int bWow64);
