#include "Process.h"

#include <vector>

namespace qlx::testkit {

std::string HostPath(const std::string& strUnixPath)
{
    std::string strPath = "Z:" + strUnixPath;
    for (char& c : strPath) {
        if (c == '/') {
            c = '\\';
        }
    }
    return strPath;
}

namespace {

HANDLE Start(const std::string& strCmdLine, HANDLE hOutput)
{
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    if (hOutput != nullptr) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = hOutput;
        si.hStdError = hOutput;
    }
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(strCmdLine.begin(), strCmdLine.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, hOutput != nullptr, 0, nullptr, nullptr, &si, &pi)) {
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

int WaitAndReap(HANDLE hProcess, DWORD dwTimeoutMs)
{
    if (WaitForSingleObject(hProcess, dwTimeoutMs) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD dwCode = 0;
    GetExitCodeProcess(hProcess, &dwCode);
    return static_cast<int>(dwCode);
}

}  // namespace

int RunProgram(const std::string& strCmdLine, DWORD dwTimeoutMs, std::string* pOutput)
{
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (pOutput != nullptr) {
        pOutput->clear();
        SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
        if (!CreatePipe(&hRead, &hWrite, &sa, 0)) {
            return -1;
        }
        SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    }
    HANDLE hProcess = Start(strCmdLine, hWrite);
    if (hWrite != nullptr) {
        CloseHandle(hWrite);
    }
    if (hProcess == nullptr) {
        if (hRead != nullptr) {
            CloseHandle(hRead);
        }
        return -1;
    }
    const DWORD dwStart = GetTickCount();
    if (hRead != nullptr) {
        // Read until the child (and anything it started) closed the pipe, within the time limit.
        char buffer[4096];
        while (GetTickCount() - dwStart < dwTimeoutMs) {
            DWORD dwAvail = 0;
            if (!PeekNamedPipe(hRead, nullptr, 0, nullptr, &dwAvail, nullptr)) {
                break;
            }
            if (dwAvail == 0) {
                if (WaitForSingleObject(hProcess, 10) == WAIT_OBJECT_0) {
                    // Drain what is left after the end.
                    while (PeekNamedPipe(hRead, nullptr, 0, nullptr, &dwAvail, nullptr) && dwAvail > 0) {
                        DWORD dwRead = 0;
                        if (!ReadFile(hRead, buffer, sizeof(buffer), &dwRead, nullptr) || dwRead == 0) {
                            break;
                        }
                        pOutput->append(buffer, dwRead);
                    }
                    break;
                }
                continue;
            }
            DWORD dwRead = 0;
            if (!ReadFile(hRead, buffer, sizeof(buffer), &dwRead, nullptr) || dwRead == 0) {
                break;
            }
            pOutput->append(buffer, dwRead);
        }
        CloseHandle(hRead);
    }
    const DWORD dwSpent = GetTickCount() - dwStart;
    int nCode = WaitAndReap(hProcess, dwTimeoutMs > dwSpent ? dwTimeoutMs - dwSpent : 0);
    if (nCode == -1 && WaitForSingleObject(hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(hProcess, 255);
    }
    CloseHandle(hProcess);
    return nCode;
}

ChildProcess::ChildProcess(const std::string& strCmdLine) : m_hProcess(Start(strCmdLine, nullptr)) {}

ChildProcess::~ChildProcess()
{
    if (m_hProcess != nullptr) {
        if (WaitForSingleObject(m_hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(m_hProcess, 255);
        }
        CloseHandle(m_hProcess);
    }
}

int ChildProcess::Wait(DWORD dwTimeoutMs)
{
    return m_hProcess != nullptr ? WaitAndReap(m_hProcess, dwTimeoutMs) : -1;
}

}  // namespace qlx::testkit
