// The removal engine: the ordered steps that take an installed driver of this printer model off
// the system. One engine serves both programs; the variant decides the trace names, the progress
// notes and the lines only one of the programs writes.
#pragma once

#include <windows.h>

#include <string>

#include "Profile.h"
#include "RemovalContext.h"
#include "framework/StringList.h"

// Whether a step announces itself with its progress note (removal sequence) or runs quietly
// (the installer's installation paths clearing leftovers of an earlier installation).
enum class Note { Shown, Quiet };

class CRemovalEngine {
public:
    CRemovalEngine(Program variant, IRemovalContext& context);

    // Spooler-side and file-side removal in its fixed order: forms, driver, language monitor,
    // print processor, driver files, INF copies, uninstall entry. The uninstall entry's result.
    bool RemoveFromOS();
    // Installer: every local printer object of the driver, then RemoveDrivers. Ends the program
    // after a message when the printers cannot be listed (nothing has been removed then).
    void RemoveInstalledDriver();
    // Installer: the driver removal proper with its leftovers, ending with the completion note.
    void RemoveDrivers();

    // Opens the printer for full access, cancels its queued jobs and deletes it. A printer that
    // cannot be opened is left alone, without a trace line.
    void DeletePrinterObject(const char* pszPrinterName);
    // The printers the user ticked, head first, each traced by name; then the spooler is bounced.
    void RemovePrinterObjects(const fw::StringList& listPrinterNames);
    // Every form whose name carries the product's form tag.
    void DeleteForms();
    // The printer driver "<maker> <model>"; when the spooler refuses, its driver and printer keys.
    // True when the spooler deleted the driver or both keys were deleted. Bounces the spooler.
    bool DeletePrinterDrv(const char* pszModelName);
    // The language monitor (its Monitors key when the spooler refuses) and its DLL copies.
    void DeleteLanguageMonitor();
    // The print processor (its Print Processors key when the spooler refuses, or says done and
    // still lists it) and its DLL.
    void DeleteProcessor();

    // Driver files in the Windows directory and the version-3 driver folder, with the spooler
    // stopped. Traced as "DeleteFilesUsed" by the installer.
    void DeleteDriverComponent();
    // Every OEM copy of the driver's INF in the system INF folder.
    void DeleteINFFile();
    // The program's entry in the list of installed programs. True when the key was deleted.
    bool DeleteUninstallationInfo(const char* pszModelName);
    // The printer's USB device nodes.
    void DeleteVidPid(Note note = Note::Shown);
    // Removes every USB device (present or not) whose first hardware id begins with the prefix.
    // True when the walk ended normally.
    bool RemoveUsbDevices(const char* pszPrefix);
    // The device-enumerator keys of the USB and parallel-port instances.
    void Delete_LPT_USB_Info(Note note = Note::Shown);
    // The plug-and-play staging folders under the printer driver directory.
    void DeletePrnDrvPnPDirectory(Note note = Note::Shown);

protected:
    bool IsInstaller() const { return m_variant == Program::Installer; }
    std::string Profile(ProfileEntry entry) const { return LoadProfileEntry(m_variant, entry); }
    // The note of the three leftover steps: the uninstaller also steps the bar.
    void LeftoverNote(Note note, const char* pszText);

    Program m_variant;
    IRemovalContext& m_context;
};
