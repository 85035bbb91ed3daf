// System probe: which Windows runs the program and whether it is a 32-bit process on 64-bit
// Windows. Both answers steer the spooler environment, the driver folder and the registry view.
#pragma once

#include <windows.h>

// OS code (2000..2010) of the running Windows; writes its block to the trace log.
int CheckOS();

// WOW64 flag: nonzero when the program runs on 64-bit Windows as a 32-bit process. A 64-bit build
// runs on 64-bit Windows by construction and reports 1. Writes one trace line.
int IsWow64();

// The 32-bit build's query: 0 when the system lacks IsWow64Process, else the flag it reports.
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
int QueryWow64Flag(IsWow64ProcessFn pfnIsWow64Process);
