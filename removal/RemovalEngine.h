// The removal engine: the ordered steps that take an installed driver of this printer model off
// the system. One engine serves both programs; the variant decides the trace names, the progress
// notes and the lines only one of the programs writes.
#pragma once

#include <windows.h>

#include <string>

#include "Profile.h"
#include "RemovalContext.h"

// Whether a step announces itself with its progress note (removal sequence) or runs quietly
// (the installer's installation paths clearing leftovers of an earlier installation).
enum class Note { Shown, Quiet };

class CRemovalEngine {
public:
    CRemovalEngine(Program variant, IRemovalContext& context);

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
