// What the removal steps read from the program that owns them: the probe results and the
// dialog's status line and progress bar.
#pragma once

#include <windows.h>

class IRemovalContext {
public:
    virtual ~IRemovalContext() = default;

    virtual int Wow64() const = 0;   // nonzero: 32-bit program on 64-bit Windows (64-bit view)
    virtual int OSCode() const = 0;  // 2000..2010

    // Progress note: the status text, one bar step when bStepBar, a refresh posted to the dialog,
    // then the pause (0: none).
    virtual void ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs) = 0;
    // Puts the bar at nPos (the completion note).
    virtual void SetProgressPos(int nPos) = 0;
};
