/*
 * UNIDRVUI.DLL stand-in: the configuration module named by the test package's driver record.
 * The spooler loads it when a printer object is added and asks it for the default DEVMODE
 * through DrvDocumentPropertySheets; without that export AddPrinter cannot complete.
 * It shows no property sheets: every document and device setting is the default one.
 */
#include <windows.h>
#include <winspool.h>
#include <winddiui.h>
#include <string.h>

/* The header DrvDocumentPropertySheets receives in lParam (Unicode form). */
typedef struct QLX_DOCUMENTPROPERTYHEADER {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    PDEVMODEW pdmIn;
    PDEVMODEW pdmOut;
    DWORD cbOut;
    DWORD fMode;
} QLX_DOCUMENTPROPERTYHEADER;

/* Default settings: a portrait roll of receipt paper, one copy, 180 dpi. */
static void FillDefaultDevMode(DEVMODEW *pDevMode, LPCWSTR pszPrinterName)
{
    memset(pDevMode, 0, sizeof(*pDevMode));
    if (pszPrinterName != NULL)
        lstrcpynW(pDevMode->dmDeviceName, pszPrinterName, CCHDEVICENAME);
    pDevMode->dmSpecVersion = DM_SPECVERSION;
    pDevMode->dmDriverVersion = 0x0200;
    pDevMode->dmSize = (WORD)sizeof(*pDevMode);
    pDevMode->dmDriverExtra = 0;
    pDevMode->dmFields = DM_ORIENTATION | DM_COPIES | DM_PRINTQUALITY;
    pDevMode->dmOrientation = DMORIENT_PORTRAIT;
    pDevMode->dmCopies = 1;
    pDevMode->dmPrintQuality = 180;
}

__declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam)
{
    QLX_DOCUMENTPROPERTYHEADER *pHeader = (QLX_DOCUMENTPROPERTYHEADER *)lParam;

    if (pPSUIInfo != NULL)
        return CPSUI_CANCEL; /* no property sheets to add */

    /* Without an output buffer the caller asks for the DEVMODE size. */
    if (pHeader == NULL || pHeader->cbSize < sizeof(*pHeader) || pHeader->fMode == 0 ||
        pHeader->pdmOut == NULL)
        return (LONG)sizeof(DEVMODEW);

    if ((pHeader->fMode & DM_OUT_BUFFER) != 0) {
        /* cbOut 0 means the caller sized the buffer from the size query: Wine derives cbOut
           from the output DEVMODE's own dmSize, which a fresh buffer leaves at 0. */
        if (pHeader->cbOut != 0 && pHeader->cbOut < sizeof(DEVMODEW)) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return -1;
        }
        FillDefaultDevMode(pHeader->pdmOut, pHeader->pszPrinterName);
        /* A valid input DEVMODE is taken over as it stands. */
        if ((pHeader->fMode & DM_IN_BUFFER) != 0 && pHeader->pdmIn != NULL &&
            pHeader->pdmIn->dmSize == sizeof(DEVMODEW) && pHeader->pdmIn->dmDriverExtra == 0)
            memcpy(pHeader->pdmOut, pHeader->pdmIn, sizeof(DEVMODEW));
    }
    return CPSUI_OK;
}

__declspec(dllexport) LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam)
{
    (void)lParam;
    return pPSUIInfo == NULL ? CPSUI_OK : CPSUI_CANCEL;
}

__declspec(dllexport) DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap,
                                                         PVOID pvOutput, PDEVMODEW pDevMode)
{
    (void)hPrinter;
    (void)pDeviceName;
    (void)pvOutput;
    (void)pDevMode;
    switch (iDevCap) {
    case DC_SIZE:
        return sizeof(DEVMODEW);
    case DC_VERSION:
        return DM_SPECVERSION;
    case DC_DRIVER:
        return 0x0200;
    case DC_COPIES:
        return 1;
    default:
        return 0; /* no lists (papers, bins, resolutions) to offer */
    }
}

__declspec(dllexport) BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam)
{
    (void)pPrinterName;
    (void)DriverEvent;
    (void)Flags;
    (void)lParam;
    return TRUE; /* nothing to set up or tear down per printer */
}

__declspec(dllexport) BOOL WINAPI DrvDriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo, LPARAM lParam)
{
    (void)dwDriverEvent;
    (void)dwLevel;
    (void)pDriverInfo;
    (void)lParam;
    return TRUE;
}
