// Application object: one global instance per program; WinMain hands control to its
// InitInstance, whose return value decides nothing (the programs end from their dialogs).
#pragma once

#include <windows.h>

namespace fw {

class Dialog;

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the program's life; returns false when there is no message loop left to run.
    virtual BOOL InitInstance() = 0;

    static Application* Current() { return s_pApp; }

    // The program's one dialog: message boxes belong to it and progress notes are posted to it.
    Dialog* m_pMainWnd = nullptr;
    HWND MainWindow() const;

protected:
    // Loads the common controls the dialogs use (progress bar).
    static void EnableControls();
    // Counts this process in the program's shared instance counter (read, add 1, write back; the
    // counter falls back to 0 when the last process of the program ends). True for the first one.
    static bool CountInstance(LONG& nInstances);
    // Runs the program's one dialog modally as its main window; the DoModal result, -1 when the
    // window could not be made (no desktop, say).
    INT_PTR RunMainDialog(Dialog& dlg);

private:
    static Application* s_pApp;
};

// Both programs run elevated: the first thing each does. Library searches by bare name go to the
// system directory and the Windows directory only, never the program's or the current folder
// (SetDefaultDllDirectories where kernel32 has it, else the current folder leaves the search
// through SetDllDirectoryA("")), and the system libraries the programs import
// late (WINSPOOL.DRV, SETUPAPI.dll, SHLWAPI.dll) are loaded now from the system directory by full
// path, so a copy beside the program can never be the one that runs, on any Windows version.
void RestrictDllSearch();

// Program name as message-box caption: the module's file name without its extension.
const char* AppName();

}  // namespace fw

namespace fw {

// Brings a running instance to the front: looks for a top-level window by each title in turn (the
// first found wins), takes its last active popup, restores the window if minimized and puts the
// popup in the foreground. 0 when a window was found, 1 when none was.
int ActivateWindowByTitle(const char* const* ppszTitles, int nTitles);

}  // namespace fw
