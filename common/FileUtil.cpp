#include "FileUtil.h"

#include <mbstring.h>

#include <cstring>

#include "BoundedText.h"
#include "TraceLog.h"
#include "framework/Handles.h"

namespace {

void ClearReadOnly(const char* pszPath)
{
    const DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    ::SetFileAttributesA(pszPath, dwAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// Whether the text ends in a backslash that is a character of its own, not the trail byte of a
// double-byte character.
bool EndsWithSeparator(const char* pszPath)
{
    const auto* pszStart = reinterpret_cast<const unsigned char*>(pszPath);
    const unsigned char* pszEnd = pszStart + std::strlen(pszPath);
    if (pszEnd == pszStart) {
        return false;
    }
    const unsigned char* pszLast = ::_mbsdec(pszStart, pszEnd);
    return pszLast != nullptr && ::_mbscmp(pszLast, reinterpret_cast<const unsigned char*>("\\")) == 0;
}

// A directory link (junction, symbolic link, mount point) or a file link: its target is not ours
// to delete, whoever made the link.
bool IsLink(DWORD dwAttributes)
{
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDotEntry(const char* pszName)
{
    return std::strcmp(pszName, ".") == 0 || std::strcmp(pszName, "..") == 0;
}

}  // namespace

void DeleteDirectoryTree(const char* pszPath)
{
    // An empty path would name the root of the current drive.
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return;
    }
    // A root that is a link is not emptied: only the link itself goes, where the system lets it.
    if (IsLink(::GetFileAttributesA(pszPath))) {
        ::RemoveDirectoryA(pszPath);
        return;
    }
    ClearReadOnly(pszPath);

    // A path that does not fit is left alone: a cut path would name another file or folder.
    char szPattern[MAX_PATH] = {};
    if (CopyText(szPattern, pszPath) != std::strlen(pszPath)) {
        return;
    }
    const bool bSeparator = EndsWithSeparator(szPattern);
    const size_t cchFolder = std::strlen(szPattern) + (bSeparator ? 0 : 1);  // up to the separator
    if (!bSeparator) {
        AppendText(szPattern, "\\");
    }
    if (AppendText(szPattern, "*.*") != cchFolder + 3) {
        return;
    }

    WIN32_FIND_DATAA findData = {};
    {
        fw::ScopedFind hFind(::FindFirstFileA(szPattern, &findData));
        if (hFind) {
            do {
                if (IsDotEntry(findData.cFileName)) {
                    continue;
                }
                char szEntry[MAX_PATH] = {};
                CopyTextPart(szEntry, szPattern, cchFolder);
                if (AppendText(szEntry, findData.cFileName) != cchFolder + std::strlen(findData.cFileName)) {
                    continue;
                }
                if (IsLink(findData.dwFileAttributes)) {
                    // Removing a link removes the link, never what it points at; attributes are
                    // left alone since setting them would reach through to the target.
                    if (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                        ::RemoveDirectoryA(szEntry);
                    } else {
                        ::DeleteFileA(szEntry);
                    }
                } else if (findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    DeleteDirectoryTree(szEntry);
                    ::RemoveDirectoryA(szEntry);
                } else {
                    ClearReadOnly(szEntry);
                    ::DeleteFileA(szEntry);
                }
            } while (::FindNextFileA(hFind.Get(), &findData));
        }
    }

    // The folder itself, named without its trailing separator.
    auto* pszLastSeparator = ::_mbsrchr(reinterpret_cast<unsigned char*>(szPattern), '\\');
    if (pszLastSeparator != nullptr) {
        *pszLastSeparator = '\0';
    }
    ::RemoveDirectoryA(szPattern);
}

bool LogDeleteFileError(const char* pszPath, DWORD dwError)
{
    WriteTraceLog("DeleteFile Error : %s , (%d)", pszPath, static_cast<int>(dwError));
    return false;
}
