#include "KVNPOS_Uninstaller.h"

#include "KVNPOS_UninstallerDlg.h"
#include "UnattendedRun.h"

// Shared by every running process of this program file: the instance counter and the titles of
// the windows a second instance brings to the front (the dialog, then a message box).
struct InstanceSection {
    LONG nInstances;
    char szAppTitle[32];
    char szDialogTitle[32];
};
__attribute__((section("DataSeg"), shared)) InstanceSection g_instanceSection = {
    0, "QLX480_Uninstaller", "KORVANE QLX-480 Uninstaller"};

extern const char g_szTraceLogName[] = "\\QLX-480_UnInstaller.txt";

CKVNPOS_UninstallerApp theApp;

BOOL CKVNPOS_UninstallerApp::InitInstance()
{
    EnableControls();
    BeginRun(false);

    if (!CountInstance(g_instanceSection.nInstances)) {
        if (!IsQuietRun()) {
            ActivatePreviousInstance();
        }
        NoteOutcome(kOutcomeAnotherInstance);
        EndRun(0);
    }
    CKVNPOS_UninstallerDlg dlg;
    dlg.KeepHidden(IsQuietRun());
    // A dialog that could not be made did nothing: never a success for a run with switches.
    if (RunMainDialog(dlg) == -1) {
        NoteOutcome(kOutcomeFailure);
    }
    EndRun(0);
}

int CKVNPOS_UninstallerApp::ActivatePreviousInstance()
{
    const char* const titles[] = {g_instanceSection.szDialogTitle, g_instanceSection.szAppTitle};
    return fw::ActivateWindowByTitle(titles, 2);
}
