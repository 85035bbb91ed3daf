#include "KVNPOS_Installer.h"

#include "KVNPOS_InstallerDlg.h"
#include "UnattendedRun.h"

// Shared by every running process of this program file: the instance counter and the titles of
// the windows a second instance brings to the front (message box, progress dialog, port dialog).
struct InstanceSection {
    LONG nInstances;
    char szAppTitle[32];
    char szProgressTitle[32];
    char szPortTitle[32];
};
__attribute__((section("DataSeg"), shared)) InstanceSection g_instanceSection = {
    0, "QLX480_Installer", "Installation Progress", "Port Type"};

extern const char g_szTraceLogName[] = "\\QLX-480_Installer.txt";

CKVNPOS_InstallerApp theApp;

BOOL CKVNPOS_InstallerApp::InitInstance()
{
    EnableControls();
    BeginRun(true);

    if (!CountInstance(g_instanceSection.nInstances)) {
        if (!IsQuietRun()) {
            ActivatePreviousInstance();
        }
        NoteOutcome(kOutcomeAnotherInstance);
        EndRun(0);
    }
    CKVNPOS_InstallerDlg dlg;
    dlg.KeepHidden(IsQuietRun());
    // A dialog that could not be made did nothing: never a success for a run with switches.
    if (RunMainDialog(dlg) == -1) {
        NoteOutcome(kOutcomeFailure);
    }
    EndRun(0);
}

int CKVNPOS_InstallerApp::ActivatePreviousInstance()
{
    const char* const titles[] = {g_instanceSection.szPortTitle, g_instanceSection.szProgressTitle,
                                  g_instanceSection.szAppTitle};
    return fw::ActivateWindowByTitle(titles, 3);
}
