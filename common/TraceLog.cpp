#include "TraceLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "BoundedText.h"
#include "TraceText.h"
#include "framework/Handles.h"
#include "framework/Lock.h"

namespace {
// Written once by StartTraceLog on the dialog thread before the worker exists; only read later.
char s_szLogPath[256] = "";
// Set before StartTraceLog when the command line names the log; "" otherwise.
char s_szChosenPath[256] = "";

// Keeps the lines of the two threads whole: each line is seek-to-end, text, CR LF.
fw::CriticalSection s_writeLock;
}  // namespace

const char* TraceLogPath() { return s_szLogPath; }

void ChooseTraceLogPath(const char* pszPath)
{
    std::memset(s_szChosenPath, 0, sizeof(s_szChosenPath));
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return;
    }
    const DWORD cchFull = ::GetFullPathNameA(pszPath, sizeof(s_szChosenPath), s_szChosenPath, nullptr);
    if (cchFull == 0 || cchFull >= sizeof(s_szChosenPath)) {
        // A path that cannot be made whole is taken as given.
        CopyText(s_szChosenPath, pszPath);
    }
}

void StartTraceLog()
{
    char szWindowsDir[256] = {};
    char szPath[256] = {};
    std::memset(s_szLogPath, 0, sizeof(s_szLogPath));
    if (s_szChosenPath[0] != '\0') {
        CopyText(s_szLogPath, s_szChosenPath);
        ::DeleteFileA(s_szLogPath);
        return;
    }

    ::GetWindowsDirectoryA(szWindowsDir, sizeof(szWindowsDir));
    // The drive root of the Windows directory ("C:\"), then "\Temp": the doubled separator is
    // read by the file system as a single one.
    char szRoot[4] = {};
    CopyText(szRoot, szWindowsDir);
    CopyText(szPath, szRoot);
    AppendText(szPath, "\\Temp");
    ::CreateDirectoryA(szPath, nullptr);  // an existing or uncreatable folder is not an error here
    AppendText(szPath, g_szTraceLogName);
    CopyText(s_szLogPath, szPath);
    ::DeleteFileA(s_szLogPath);
}

void WriteTraceLog(const char* pszFormat, ...)
{
    const DWORD dwLastError = ::GetLastError();
    fw::ScopedLock lock(s_writeLock);
    fw::ScopedFile hFile(::CreateFileA(s_szLogPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (hFile) {
        ::SetFilePointer(hFile.Get(), 0, nullptr, FILE_END);

        SYSTEMTIME st;
        ::GetLocalTime(&st);
        char szLine[kTraceLineBuffer] = {};
        FormatTraceStamp(szLine, sizeof(szLine), st.wHour, st.wMinute, st.wSecond);

        // The C runtime's own formatter knows %ws; it leaves a cut text unterminated, so the
        // message is bounded to its limit and terminated here.
        va_list args;
        va_start(args, pszFormat);
        ::_vsnprintf(szLine + kTraceStampLength, kTraceMessageLimit, pszFormat, args);
        va_end(args);
        szLine[kTraceStampLength + kTraceMessageLimit] = '\0';

        DWORD dwWritten = 0;
        ::WriteFile(hFile.Get(), szLine, static_cast<DWORD>(std::strlen(szLine)), &dwWritten, nullptr);
        ::WriteFile(hFile.Get(), "\r\n", 2, &dwWritten, nullptr);
    }
    ::SetLastError(dwLastError);
}

TraceStep::TraceStep(const char* pszName) : m_pszName(pszName)
{
    WriteTraceLog("\r\n");
    WriteTraceLog("%s BEGIN", m_pszName);
}

void TraceStep::End()
{
    if (!m_bEnded) {
        m_bEnded = true;
        WriteTraceLog("%s END", m_pszName);
    }
}
