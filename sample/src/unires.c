/*
 * UNIRES.DLL stand-in: the shared resource module of the test package. It carries no
 * resources; the spooler only needs the file to exist as a dependent file.
 */
#include <windows.h>

/* Lets a caller confirm it loaded this module rather than a system one. */
__declspec(dllexport) DWORD WINAPI QlxStandInVersion(void)
{
    return 0x00020000; /* 2.0 */
}
