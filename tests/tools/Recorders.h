// Recorders for the calls that pause, start programs or ask the user.
// Each one hooks its import for its lifetime, records every call in order and
// answers at once, so tests neither wait nor need a window.
#pragma once

#include "Hooks.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace qlx::testkit {

// kernel32 Sleep: records the duration and returns at once. Sleep(0) still
// yields (spin loops in the runtime rely on it), and is recorded too.
class SleepRecorder {
public:
    SleepRecorder();
    std::vector<DWORD> Durations() const;
    // Durations without the zero-length yields.
    std::vector<DWORD> Pauses() const;
    DWORD Total() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<DWORD> m_durations;
    Hook<decltype(&Sleep)> m_hook;
};

// kernel32 WinExec: records the command line and show flag. By default it
// starts nothing and returns 33 (what WinExec returns when it started the program).
class WinExecRecorder {
public:
    struct Call {
        std::string strCmdLine;
        UINT uShow;
    };
    WinExecRecorder();
    std::vector<Call> Calls() const;
    std::vector<std::string> CommandLines() const;
    void SetResult(UINT uResult) { m_uResult = uResult; }
    // Pass the calls on to the real WinExec (still recorded; its result is returned).
    void SetRunForReal(bool bRun) { m_bRunForReal = bRun; }
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::atomic<UINT> m_uResult{33};
    std::atomic<bool> m_bRunForReal{false};
    Hook<decltype(&WinExec)> m_hook;
};

// user32 MessageBoxA: records each box and answers from a queue (IDOK once the
// queue is empty). No window is made.
class MessageBoxRecorder {
public:
    struct Box {
        bool bOwner;  // a non-null owner window was passed
        std::string strText;
        std::string strCaption;
        UINT uType;
    };
    MessageBoxRecorder();
    void QueueAnswer(int nAnswer);
    void SetDefaultAnswer(int nAnswer) { m_nDefault = nAnswer; }
    std::vector<Box> Boxes() const;
    size_t Count() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
    std::deque<int> m_answers;
    std::atomic<int> m_nDefault{IDOK};
    Hook<decltype(&MessageBoxA)> m_hook;
};

}  // namespace qlx::testkit
