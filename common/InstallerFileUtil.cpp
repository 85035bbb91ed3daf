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

namespace {

// A well-known identifier that frees itself.
class ScopedSid {
public:
    ScopedSid(SID_IDENTIFIER_AUTHORITY authority, BYTE nCount, DWORD dwFirst, DWORD dwSecond = 0)
    {
        if (!::AllocateAndInitializeSid(&authority, nCount, dwFirst, dwSecond, 0, 0, 0, 0, 0, 0, &m_pSid)) {
            m_pSid = nullptr;
        }
    }
    ~ScopedSid()
    {
        if (m_pSid != nullptr) {
            ::FreeSid(m_pSid);
        }
    }
    ScopedSid(const ScopedSid&) = delete;
    ScopedSid& operator=(const ScopedSid&) = delete;
    PSID Get() const { return m_pSid; }

private:
    PSID m_pSid = nullptr;
};

EXPLICIT_ACCESS_A AllowEntry(PSID pSid, DWORD dwAccess, TRUSTEE_TYPE type)
{
    EXPLICIT_ACCESS_A entry = {};
    entry.grfAccessPermissions = dwAccess;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPSTR>(pSid);
    return entry;
}

bool IsRealFolder(const char* pszPath)
{
    const DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

BOOL CreateDirectoryWithSA(const char* pszPath)
{
    TraceStep step("CreateDirectoryWithSA");

    // The folder holds the uninstaller that Windows starts elevated, so only administrators and the
    // system may change it; everyone may read and run what is in it. Inherited by every file and
    // subfolder, and not widened by what the parent folder passes down.
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    ScopedSid everyone(worldAuthority, 1, SECURITY_WORLD_RID);
    if (everyone.Get() == nullptr) {
        WriteTraceLog("Fail to get Everyone SID. (%d)", static_cast<int>(::GetLastError()));
    }
    ScopedSid administrators(ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    ScopedSid system(ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID);

    PACL pAcl = nullptr;
    if (everyone.Get() != nullptr && administrators.Get() != nullptr && system.Get() != nullptr) {
        EXPLICIT_ACCESS_A entries[] = {
            AllowEntry(administrators.Get(), FILE_ALL_ACCESS, TRUSTEE_IS_ALIAS),
            AllowEntry(system.Get(), FILE_ALL_ACCESS, TRUSTEE_IS_USER),
            AllowEntry(everyone.Get(), FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, TRUSTEE_IS_WELL_KNOWN_GROUP),
        };
        if (::SetEntriesInAclA(3, entries, nullptr, &pAcl) != ERROR_SUCCESS) {
            pAcl = nullptr;
        }
    }
    // Without a complete list the folder gets the default security of its parent: a descriptor
    // with no list at all would let everyone change it.
    SECURITY_DESCRIPTOR descriptor = {};
    SECURITY_ATTRIBUTES attributes = {};
    SECURITY_ATTRIBUTES* pAttributes = nullptr;
    if (pAcl != nullptr) {
        ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&descriptor, TRUE, pAcl, FALSE);
        ::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        attributes.nLength = sizeof(attributes);
        attributes.lpSecurityDescriptor = &descriptor;
        attributes.bInheritHandle = TRUE;
        pAttributes = &attributes;
    }

    BOOL bResult = ::CreateDirectoryA(pszPath, pAttributes);
    // An existing folder goes with everything in it and is made again with the new access list.
    if (!bResult && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        DeleteDirectoryTree(pszPath);
        bResult = ::CreateDirectoryA(pszPath, pAttributes);
    }
    if (!bResult) {
        bResult = ::CreateDirectoryA(pszPath, pAttributes);
        if (!bResult) {
            bResult = ::CreateDirectoryA(pszPath, nullptr);
        }
    }
    // A folder that could not be made again (a file in it still in use) keeps its contents but
    // takes the new access list, so an earlier, wider one does not stay.
    if (!bResult && pAcl != nullptr && IsRealFolder(pszPath)) {
        ::SetNamedSecurityInfoA(const_cast<char*>(pszPath), SE_FILE_OBJECT,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                pAcl, nullptr);
    }

    if (pAcl != nullptr) {
        ::LocalFree(pAcl);
    }
    return bResult;
}
