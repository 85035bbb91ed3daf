// The trace log file of the registration tests.
#include "TraceLog.h"

extern const char g_szTraceLogName[] = "\\QLX-480_RegistrationTest.txt";
