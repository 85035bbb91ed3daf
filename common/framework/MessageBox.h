// Message box of the programs: caption = the program's name, owner = the main window.
#pragma once

#include <windows.h>

namespace fw {

int AppMessageBox(const char* pszText, UINT nType = MB_OK);

// Takes over every AppMessageBox call (to answer boxes without showing them); it returns the
// answer. Null gives the boxes back to the system.
using MessageBoxHandler = int (*)(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType);
void SetMessageBoxHandler(MessageBoxHandler pfnHandler);

}  // namespace fw
