// Starting helper programs (uidriver, qlxstate, probes) from a test.
#pragma once

#include <windows.h>

#include <string>

namespace qlx::testkit {

// A path of the Linux host as Wine sees it (drive Z: is the root of the host).
std::string HostPath(const std::string& strUnixPath);

// Runs a command line, waits up to `dwTimeoutMs` and returns its exit code, or -1
// when it could not start or did not end in time (it is then terminated).
// With `pOutput`, its stdout and stderr are collected there.
int RunProgram(const std::string& strCmdLine, DWORD dwTimeoutMs = 60000, std::string* pOutput = nullptr);

// A program started without waiting; terminated when the object goes if still running.
class ChildProcess {
public:
    explicit ChildProcess(const std::string& strCmdLine);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_hProcess != nullptr; }
    // The exit code, or -1 when it has not ended within `dwTimeoutMs`.
    int Wait(DWORD dwTimeoutMs);

private:
    HANDLE m_hProcess = nullptr;
};

}  // namespace qlx::testkit
