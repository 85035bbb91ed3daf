#include "DriverVersion.h"

#include <windows.h>
#include <winspool.h>

#include "BoundedText.h"
#include "Spooler.h"
#include "framework/Handles.h"

namespace {

// The version a printer object keeps as printer data; the status of the last value read.
DWORD ReadInstalledVersion(const char* pszPrinter, DriverVersion* pInstalled)
{
    char szName[256] = {};
    CopyText(szName, pszPrinter);
    char szDatatype[] = "RAW";
    PRINTER_DEFAULTSA defaults = {szDatatype, nullptr, PRINTER_ALL_ACCESS};
    fw::ScopedPrinter hPrinter;
    if (!::OpenPrinterA(szName, hPrinter.Receive(), &defaults)) {
        // A printer that cannot be opened counts as version 0.0.0.0.
        *pInstalled = DriverVersion{};
        return ERROR_SUCCESS;
    }
    const struct {
        const char* pszValue;
        unsigned long* pdwField;
    } values[] = {{"MajorVersion", &pInstalled->dwMajor},
                  {"MinorVersion", &pInstalled->dwMinor},
                  {"BuildVersion", &pInstalled->dwBuild},
                  {"ExtraVersion", &pInstalled->dwExtra}};
    DWORD dwStatus = ERROR_SUCCESS;
    for (const auto& value : values) {
        DWORD dwData = 0;
        DWORD dwType = 0;
        DWORD cbNeeded = 0;
        dwStatus = ::GetPrinterDataA(hPrinter.Get(), const_cast<LPSTR>(value.pszValue), &dwType,
                                     reinterpret_cast<LPBYTE>(&dwData), sizeof(dwData), &cbNeeded);
        *value.pdwField = dwData;
    }
    return dwStatus;
}

}  // namespace

int CompareDriverVersion(std::string strDriverName, std::string strProcessorName, DriverVersion wanted)
{
    const SpoolerEnum printers = EnumLocalPrinters();
    const PRINTER_INFO_2A* pPrinters = printers.bOk ? printers.Records<PRINTER_INFO_2A>() : nullptr;
    for (DWORD i = 0; pPrinters != nullptr && i < printers.nCount; ++i) {
        if (pPrinters[i].pDriverName == nullptr || strDriverName != pPrinters[i].pDriverName) {
            continue;
        }
        // Only the first printer that uses the driver counts.
        DriverVersion installed;
        if (ReadInstalledVersion(pPrinters[i].pPrinterName, &installed) != ERROR_SUCCESS) {
            return kVersionReplace;
        }
        return CompareVersionFields(wanted, installed);
    }

    const SpoolerEnum drivers = EnumerateWithSpoolerRetry(
        {kRpcServerUnavailable}, [](BYTE* pBuf, DWORD cbBuf, DWORD* pcbNeeded, DWORD* pnCount) {
            return ::EnumPrinterDriversA(nullptr, nullptr, 4, pBuf, cbBuf, pcbNeeded, pnCount);
        });
    const DRIVER_INFO_4A* pDrivers = drivers.bOk ? drivers.Records<DRIVER_INFO_4A>() : nullptr;
    for (DWORD i = 0; pDrivers != nullptr && i < drivers.nCount; ++i) {
        if (pDrivers[i].pName != nullptr && strDriverName == pDrivers[i].pName) {
            return kVersionReplace;
        }
    }

    if (IsPrintProcessorListed(strProcessorName.c_str())) {
        return kVersionReplace;
    }
    return kVersionNone;
}
