// Trace log lines: "hh:mm:ss: " stamp followed by the message text, cut to fit one line buffer.
#pragma once

#include <cstddef>

constexpr size_t kTraceLineBuffer = 1024;   // bytes per line: stamp, message, terminating zero
constexpr size_t kTraceStampLength = 10;    // "hh:mm:ss: "
constexpr size_t kTraceMessageLimit = 1013; // characters of message text kept

// Writes "%02u:%02u:%02u: " with hour, minute and second at the start of pszLine (cbLine bytes),
// cut to fit and terminated when cbLine > 0.
void FormatTraceStamp(char* pszLine, size_t cbLine, unsigned nHour, unsigned nMinute, unsigned nSecond);
