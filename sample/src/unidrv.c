/*
 * UNIDRV.DLL stand-in: the rendering module named by the test package's driver record.
 * Our own placeholder, not a renderer: the spooler calls used by the setup programs never
 * load it, and a graphics engine that does gets a refusal instead of a half-working driver.
 */
#include <windows.h>

__declspec(dllexport) BOOL WINAPI DrvEnableDriver(ULONG iEngineVersion, ULONG cj, PVOID pded)
{
    (void)iEngineVersion;
    (void)cj;
    (void)pded;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
