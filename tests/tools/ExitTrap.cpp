#include "ExitTrap.h"

#include <atomic>
#include <cstdio>

namespace qlx::testkit {

ExitTrap::ExitTrap()
    : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_hook("msvcrt.dll", "exit", [this](int nCode) {
          {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_codes.push_back(nCode);
          }
          SetEvent(m_hEvent);
          // Only this thread ends; the test process lives on.
          ExitThread(static_cast<DWORD>(nCode));
      })
{
}

ExitTrap::~ExitTrap()
{
    CloseHandle(m_hEvent);
}

ExitResult ExitTrap::Wait(DWORD dwTimeoutMs) const
{
    if (WaitForSingleObject(m_hEvent, dwTimeoutMs) != WAIT_OBJECT_0) {
        return {false, 0};
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return {true, m_codes.front()};
}

bool ExitTrap::Exited() const
{
    return WaitForSingleObject(m_hEvent, 0) == WAIT_OBJECT_0;
}

std::vector<int> ExitTrap::Codes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_codes;
}

namespace {

struct ExitRun {
    ExitTrap trap;
    std::function<void()> body;
    // Set by whichever side lets go first; the second one deletes the run.
    std::atomic<bool> bLetGo{false};
};

DWORD WINAPI RunBody(LPVOID pParam)
{
    auto* pRun = static_cast<ExitRun*>(pParam);
    try {
        pRun->body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "RunExpectingExit: the body threw: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "RunExpectingExit: the body threw\n");
    }
    if (pRun->bLetGo.exchange(true)) {
        delete pRun;  // given up by the caller: the trap goes once the body is done
    }
    return 0;
}

}  // namespace

ExitResult RunExpectingExit(std::function<void()> body, DWORD dwTimeoutMs)
{
    auto* pRun = new ExitRun;
    pRun->body = std::move(body);
    // A raw thread: the trapped exit() ends it with ExitThread.
    HANDLE hThread = CreateThread(nullptr, 0, RunBody, pRun, 0, nullptr);
    if (hThread == nullptr) {
        std::fprintf(stderr, "RunExpectingExit: CreateThread failed, error %lu\n", GetLastError());
        delete pRun;
        return {false, 0};
    }
    HANDLE handles[2] = {pRun->trap.Event(), hThread};
    WaitForMultipleObjects(2, handles, FALSE, dwTimeoutMs);
    ExitResult result = pRun->trap.Wait(0);
    // exit() may have come from another thread while the body still runs: give it a moment.
    if (WaitForSingleObject(hThread, result.exited ? 2000 : 0) == WAIT_OBJECT_0) {
        delete pRun;
    } else if (pRun->bLetGo.exchange(true)) {
        delete pRun;  // the body finished just now
    } else {
        // Still running: the body and the trap stay alive until it returns, so a
        // late exit() ends only its thread instead of the test process.
        std::fprintf(stderr, "RunExpectingExit: the body is still running; its trap stays until it returns\n");
    }
    CloseHandle(hThread);
    return result;
}

}  // namespace qlx::testkit
