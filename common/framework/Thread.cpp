#include "Thread.h"

#include <process.h>

namespace fw {

namespace {

struct StartInfo {
    ThreadProc pfnProc;
    LPVOID pParam;
};

unsigned __stdcall ThreadEntry(void* pv)
{
    std::unique_ptr<StartInfo> pStart(static_cast<StartInfo*>(pv));
    return pStart->pfnProc(pStart->pParam);
}

}  // namespace

std::unique_ptr<Thread> BeginThread(ThreadProc pfnProc, LPVOID pParam, int nPriority)
{
    auto pStart = std::make_unique<StartInfo>(StartInfo{pfnProc, pParam});
    auto pThread = std::make_unique<Thread>();
    unsigned nThreadId = 0;
    // Created suspended so the priority is set before the procedure runs; the C runtime's start
    // routine keeps the runtime's per-thread data right for the worker.
    const uintptr_t h = ::_beginthreadex(nullptr, 0, ThreadEntry, pStart.get(), CREATE_SUSPENDED, &nThreadId);
    if (h == 0) {
        return nullptr;
    }
    pStart.release();
    pThread->m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    pThread->m_nThreadId = nThreadId;
    ::SetThreadPriority(pThread->m_hThread.Get(), nPriority);
    ::ResumeThread(pThread->m_hThread.Get());
    return pThread;
}

}  // namespace fw
