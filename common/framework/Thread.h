// Worker-thread start. The returned object owns the thread handle only; the thread runs on when
// the object goes away.
#pragma once

#include <windows.h>

#include <memory>

#include "Handles.h"

namespace fw {

using ThreadProc = UINT (*)(LPVOID pParam);

struct Thread {
    ScopedHandle m_hThread;
    DWORD m_nThreadId = 0;
};

// Starts pfnProc(pParam) on a new thread with the given priority, default stack size, no creation
// flags and no security attributes. Null when the thread could not be started.
std::unique_ptr<Thread> BeginThread(ThreadProc pfnProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL);

}  // namespace fw
