// The system's English text for a Windows error number, as the error boxes show it.
#pragma once

#include <windows.h>

#include <string>

// FormatMessageA from the system table in English (United States); "" when the system has none.
std::string SystemErrorText(DWORD dwError);

// Error box: the header (a format with one %d for the error number) followed by the system's text
// for the error, shown as the program's message box with the given type.
int ShowSystemErrorBox(const char* pszHeaderFormat, DWORD dwError, UINT nType);
