// Unattended runs: the switches a program was started with, the answers of a quiet run to its
// message boxes, and the exit code a deployment tool reads. A run without switches keeps the
// boxes, the restarts and the exit codes the programs always had.
#pragma once

#include "RunSwitches.h"

// Reads the program's command line (bInstaller: /port= is known). With switches, message boxes
// go through the run's answers from now on. Ends the process for a refused command line (1639,
// after a trace line and, unless quiet, a box) and for /? (the usage box unless quiet, then 0).
void BeginRun(bool bInstaller);

// StartTraceLog for the program's dialog; a log named by /log= that cannot be written ends the
// run before any change (1622), after an error box unless quiet.
void StartRunTraceLog();

// The switches of this run (all off before BeginRun).
const RunSwitches& RunOptions();
inline bool HasSwitches() { return RunOptions().bAny; }
inline bool IsQuietRun() { return RunOptions().bQuiet; }

// Whether the program may restart Windows on its own: always without switches; with switches
// unless /quiet or /norestart, and always with /forcerestart.
bool MayRestart();

// Records what happened for the exit code of a run with switches (any thread).
void NoteOutcome(unsigned nOutcome);

// Ends the process: without switches with nCodeWithoutSwitches, as before; with switches with
// the code of the outcomes noted.
[[noreturn]] void EndRun(int nCodeWithoutSwitches);
