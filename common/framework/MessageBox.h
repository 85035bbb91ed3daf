// Message box of the programs: caption = the program's name, owner = the main window.
#pragma once

#include <windows.h>

namespace fw {

int AppMessageBox(const char* pszText, UINT nType = MB_OK);

}  // namespace fw
