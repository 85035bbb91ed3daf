// The trace log file of the installer tests.
#include "TraceLog.h"

extern const char g_szTraceLogName[] = "\\QLX-480_InstallerTest.txt";
