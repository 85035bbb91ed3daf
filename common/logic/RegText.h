// Registry texts: a registry path written as text, the permission text of a key grant and its
// rights letters, parsed into the values the registry and security calls take.
#pragma once

#include <cstddef>

// Result codes, the same numbers as the Windows error codes.
constexpr unsigned long kErrSuccess = 0;
constexpr unsigned long kErrNotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr unsigned long kErrInvalidParameter = 87;  // ERROR_INVALID_PARAMETER

// Size of every work text of the registry utilities; at most kRegTextBuffer - 1 characters of an
// input text are read.
constexpr size_t kRegTextBuffer = 512;

enum RegHive {
    kRegHiveNone = 0,
    kRegHiveLocalMachine,
    kRegHiveUsers,
    kRegHiveClassesRoot,
    kRegHiveCurrentUser,
};

// A registry path split into machine part ("" or "\\\\name"), hive and subkey ("" for none).
struct RegPathParts {
    char szMachine[kRegTextBuffer];
    RegHive nHive;
    char szSubKey[kRegTextBuffer];
};

// Access modes, the values of the system's ACCESS_MODE.
constexpr unsigned long kRegAccessNotUsed = 0;
constexpr unsigned long kRegAccessGrant = 1;
constexpr unsigned long kRegAccessSet = 2;
constexpr unsigned long kRegAccessDeny = 3;
constexpr unsigned long kRegAccessRevoke = 4;

// Masks of the rights letters.
constexpr unsigned long kRegRightsFull = 0xF003F;   // "Fc", KEY_ALL_ACCESS
constexpr unsigned long kRegRightsRead = 0x20019;   // "Rd", KEY_READ
constexpr unsigned long kRegRightsWrite = 0x20026;  // "Wr", KEY_WRITE

// A permission text such as "/PG:Everyone:Fc" split into access mode, trustee name and mask.
struct RegPermission {
    unsigned long dwMode;
    char szTrustee[kRegTextBuffer];
    unsigned long dwMask;
};

// Full hive name for log lines ("HKEY_LOCAL_MACHINE", ...), "" for kRegHiveNone.
const char* RegHiveName(RegHive nHive);

// Splits a registry path text "[\\\\machine\\]hive[\\subkey]". The hive element is matched as a
// whole, ignoring case, against HKLM, HKU, HKCR, HKCU and their long names. Returns 0, 87 for a
// null argument, an unknown hive, or a machine part with HKCU or HKCR (they cannot be opened
// remotely), or 8 when the work buffer cannot be had. pParts is cleared first, so it holds the
// empty result after any failure.
// Open cases decided here: "\\\\" followed directly by a backslash gives the machine part "\\\\"
// (an empty name, left for the connect call to refuse); a path that ends after the machine name
// has no hive and gives 87; "HKLM\\" gives an empty subkey, the same as "HKLM"; text after the
// hive's backslash is taken unchanged, extra backslashes included.
unsigned long ParseRegPath(const char* pszPath, RegPathParts* pParts);

// Splits a permission text "switch:trustee:rights". The switch's second character must be P (any
// case) for its third to choose G grant, S set, D deny, R revoke (any case); any other third
// character, or none, gives 87. A switch whose second character is not P leaves the mode at
// kRegAccessNotUsed without error. The trustee is the text between the first and the second ':';
// the rights are all the rest after the second ':' (further ':' included) and are read only for
// grant, set and deny, through ParseRegRights, whose code is ignored. Returns 0, 87 (null
// argument, bad switch, missing trustee, missing rights for grant/set/deny) or 8. pPerm is
// cleared first.
// Open cases decided here: only the characters of the switch field count ("/P:Everyone:Fc" has no
// third switch character, 87); an empty trustee ("/PG::Fc") counts as missing, since no account
// has an empty name; an empty rights field ("/PG:Everyone:") counts as present and gives mask 0;
// the permission text is read up to kRegTextBuffer - 1 characters.
unsigned long ParseRegPermission(const char* pszText, RegPermission* pPerm);

// ORs the masks of the two-letter rights codes "Fc", "Rd", "Wr" (any case) in pszRights. The text
// is copied into a 512-byte work buffer first, so a longer text is cut to 511 characters before
// the length test. Odd length: mask 0, 87. Empty or null text: mask 0, 0. An unknown pair is
// skipped and makes the result 87; the other pairs still count. No work buffer: mask 0, 8.
// A null pdwMask gives 87.
unsigned long ParseRegRights(const char* pszRights, unsigned long* pdwMask);
