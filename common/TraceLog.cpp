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
// Set by StartTraceLog on the dialog thread before the worker exists; only read later.
char s_szLogPath[256] = "";
char s_szRefusal[512] = "";
// Set before StartTraceLog when the command line names the log; "" otherwise.
char s_szChosenPath[256] = "";
// The open log of this run; every line goes through it. Never closed but by the next start or
// the end of the process, so that a line of the other thread is never written to a stale handle.
HANDLE s_hLog = INVALID_HANDLE_VALUE;

// Keeps the lines of the two threads whole: each line is seek-to-end, text, CR LF.
fw::CriticalSection s_writeLock;

// Whether a part of the path (a folder below the drive root, or the file itself) is a link: a
// junction, a symbolic link or a mount point. szWhy then names the first one.
bool LinkOnPath(const char* pszPath, char (&szWhy)[512])
{
    for (size_t nEnd : PathPartEnds(pszPath)) {
        char szPart[256];
        CopyTextPart(szPart, pszPath, nEnd);
        const DWORD dwAttributes = ::GetFileAttributesA(szPart);
        if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            FormatText(szWhy, sizeof(szWhy), "%s is a link", szPart);
            return true;
        }
    }
    return false;
}

// Makes the missing folders of a log path named on the command line.
void MakeFoldersOf(const char* pszPath)
{
    const std::vector<size_t> ends = PathPartEnds(pszPath);
    for (size_t i = 0; i + 1 < ends.size(); ++i) {
        char szFolder[256];
        CopyTextPart(szFolder, pszPath, ends[i]);
        ::CreateDirectoryA(szFolder, nullptr);  // an existing folder is the normal case
    }
}

// Opens the log file without following a link and empties it. A path below a linked folder, a
// file that is a link or not a plain file, or one with a second name is left as it is; szWhy
// then says why.
HANDLE OpenLogFile(const char* pszPath, char (&szWhy)[512])
{
    if (LinkOnPath(pszPath, szWhy)) {
        return INVALID_HANDLE_VALUE;
    }
    fw::ScopedFile hFile(::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                       nullptr));
    if (!hFile) {
        FormatText(szWhy, sizeof(szWhy), "it cannot be opened (%d)", static_cast<int>(::GetLastError()));
        return INVALID_HANDLE_VALUE;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(hFile.Get(), &info) || ::GetFileType(hFile.Get()) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CopyText(szWhy, "it is not a plain file");
        return INVALID_HANDLE_VALUE;
    }
    if (info.nNumberOfLinks != 1) {
        CopyText(szWhy, "it has more than one name (hard link)");
        return INVALID_HANDLE_VALUE;
    }
    // A folder made a link while the file was being opened: the handle may lie anywhere.
    if (LinkOnPath(pszPath, szWhy)) {
        return INVALID_HANDLE_VALUE;
    }
    ::SetFilePointer(hFile.Get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(hFile.Get());
    return hFile.Release();
}

}  // namespace

const char* TraceLogPath() { return s_szLogPath; }
const char* TraceLogRefusal() { return s_szRefusal; }

std::string TraceLogShownPath()
{
    char szFull[256] = "";
    const DWORD cchFull = ::GetFullPathNameA(s_szLogPath, sizeof(szFull), szFull, nullptr);
    return cchFull != 0 && cchFull < sizeof(szFull) ? szFull : s_szLogPath;
}

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

bool StartTraceLog()
{
    fw::ScopedLock lock(s_writeLock);
    if (s_hLog != INVALID_HANDLE_VALUE) {
        ::CloseHandle(s_hLog);
        s_hLog = INVALID_HANDLE_VALUE;
    }
    std::memset(s_szLogPath, 0, sizeof(s_szLogPath));
    std::memset(s_szRefusal, 0, sizeof(s_szRefusal));
    if (s_szChosenPath[0] != '\0') {
        CopyText(s_szLogPath, s_szChosenPath);
        MakeFoldersOf(s_szLogPath);
        s_hLog = OpenLogFile(s_szLogPath, s_szRefusal);
        return s_hLog != INVALID_HANDLE_VALUE;
    }

    char szWindowsDir[256] = {};
    char szPath[256] = {};
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
    s_hLog = OpenLogFile(s_szLogPath, s_szRefusal);
    if (s_hLog != INVALID_HANDLE_VALUE) {
        return true;
    }

    // Any user may create the folder at the drive root, or plant a link in it: the log then goes
    // to the Windows directory's own Temp folder, which only administrators control.
    char szFallback[256] = {};
    CopyText(szFallback, szWindowsDir);
    AppendText(szFallback, "\\Temp");
    AppendText(szFallback, g_szTraceLogName);
    char szWhy[512] = {};
    s_hLog = OpenLogFile(szFallback, szWhy);
    if (s_hLog != INVALID_HANDLE_VALUE) {
        CopyText(s_szLogPath, szFallback);
        WriteTraceLog("TRACE LOG NOT USED : %s (%s)", szPath, s_szRefusal);
    }
    return true;
}

void WriteTraceLog(const char* pszFormat, ...)
{
    const DWORD dwLastError = ::GetLastError();
    fw::ScopedLock lock(s_writeLock);
    if (s_hLog != INVALID_HANDLE_VALUE) {
        ::SetFilePointer(s_hLog, 0, nullptr, FILE_END);

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
        ::WriteFile(s_hLog, szLine, static_cast<DWORD>(std::strlen(szLine)), &dwWritten, nullptr);
        ::WriteFile(s_hLog, "\r\n", 2, &dwWritten, nullptr);
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
