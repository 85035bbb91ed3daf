// File utilities of the installer only: the second attempt at a copy onto a locked destination,
// and the product folder the uninstaller is started from.
#pragma once

#include <windows.h>

// Follows a failed CopyFileA(pszSource, pszDest, FALSE) whose GetLastError() was dwError. For 5 and
// 32 the destination is moved aside to "<dest>.old" (an older ".old" is deleted first) and the copy
// is made once more: true. Any other error is traced and false is returned.
bool CopyFileWithFallback(const char* pszSource, const char* pszDest, DWORD dwError);

// Creates the folder with an access list giving Administrators and SYSTEM full control and
// Everyone read and execute, inherited by files and subfolders; an existing folder is emptied and
// made again. Falls back to default security. Nonzero when the folder was created.
BOOL CreateDirectoryWithSA(const char* pszPath);
