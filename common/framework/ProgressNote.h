// The progress note: how a step on the worker thread tells the program's dialog what it is doing.
#pragma once

#include <windows.h>

namespace fw {

class Control;
class SharedText;

// Refresh: the dialog copies its status and version texts into their controls. Any thread may
// post it.
constexpr UINT WM_REFRESH = WM_USER + 1;

// Posts the refresh to the application's main window, or to hFallback while there is none.
void PostRefresh(HWND hFallback = nullptr);

// The status text, one bar step when bStepBar, the refresh posted, then the pause (0: none).
// A status text or bar that is not there yet is left out.
void ProgressNote(SharedText* pStatus, const Control* pProgress, const char* pszText, bool bStepBar,
                  DWORD dwPauseMs, HWND hFallback = nullptr);

}  // namespace fw
