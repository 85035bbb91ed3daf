// Trace log: one plain-text file per program under <Windows drive>\Temp, deleted at start so it
// holds exactly one run; one time-stamped line per call, opened and closed for every line so that
// nothing is lost when the process ends abruptly. Callable from any thread.
#pragma once

// File name of this program's log, with its leading separator; defined by each program.
extern const char g_szTraceLogName[];

// Computes the log path, creates the log folder and deletes the log of an earlier run.
void StartTraceLog();

// A log path given on the command line: StartTraceLog takes it (made absolute against the
// current folder) in place of the one under <Windows drive>\Temp, and creates no folder.
void ChooseTraceLogPath(const char* pszPath);

// Appends one line: "hh:mm:ss: " and the expanded message (cut at 1013 characters), then CR LF.
// Understands %ws for wide strings. Leaves the thread's last-error value as it found it.
void WriteTraceLog(const char* pszFormat, ...) __attribute__((format(ms_printf, 1, 2)));

// The log path in use ("" before StartTraceLog).
const char* TraceLogPath();

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
