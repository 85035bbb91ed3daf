// Path texts of the install steps: 256-byte buffers, filled only when the whole text fits, since a
// cut path would name another file.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "BoundedText.h"

namespace engine_paths {

constexpr DWORD kPathSize = 256;

// pszFirst + pszSecond into szPath; false (and an empty path) when it does not fit.
inline bool ConcatPath(char (&szPath)[kPathSize], const char* pszFirst, const char* pszSecond)
{
    szPath[0] = '\0';
    const size_t cchWanted = BoundedTextLength(pszFirst, kPathSize) + BoundedTextLength(pszSecond, kPathSize);
    if (cchWanted >= kPathSize) {
        return false;
    }
    CopyText(szPath, pszFirst);
    AppendText(szPath, pszSecond);
    return true;
}

// pszFolder + "\\" + pszName; false (and an empty path) when the folder is empty or it does not fit.
inline bool JoinPath(char (&szPath)[kPathSize], const char* pszFolder, const char* pszName)
{
    szPath[0] = '\0';
    const size_t cchFolder = BoundedTextLength(pszFolder, kPathSize);
    const size_t cchWanted = cchFolder + 1 + BoundedTextLength(pszName, kPathSize);
    if (cchFolder == 0 || cchWanted >= kPathSize) {
        return false;
    }
    CopyText(szPath, pszFolder);
    AppendText(szPath, "\\");
    AppendText(szPath, pszName);
    return true;
}

// The Windows and system directories; "" when the call fails or the folder does not fit.
inline void WindowsFolder(char (&szFolder)[kPathSize])
{
    const UINT cch = ::GetWindowsDirectoryA(szFolder, kPathSize);
    if (cch == 0 || cch >= kPathSize) {
        szFolder[0] = '\0';
    }
}

inline void SystemFolder(char (&szFolder)[kPathSize])
{
    const UINT cch = ::GetSystemDirectoryA(szFolder, kPathSize);
    if (cch == 0 || cch >= kPathSize) {
        szFolder[0] = '\0';
    }
}

// The printer-driver directory of the caller's environment; "" when the spooler cannot name it.
inline void PrinterDriverFolder(char (&szFolder)[kPathSize])
{
    DWORD cbNeeded = 0;
    if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(szFolder), kPathSize, &cbNeeded)) {
        szFolder[0] = '\0';
    }
    szFolder[kPathSize - 1] = '\0';
}

}  // namespace engine_paths
