// Trace log: one plain-text file per program under <Windows drive>\Temp, emptied at start so it
// holds exactly one run; one time-stamped line per call. The file is opened once per run and every
// line is written through that handle at once, so nothing is lost when the process ends abruptly.
// The programs run elevated: a log file that is a link, has a second name, or lies below a folder
// that is a link is never written; the default log then goes to <Windows>\Temp. Callable from any
// thread.
#pragma once

#include <string>

// File name of this program's log, with its leading separator; defined by each program.
extern const char g_szTraceLogName[];

// Computes the log path, creates the log folder and opens the log, emptied. False only when the
// log named on the command line cannot be written (its missing folders are made first); nothing
// is logged then and TraceLogRefusal() says why. The default log that cannot be written falls
// back to <Windows>\Temp, whose first line says why; failing both, the run goes on without a log.
bool StartTraceLog();

// A log path given on the command line: StartTraceLog takes it (made absolute against the
// current folder) in place of the one under <Windows drive>\Temp.
void ChooseTraceLogPath(const char* pszPath);

// Appends one line: "hh:mm:ss: " and the expanded message (cut at 1013 characters), then CR LF.
// Understands %ws for wide strings. Leaves the thread's last-error value as it found it.
void WriteTraceLog(const char* pszFormat, ...) __attribute__((format(ms_printf, 1, 2)));

// The log path in use ("" before StartTraceLog).
const char* TraceLogPath();
// The log path as messages show it to the user: made whole, with single separators.
std::string TraceLogShownPath();
// Why the last StartTraceLog refused a path ("" when it did not).
const char* TraceLogRefusal();

// Step frame: "\r\n" and "<name> BEGIN" on construction, "<name> END" at End() or on leaving.
class TraceStep {
public:
    explicit TraceStep(const char* pszName);
    ~TraceStep() { End(); }
    TraceStep(const TraceStep&) = delete;
    TraceStep& operator=(const TraceStep&) = delete;

    void End();
    // Leaves the step without its END line (the steps that return early on failure).
    void Abandon() { m_bEnded = true; }

private:
    const char* m_pszName;
    bool m_bEnded = false;
};
