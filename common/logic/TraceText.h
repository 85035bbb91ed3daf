// Trace log lines: "hh:mm:ss: " stamp followed by the message text, cut to fit one line buffer.
#pragma once

#include <cstddef>
#include <vector>

constexpr size_t kTraceLineBuffer = 1024;   // bytes per line: stamp, message, terminating zero
constexpr size_t kTraceStampLength = 10;    // "hh:mm:ss: "
constexpr size_t kTraceMessageLimit = 1013; // characters of message text kept

// Writes "%02u:%02u:%02u: " with hour, minute and second at the start of pszLine (cbLine bytes),
// cut to fit and terminated when cbLine > 0.
void FormatTraceStamp(char* pszLine, size_t cbLine, unsigned nHour, unsigned nMinute, unsigned nSecond);

// Lengths of the leading parts of a full path below its root (C:\ or \\server\share\), one for
// each folder and one for the last name: C:\\Temp\a.txt gives 8 (C:\\Temp) and 14. Doubled
// separators make no part; a path without a root gives none.
std::vector<size_t> PathPartEnds(const char* pszPath);
