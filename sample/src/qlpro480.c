/*
 * QLPRO480.dll stand-in: the print processor of the test package. It announces the one
 * data type the driver uses ("RAW") but prints nothing: opening a job fails with
 * ERROR_NOT_SUPPORTED, so a spooler that really hands it a job reports the failure instead
 * of dropping the data.
 */
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>
#include <string.h>

static const WCHAR s_szRaw[] = L"RAW";

__declspec(dllexport) BOOL WINAPI EnumPrintProcessorDatatypesW(LPWSTR pName, LPWSTR pPrintProcessorName,
                                                              DWORD Level, LPBYTE pDatatypes, DWORD cbBuf,
                                                              LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    DWORD cbNeeded = (DWORD)(sizeof(DATATYPES_INFO_1W) + sizeof(s_szRaw));
    DATATYPES_INFO_1W *pInfo = (DATATYPES_INFO_1W *)pDatatypes;
    WCHAR *pszName;

    (void)pName;
    (void)pPrintProcessorName;
    if (pcbNeeded == NULL || pcReturned == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcReturned = 0;
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    *pcbNeeded = cbNeeded;
    if (pDatatypes == NULL || cbBuf < cbNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    /* The record first, its string right behind it. */
    pszName = (WCHAR *)(pInfo + 1);
    memcpy(pszName, s_szRaw, sizeof(s_szRaw));
    pInfo->pName = pszName;
    *pcReturned = 1;
    return TRUE;
}

__declspec(dllexport) HANDLE WINAPI OpenPrintProcessor(LPWSTR pPrinterName,
                                                       PPRINTPROCESSOROPENDATA pPrintProcessorOpenData)
{
    (void)pPrinterName;
    (void)pPrintProcessorOpenData;
    SetLastError(ERROR_NOT_SUPPORTED);
    return NULL;
}

/* No handle is ever handed out, so every call on one is refused. */
__declspec(dllexport) BOOL WINAPI PrintDocumentOnPrintProcessor(HANDLE hPrintProcessor, LPWSTR pDocumentName)
{
    (void)hPrintProcessor;
    (void)pDocumentName;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI ClosePrintProcessor(HANDLE hPrintProcessor)
{
    (void)hPrintProcessor;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI ControlPrintProcessor(HANDLE hPrintProcessor, DWORD Command)
{
    (void)hPrintProcessor;
    (void)Command;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

/* Capabilities of "RAW": one page per sheet, normal order, one copy. */
__declspec(dllexport) DWORD WINAPI GetPrintProcessorCapabilities(LPTSTR pValueName, DWORD dwAttributes,
                                                                 LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded)
{
    PRINTPROCESSOR_CAPS_1 caps;

    (void)dwAttributes;
    if (pValueName == NULL || pcbNeeded == NULL)
        return ERROR_INVALID_PARAMETER;
    if (lstrcmpiW(pValueName, s_szRaw) != 0)
        return ERROR_INVALID_DATATYPE;
    *pcbNeeded = sizeof(caps);
    if (pData == NULL || nSize < sizeof(caps))
        return ERROR_MORE_DATA;
    caps.dwLevel = 1;
    caps.dwNupOptions = 1;
    caps.dwPageOrderFlags = NORMAL_PRINT;
    caps.dwNumberOfCopies = 1;
    memcpy(pData, &caps, sizeof(caps));
    return ERROR_SUCCESS;
}
