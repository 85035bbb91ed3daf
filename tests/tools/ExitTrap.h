// Traps the C runtime's exit() so product code that ends the process from a
// worker thread ends only that thread.
//
// The static MinGW runtime takes exit from msvcrt.dll: the executable's own
// `exit` is a one-instruction stub that jumps through the IAT slot
// msvcrt.dll!exit, so hooking that slot catches every call.
#pragma once

#include "Hooks.h"

#include <cstdlib>
#include <functional>
#include <vector>

namespace qlx::testkit {

struct ExitResult {
    bool exited;  // exit() was called
    int code;     // its argument (0 when not exited)
};

class ExitTrap {
public:
    ExitTrap();
    ~ExitTrap();
    ExitTrap(const ExitTrap&) = delete;
    ExitTrap& operator=(const ExitTrap&) = delete;

    // Waits until some thread calls exit(); {false, 0} after `dwTimeoutMs`.
    ExitResult Wait(DWORD dwTimeoutMs) const;
    bool Exited() const;
    // Every code passed to exit() so far, in order.
    std::vector<int> Codes() const;
    HANDLE Event() const { return m_hEvent; }

private:
    HANDLE m_hEvent;
    mutable std::mutex m_mutex;
    std::vector<int> m_codes;
    Hook<decltype(&std::exit)> m_hook;
};

// Runs `body` on a new thread with exit() trapped. Returns {true, code} when exit()
// was called (from that thread or one it started) within `dwTimeoutMs`, {false, 0}
// when the body returned without it or the time ran out.
ExitResult RunExpectingExit(std::function<void()> body, DWORD dwTimeoutMs = 20000);

}  // namespace qlx::testkit
