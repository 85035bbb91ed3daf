// The trace log of the utilities tests.
extern const char g_szTraceLogName[] = "\\QLX-480_UtilitiesTest.txt";
