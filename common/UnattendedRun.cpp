#include "UnattendedRun.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "TraceLog.h"
#include "framework/MessageBox.h"

namespace {

// Written once by BeginRun on the first thread, read by both threads afterwards.
RunSwitches s_switches;
// Outcomes noted by either thread, or-ed in atomically.
volatile LONG s_nOutcomes = 0;

const char kInstallerUsage[] =
    "Usage: QLX480_Installer [/quiet] [/port=COM1|COM2|COM3|COM4|LPT1|LPT2|USB] [/norestart | /forcerestart] "
    "[/log=PATH] [/?]";
const char kUninstallerUsage[] = "Usage: QLX480_Uninstaller [/quiet] [/norestart | /forcerestart] [/log=PATH] [/?]";

// Message boxes of a run with switches. The programs' only Yes/No box is the restart question:
// asking it means the run needs a restart. A quiet run shows nothing: the text and the answer
// taken go to the trace log; /norestart and /forcerestart answer the restart question themselves.
int AnswerMessageBox(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType)
{
    const bool bRestartQuestion = (nType & MB_TYPEMASK) == MB_YESNO;
    if (bRestartQuestion) {
        NoteOutcome(kOutcomeRestartNeeded);
    }
    const bool bAnswerHere = s_switches.bQuiet || (bRestartQuestion && (s_switches.bNoRestart || s_switches.bForceRestart));
    if (!bAnswerHere) {
        return ::MessageBoxA(hOwner, pszText, pszCaption, nType);
    }
    int nAnswer = IDOK;
    if (bRestartQuestion) {
        nAnswer = s_switches.bForceRestart ? IDYES : IDNO;
    }
    WriteTraceLog("MESSAGE : %s", pszText);
    WriteTraceLog("ANSWER : %s", nAnswer == IDYES ? "Yes" : nAnswer == IDNO ? "No" : "OK");
    return nAnswer;
}

}  // namespace

const RunSwitches& RunOptions() { return s_switches; }

bool MayRestart()
{
    if (!s_switches.bAny || s_switches.bForceRestart) {
        return true;
    }
    return !s_switches.bQuiet && !s_switches.bNoRestart;
}

void NoteOutcome(unsigned nOutcome) { ::InterlockedOr(&s_nOutcomes, static_cast<LONG>(nOutcome)); }

void EndRun(int nCodeWithoutSwitches)
{
    std::exit(s_switches.bAny ? ExitCodeFromOutcomes(static_cast<unsigned>(::InterlockedOr(&s_nOutcomes, 0))) : nCodeWithoutSwitches);
}

void StartRunTraceLog()
{
    if (StartTraceLog()) {
        return;
    }
    NoteOutcome(kOutcomeLogFailure);
    const std::string strText = "The trace log " + TraceLogShownPath() + " cannot be written: " +
                                TraceLogRefusal() + ".\n\nName another file with /log= and run the program again.";
    fw::AppMessageBox(strText.c_str(), MB_OK | MB_ICONHAND);
    EndRun(0);
}

void BeginRun(bool bInstaller)
{
    s_switches = ParseRunSwitches(SkipProgramName(::GetCommandLineA()), bInstaller);
    if (!s_switches.bAny) {
        return;
    }
    fw::SetMessageBoxHandler(AnswerMessageBox);
    ChooseTraceLogPath(s_switches.szLogPath);
    const char* pszUsage = bInstaller ? kInstallerUsage : kUninstallerUsage;

    if (!s_switches.bValid) {
        NoteOutcome(kOutcomeBadCommandLine);
        StartTraceLog();
        WriteTraceLog("Unknown command-line switch or value : %s", s_switches.szBadSwitch);
        const std::string strText = "Unknown command-line switch or value : " + std::string(s_switches.szBadSwitch) +
                                    "\n\n" + pszUsage;
        fw::AppMessageBox(strText.c_str(), MB_OK | MB_ICONHAND);
        EndRun(0);
    }
    if (s_switches.bHelp) {
        fw::AppMessageBox(pszUsage, MB_OK | MB_ICONINFORMATION);
        EndRun(0);
    }
}
