// Command line of unattended runs: the switches of both programs, and the exit code that a
// deployment tool reads from a run started with switches.
#pragma once

#include <cstddef>

// Exit codes of a run started with switches.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1603;
constexpr int kExitNothingInstalled = 1605;
constexpr int kExitAnotherInstance = 1618;
constexpr int kExitPackageInvalid = 1620;
constexpr int kExitLogFailure = 1622;
constexpr int kExitOldWindows = 1633;
constexpr int kExitBadCommandLine = 1639;
constexpr int kExitRestartStarted = 1641;
constexpr int kExitRestartNeeded = 3010;

// What a run noted on its way; more than one may hold.
enum RunOutcome : unsigned {
    kOutcomeRestartNeeded = 1u << 0,
    kOutcomeRestartStarted = 1u << 1,
    kOutcomeNothingInstalled = 1u << 2,
    kOutcomeFailure = 1u << 3,
    kOutcomeOldWindows = 1u << 4,
    kOutcomeBadCommandLine = 1u << 5,
    kOutcomeAnotherInstance = 1u << 6,
    kOutcomePackageInvalid = 1u << 7,
    kOutcomeLogFailure = 1u << 8,
};

// The exit code of a set of outcomes: the run ended early (another instance, bad command line,
// unwritable log, old Windows, incomplete package) before it failed; a failure before "nothing
// installed"; a started restart before a needed one; none of them is success.
int ExitCodeFromOutcomes(unsigned nOutcomes);

constexpr size_t kLogPathSize = 256;
constexpr size_t kBadSwitchSize = 64;

struct RunSwitches {
    bool bAny = false;           // the command line held at least one argument
    bool bValid = true;          // every argument was a known switch with a good value
    bool bQuiet = false;
    bool bNoRestart = false;
    bool bForceRestart = false;
    bool bHelp = false;
    int nPortIndex = -1;         // 0..6 from /port=, -1 when not given
    char szLogPath[kLogPathSize] = {};     // from /log=, "" when not given
    char szBadSwitch[kBadSwitchSize] = {}; // the first argument that was refused, cut to fit
};

// Reads the arguments (the command line after the program name). Switches begin with "/" or "-"
// and are matched without regard to case; arguments are separated by blanks and tabs, and double
// quotes group blanks into one argument and are dropped. /port= is known only when bAcceptPort
// (the installer), and takes COM1..COM4, LPT1, LPT2 or USB in any case. A switch given twice is
// taken once when both agree; two different values, or /norestart with /forcerestart, are
// refused; the switches around a refused argument are still read. An empty /log= value or one that does not fit its buffer is refused. A null text is an
// empty command line.
RunSwitches ParseRunSwitches(const char* pszArgs, bool bAcceptPort);

// The arguments of a whole command line: what follows the program name (quoted or not) and the
// blanks after it.
const char* SkipProgramName(const char* pszCommandLine);
