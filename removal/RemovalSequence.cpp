// The order of a removal: the printer objects, then the spooler-side and file-side removal, then
// the leftovers; and the installer's complete removal of a different installed version.
#include "RemovalEngine.h"

#include <winspool.h>

#include <cstdlib>
#include <optional>

#include "BoundedText.h"
#include "Spooler.h"
#include "SystemErrorText.h"
#include "TraceLog.h"
#include "UnattendedRun.h"

bool CRemovalEngine::RemoveFromOS()
{
    std::optional<TraceStep> step;
    if (IsInstaller()) {
        step.emplace("RemoveFromOS");
    }
    char szModelName[256] = {};
    CopyText(szModelName, Profile(ProfileEntry::ModelName).c_str());

    DeleteForms();
    DeletePrinterDrv(szModelName);
    DeleteLanguageMonitor();
    DeleteProcessor();
    DeleteDriverComponent();
    DeleteINFFile();
    return DeleteUninstallationInfo(szModelName);
}

void CRemovalEngine::RemoveInstalledDriver()
{
    m_context.ProgressNote("Deleting printer-objects...", true, 0);

    const SpoolerEnum printers = EnumLocalPrinters();
    if (!printers.bOk) {
        // Nothing has been removed yet: the installer cannot go on without the printer list.
        ShowSystemErrorBox("EnumPrinters Error Code: %d\n\n", printers.dwError, MB_ICONEXCLAMATION);
        EndRun(0);
    }

    const std::string strDriverName = Profile(ProfileEntry::DriverName);
    const PRINTER_INFO_2A* pPrinters = printers.Records<PRINTER_INFO_2A>();
    for (DWORD i = 0; pPrinters != nullptr && i < printers.nCount; ++i) {
        if (pPrinters[i].pDriverName != nullptr && pPrinters[i].pPrinterName != nullptr &&
            strDriverName == pPrinters[i].pDriverName) {
            DeletePrinterObject(pPrinters[i].pPrinterName);
        }
    }
    RemoveDrivers();
}

void CRemovalEngine::RemoveDrivers()
{
    TraceStep step("RemoveDrivers");
    m_context.ProgressNote("Removing printer-driver...", true, 500);
    RemoveFromOS();
    DeleteVidPid(Note::Shown);
    Delete_LPT_USB_Info(Note::Shown);
    DeletePrnDrvPnPDirectory(Note::Shown);
    m_context.SetProgressPos(100);
    m_context.ProgressNote("The uninstallation has been completed.", false, 1000);
}
