// The names of the INF files in the system's INF folder, as the device-setup calls list them.
#pragma once

#include <vector>

// The file names of the system's INF folder (INF_STYLE_WIN4), each ended by a zero byte, the list
// ended by one more. Taken from SetupGetInfFileListA in its two-call form; where that call's size
// query reports nothing, from the wide call over the same folder, converted to the ANSI code page.
// Never empty: an empty list is two zero bytes.
std::vector<char> SystemInfFileList();
