#include "RegText.h"

#include "BoundedText.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

char UpperAscii(char ch)
{
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// Whole-element compare of pchText (cchText characters) with pszName, ignoring ASCII case.
bool ElementEquals(const char* pchText, size_t cchText, const char* pszName)
{
    if (std::strlen(pszName) != cchText)
        return false;
    for (size_t i = 0; i < cchText; ++i) {
        if (UpperAscii(pchText[i]) != UpperAscii(pszName[i]))
            return false;
    }
    return true;
}

struct HiveEntry {
    const char* pszShort;
    const char* pszLong;
    RegHive nHive;
};

const HiveEntry kHives[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", kRegHiveLocalMachine},
    {"HKU", "HKEY_USERS", kRegHiveUsers},
    {"HKCR", "HKEY_CLASSES_ROOT", kRegHiveClassesRoot},
    {"HKCU", "HKEY_CURRENT_USER", kRegHiveCurrentUser},
};

RegHive HiveFromElement(const char* pchElement, size_t cchElement)
{
    for (const HiveEntry& entry : kHives) {
        if (ElementEquals(pchElement, cchElement, entry.pszShort) ||
            ElementEquals(pchElement, cchElement, entry.pszLong))
            return entry.nHive;
    }
    return kRegHiveNone;
}

// The work copy of an input text, as the registry utilities keep it: kRegTextBuffer bytes from
// the heap; null when they cannot be had.
std::unique_ptr<char[]> MakeWorkCopy(const char* pszText)
{
    std::unique_ptr<char[]> pszWork(new (std::nothrow) char[kRegTextBuffer]);
    if (pszWork)
        CopyText(pszWork.get(), kRegTextBuffer, pszText);
    return pszWork;
}

} // namespace

const char* RegHiveName(RegHive nHive)
{
    for (const HiveEntry& entry : kHives) {
        if (entry.nHive == nHive)
            return entry.pszLong;
    }
    return "";
}

unsigned long ParseRegPath(const char* pszPath, RegPathParts* pParts)
{
    if (pParts != nullptr) {
        pParts->szMachine[0] = '\0';
        pParts->nHive = kRegHiveNone;
        pParts->szSubKey[0] = '\0';
    }
    if (pszPath == nullptr || pParts == nullptr)
        return kErrInvalidParameter;

    std::unique_ptr<char[]> pszWork = MakeWorkCopy(pszPath);
    if (!pszWork)
        return kErrNotEnoughMemory;

    const char* pszRest = pszWork.get();
    char szMachine[kRegTextBuffer] = "";

    // "\\\\name\\..." names another machine; the machine part keeps its two backslashes.
    if (pszRest[0] == '\\' && pszRest[1] == '\\') {
        const char* pszName = pszRest + 2;
        const char* pszNameEnd = std::strchr(pszName, '\\');
        const size_t cchName = pszNameEnd ? static_cast<size_t>(pszNameEnd - pszName) : std::strlen(pszName);
        CopyText(szMachine, "\\\\");
        CopyTextPart(szMachine + 2, sizeof(szMachine) - 2, pszName, cchName);
        if (pszNameEnd == nullptr)
            return kErrInvalidParameter;  // no hive element after the machine
        pszRest = pszNameEnd + 1;
    }

    const char* pszHiveEnd = std::strchr(pszRest, '\\');
    const size_t cchHive = pszHiveEnd ? static_cast<size_t>(pszHiveEnd - pszRest) : std::strlen(pszRest);
    const RegHive nHive = HiveFromElement(pszRest, cchHive);
    if (nHive == kRegHiveNone)
        return kErrInvalidParameter;

    // HKCU and HKCR exist only on the local machine.
    if (szMachine[0] != '\0' && (nHive == kRegHiveCurrentUser || nHive == kRegHiveClassesRoot))
        return kErrInvalidParameter;

    CopyText(pParts->szMachine, szMachine);
    pParts->nHive = nHive;
    CopyText(pParts->szSubKey, pszHiveEnd ? pszHiveEnd + 1 : "");
    return kErrSuccess;
}

