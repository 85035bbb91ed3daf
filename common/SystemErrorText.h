// The system's English text for a Windows error number, as the error boxes show it.
#pragma once

#include <windows.h>

#include <string>

// FormatMessageA from the system table in English (United States); "" when the system has none.
std::string SystemErrorText(DWORD dwError);
