#include "Files.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>

#include "Process.h"

namespace qlx::testkit {

std::vector<std::string> TraceMessages(const std::string& strPath)
{
    std::vector<std::string> messages;
    const std::string strLog = ReadWholeFile(strPath);
    for (size_t nPos = 0; nPos < strLog.size();) {
        size_t nEnd = strLog.find("\r\n", nPos);
        if (nEnd == std::string::npos) {
            nEnd = strLog.size();
        }
        const std::string strLine = strLog.substr(nPos, nEnd - nPos);
        // The frame's second line ("\r\n" written as a message) carries no stamp.
        const std::string strText = strLine.size() >= 10 ? strLine.substr(10) : strLine;
        if (!strText.empty()) {
            messages.push_back(strText);
        }
        nPos = nEnd + 2;
    }
    return messages;
}


namespace {

// The host's path of a Windows path, from Wine's own kernel32 export; "" outside Wine.
std::string UnixPath(const std::string& strPath)
{
    using UnixNameFn = char*(CDECL*)(LPCWSTR);
    auto pUnixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wszPath[MAX_PATH] = L"";
    if (pUnixName == nullptr || MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, wszPath, MAX_PATH) == 0) {
        return "";
    }
    char* pszUnix = pUnixName(wszPath);
    if (pszUnix == nullptr) {
        return "";
    }
    std::string strUnix = pszUnix;
    HeapFree(GetProcessHeap(), 0, pszUnix);
    return strUnix;
}

}  // namespace

bool MakeDirectoryLink(const std::string& strLink, const std::string& strTarget)
{
    const std::string strUnixLink = UnixPath(strLink);
    const std::string strUnixTarget = UnixPath(strTarget);
    if (strUnixLink.empty() || strUnixTarget.empty()) {
        return false;
    }
    // Wine starts a host program named by its Z: path directly, but its handle does not wait for
    // it: the link is awaited instead.
    RunProgram("Z:\\bin\\ln -s " + strUnixTarget + " " + strUnixLink, 20000);
    for (int i = 0; i < 100; ++i) {
        if (GetFileAttributesA(strLink.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

bool RemoveDirectoryLink(const std::string& strLink)
{
    const std::string strUnixLink = UnixPath(strLink);
    if (!strUnixLink.empty()) {
        RunProgram("Z:\\bin\\rm -f " + strUnixLink, 20000);
    }
    for (int i = 0; i < 100 && GetFileAttributesA(strLink.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(50);
    }
    return GetFileAttributesA(strLink.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(const std::string& strPath, std::string& strContent)
{
    strContent.clear();
    HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[65536];
    DWORD dwRead = 0;
    bool bOk = true;
    while (true) {
        if (!::ReadFile(hFile, buffer, sizeof(buffer), &dwRead, nullptr)) {
            bOk = false;
            break;
        }
        if (dwRead == 0) {
            break;
        }
        strContent.append(buffer, dwRead);
    }
    CloseHandle(hFile);
    return bOk;
}

std::string ReadWholeFile(const std::string& strPath)
{
    std::string strContent;
    ReadWholeFile(strPath, strContent);
    return strContent;
}

bool WriteWholeFile(const std::string& strPath, const std::string& strContent)
{
    HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD dwWritten = 0;
    BOOL bOk = WriteFile(hFile, strContent.data(), static_cast<DWORD>(strContent.size()), &dwWritten, nullptr);
    CloseHandle(hFile);
    return bOk && dwWritten == strContent.size();
}

bool FileExists(const std::string& strPath)
{
    DWORD dwAttr = GetFileAttributesA(strPath.c_str());
    return dwAttr != INVALID_FILE_ATTRIBUTES && (dwAttr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& strPath)
{
    DWORD dwAttr = GetFileAttributesA(strPath.c_str());
    return dwAttr != INVALID_FILE_ATTRIBUTES && (dwAttr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveTree(const std::string& strPath)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((strPath + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::string strName = fd.cFileName;
            if (strName == "." || strName == "..") {
                continue;
            }
            const std::string strChild = strPath + "\\" + strName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(strChild);
            } else {
                SetFileAttributesA(strChild.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(strChild.c_str());
            }
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(strPath.c_str());
    return GetFileAttributesA(strPath.c_str()) == INVALID_FILE_ATTRIBUTES;
}

ScratchDir::ScratchDir()
{
    static std::atomic<int> s_nNext{0};
    for (int nTry = 0; nTry < 100; ++nTry) {
        char szPath[MAX_PATH];
        std::snprintf(szPath, sizeof(szPath), "C:\\qlx-scratch-%lu-%d", GetCurrentProcessId(), s_nNext++);
        if (CreateDirectoryA(szPath, nullptr)) {
            m_strPath = szPath;
            return;
        }
        // A folder left by an earlier process of the same id: clear it and take the next number.
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            RemoveTree(szPath);
        }
    }
    throw std::runtime_error("ScratchDir: cannot create a scratch folder under C:\\");
}

ScratchDir::~ScratchDir()
{
    if (!RemoveTree(m_strPath)) {
        std::fprintf(stderr, "ScratchDir: %s could not be removed completely\n", m_strPath.c_str());
    }
}

}  // namespace qlx::testkit
