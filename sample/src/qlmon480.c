/*
 * QLMON480.dll stand-in: the language monitor of the test package. The spooler loads it when
 * the monitor is registered and keeps the table it returns. The table is empty apart from its
 * size: this monitor adds no port handling of its own, and no job ever passes through it.
 */
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

static MONITOR2 s_Monitor2 = { .cbSize = sizeof(MONITOR2) };
static MONITORUI s_MonitorUI;
static int s_nMonitorHandle; /* its address serves as the monitor handle */

__declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT pMonitorInit, PHANDLE phMonitor)
{
    if (pMonitorInit == NULL || phMonitor == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    *phMonitor = (HANDLE)&s_nMonitorHandle;
    return &s_Monitor2;
}

static BOOL WINAPI QlmAddPortUI(PCWSTR pszServer, HWND hWnd, PCWSTR pszPortNameIn, PWSTR *ppszPortNameOut)
{
    (void)pszServer;
    (void)hWnd;
    (void)pszPortNameIn;
    if (ppszPortNameOut != NULL)
        *ppszPortNameOut = NULL;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

static BOOL WINAPI QlmConfigurePortUI(PCWSTR pName, HWND hWnd, PCWSTR pPortName)
{
    (void)pName;
    (void)hWnd;
    (void)pPortName;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

static BOOL WINAPI QlmDeletePortUI(PCWSTR pszServer, HWND hWnd, PCWSTR pszPortName)
{
    (void)pszServer;
    (void)hWnd;
    (void)pszPortName;
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

/* The port dialogs: this monitor owns no ports, so each one declines. */
__declspec(dllexport) PMONITORUI WINAPI InitializePrintMonitorUI(VOID)
{
    s_MonitorUI.dwMonitorUISize = sizeof(s_MonitorUI);
    s_MonitorUI.pfnAddPortUI = QlmAddPortUI;
    s_MonitorUI.pfnConfigurePortUI = QlmConfigurePortUI;
    s_MonitorUI.pfnDeletePortUI = QlmDeletePortUI;
    return &s_MonitorUI;
}
