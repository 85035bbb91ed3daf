// The programs' one lock: a critical section and its scoped holder. Both exist on every Windows
// the programs start on, unlike the C++ runtime's mutex, which brings a thread library along.
#pragma once

#include <windows.h>

namespace fw {

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&m_cs); }
    void Leave() { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~ScopedLock() { m_cs.Leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& m_cs;
};

}  // namespace fw
