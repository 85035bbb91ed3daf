#include "InstallerFileUtil.h"

#include <aclapi.h>

#include <cstdio>
#include <cstring>

#include "BoundedText.h"
#include "FileUtil.h"
#include "TraceLog.h"

bool CopyFileWithFallback(const char* pszSource, const char* pszDest, DWORD dwError)
{
    if (dwError != ERROR_ACCESS_DENIED && dwError != ERROR_SHARING_VIOLATION) {
        WriteTraceLog("COPYFILE ERROR, SRC : %s ", pszSource);
        WriteTraceLog("ERROR CODE : %d ", static_cast<int>(dwError));
        WriteTraceLog("COPYFILE ERROR, DES : %s ", pszDest);
        return false;
    }

    // A name too long for the ".old" suffix is not moved: a cut name would be another file.
    char szOld[MAX_PATH + 8] = {};
    CopyText(szOld, pszDest);
    const bool bOldName = AppendText(szOld, ".old") == std::strlen(pszDest) + 4;

    WriteTraceLog(dwError == ERROR_ACCESS_DENIED ? "ERROR_ACCESS_DENIED HANDLER" : "ERROR_SHARING_VIOLATION HANDLER");

    if (bOldName) {
        if (::GetFileAttributesA(szOld) != INVALID_FILE_ATTRIBUTES) {
            ::DeleteFileA(szOld);
        }
        // A locked file can still be renamed; the new copy then takes its name.
        if (::GetFileAttributesA(pszDest) != INVALID_FILE_ATTRIBUTES) {
            std::rename(pszDest, szOld);
            WriteTraceLog("strDest : %s", pszDest);
            WriteTraceLog("strDestWithOldExt : %s", szOld);
        }
    }

    if (!::CopyFileA(pszSource, pszDest, FALSE)) {
        const DWORD dwCopyError = ::GetLastError();
        WriteTraceLog("CopyFile Error : %s ", pszSource);
        WriteTraceLog("Error Code : (%d) ", static_cast<int>(dwCopyError));
        WriteTraceLog("CopyFile Error : %s ", pszDest);
    }
    return true;
}

BOOL CreateDirectoryWithSA(const char* pszPath)
{
    TraceStep step("CreateDirectoryWithSA");

    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID pEveryoneSid = nullptr;
    if (!::AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &pEveryoneSid)) {
        WriteTraceLog("Fail to get Everyone SID. (%d)", static_cast<int>(::GetLastError()));
        pEveryoneSid = nullptr;
    }

    // Everyone: full control, inherited by every file and subfolder made in the folder.
    EXPLICIT_ACCESS_A entry = {};
    entry.grfAccessPermissions = GENERIC_ALL;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.pMultipleTrustee = nullptr;
    entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = static_cast<LPSTR>(pEveryoneSid);

    PACL pAcl = nullptr;
    ::SetEntriesInAclA(1, &entry, nullptr, &pAcl);
    SECURITY_DESCRIPTOR descriptor = {};
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, pAcl, FALSE);

    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;

    BOOL bResult = ::CreateDirectoryA(pszPath, &attributes);
    // An existing folder goes with everything in it and is made again with the new access list.
    if (!bResult && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        DeleteDirectoryTree(pszPath);
        bResult = ::CreateDirectoryA(pszPath, &attributes);
    }
    if (!bResult) {
        bResult = ::CreateDirectoryA(pszPath, &attributes);
        if (!bResult) {
            bResult = ::CreateDirectoryA(pszPath, nullptr);
        }
    }

    if (pEveryoneSid != nullptr) {
        ::FreeSid(pEveryoneSid);
    }
    if (pAcl != nullptr) {
        ::LocalFree(pAcl);
    }
    return bResult;
}