unsigned long ParseRegPermission(const char* pszText, RegPermission* pPerm)
{
    if (pPerm != nullptr) {
        pPerm->dwMode = kRegAccessNotUsed;
        pPerm->szTrustee[0] = '\0';
        pPerm->dwMask = 0;
    }
    if (pszText == nullptr || pPerm == nullptr)
        return kErrInvalidParameter;

    std::unique_ptr<char[]> pszWork = MakeWorkCopy(pszText);
    if (!pszWork)
        return kErrNotEnoughMemory;

    const char* pszSwitch = pszWork.get();
    const char* pszFirstColon = std::strchr(pszSwitch, ':');
    const size_t cchSwitch = pszFirstColon ? static_cast<size_t>(pszFirstColon - pszSwitch) : std::strlen(pszSwitch);

    // The switch's first character is not examined; the second must be P for the third to count.
    unsigned long dwMode = kRegAccessNotUsed;
    if (cchSwitch >= 2 && UpperAscii(pszSwitch[1]) == 'P') {
        const char chMode = (cchSwitch >= 3) ? UpperAscii(pszSwitch[2]) : '\0';
        switch (chMode) {
        case 'G': dwMode = kRegAccessGrant; break;
        case 'S': dwMode = kRegAccessSet; break;
        case 'D': dwMode = kRegAccessDeny; break;
        case 'R': dwMode = kRegAccessRevoke; break;
        default: return kErrInvalidParameter;
        }
    }

    if (pszFirstColon == nullptr)
        return kErrInvalidParameter;  // no trustee
    const char* pszTrustee = pszFirstColon + 1;
    const char* pszSecondColon = std::strchr(pszTrustee, ':');
    const size_t cchTrustee = pszSecondColon ? static_cast<size_t>(pszSecondColon - pszTrustee) : std::strlen(pszTrustee);
    if (cchTrustee == 0)
        return kErrInvalidParameter;

    unsigned long dwMask = 0;
    if (dwMode == kRegAccessGrant || dwMode == kRegAccessSet || dwMode == kRegAccessDeny) {
        if (pszSecondColon == nullptr)
            return kErrInvalidParameter;  // no rights
        // An unknown pair only drops that pair; the grant goes on with the rest.
        ParseRegRights(pszSecondColon + 1, &dwMask);
    }

    pPerm->dwMode = dwMode;
    CopyTextPart(pPerm->szTrustee, pszTrustee, cchTrustee);
    pPerm->dwMask = dwMask;
    return kErrSuccess;
}

unsigned long ParseRegRights(const char* pszRights, unsigned long* pdwMask)
{
    if (pdwMask == nullptr)
        return kErrInvalidParameter;
    *pdwMask = 0;

    std::unique_ptr<char[]> pszWork = MakeWorkCopy(pszRights);
    if (!pszWork)
        return kErrNotEnoughMemory;

    const size_t cchRights = std::strlen(pszWork.get());
    if (cchRights % 2 != 0)
        return kErrInvalidParameter;

    struct RightsCode {
        const char* pszCode;
        unsigned long dwMask;
    };
    static const RightsCode kCodes[] = {
        {"Fc", kRegRightsFull},
        {"Rd", kRegRightsRead},
        {"Wr", kRegRightsWrite},
    };

    unsigned long dwResult = kErrSuccess;
    unsigned long dwMask = 0;
    for (size_t i = 0; i < cchRights; i += 2) {
        bool bKnown = false;
        for (const RightsCode& code : kCodes) {
            if (ElementEquals(pszWork.get() + i, 2, code.pszCode)) {
                dwMask |= code.dwMask;
                bKnown = true;
                break;
            }
        }
        if (!bKnown)
            dwResult = kErrInvalidParameter;
    }
    *pdwMask = dwMask;
    return dwResult;
}
