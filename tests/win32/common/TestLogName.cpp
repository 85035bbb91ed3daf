// The trace log file of the common tests (each program names its own).
#include "TraceLog.h"

extern const char g_szTraceLogName[] = "\\QLX-480_CommonTest.txt";
