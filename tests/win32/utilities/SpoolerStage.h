// Spooler staging for the registration and removal tests: the system folders, registry keys made
// and looked up in the 64-bit view, the product's spooler objects found by name, and the clean-up
// of everything an installation may have registered or copied.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>
#include <winspool.h>

#include <cstring>
#include <string>

#include "Spooler.h"

namespace spooler_stage {

inline const char kDriverName[] = "KORVANE QLX-480";
inline const char kMonitorName[] = "KVN Language Monitor QLX-480";
inline const char kProcessorName[] = "KVN PRINT PROCESSOR QLX-480";
inline const char kPrintKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\";
inline const std::string kDriverKey64 =
    std::string(kPrintKey) + "Environments\\Windows x64\\Drivers\\Version-3\\" + kDriverName;
inline const std::string kDriverKey32 =
    std::string(kPrintKey) + "Environments\\Windows NT x86\\Drivers\\Version-3\\" + kDriverName;
inline const std::string kDriverPrinterKey = std::string(kPrintKey) + "Printers\\" + kDriverName;
inline const std::string kMonitorKey = std::string(kPrintKey) + "Monitors\\" + kMonitorName;
inline const std::string kProcessorKey64 =
    std::string(kPrintKey) + "Environments\\Windows x64\\Print Processors\\" + kProcessorName;
inline const std::string kProcessorKey32 =
    std::string(kPrintKey) + "Environments\\Windows NT x86\\Print Processors\\" + kProcessorName;

// Files the driver record names, staged into the printer-driver directory.
inline const char* const kDriverFiles[] = {"UNIDRV.DLL",  "UNIDRVUI.DLL", "UNIDRV.HLP",  "UNIRES.DLL",
                                           "QLX480.dll",  "QLUI480.dll",  "QLUNI480.dll", "QLUI480.INI",
                                           "QLX480.GPD",  "STDNAMES.GPD"};
// Printer objects an installation names.
inline const char* const kPrinterNames[] = {"KORVANE QLX-480", "KORVANE QLX-480(#1)", "KORVANE QLX-480(#2)",
                                            "KORVANE QLX-480(#3)"};

inline std::string WindowsDir()
{
    char sz[MAX_PATH] = "";
    ::GetWindowsDirectoryA(sz, sizeof(sz));
    return sz;
}

inline std::string SystemDir()
{
    char sz[MAX_PATH] = "";
    ::GetSystemDirectoryA(sz, sizeof(sz));
    return sz;
}

// The 32-bit system folder as this Windows reports it ("" when it has none).
inline std::string Wow64SystemDir()
{
    char sz[MAX_PATH] = "";
    if (::GetSystemWow64DirectoryA(sz, sizeof(sz)) == 0) {
        return "";
    }
    return sz;
}

inline std::string DriverDir()
{
    char sz[MAX_PATH] = "";
    DWORD cb = 0;
    ::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(sz), sizeof(sz), &cb);
    return sz;
}

inline std::string ProcessorDir()
{
    char sz[MAX_PATH] = "";
    DWORD cb = 0;
    ::GetPrintProcessorDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(sz), sizeof(sz), &cb);
    return sz;
}

// The system's text for an error code, "" when it has none (as the error box appends it).
inline std::string SystemText(DWORD dwError)
{
    char* pszText = nullptr;
    const DWORD cch = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, dwError,
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<LPSTR>(&pszText),
                                       0, nullptr);
    std::string strText = cch != 0 && pszText != nullptr ? std::string(pszText, cch) : std::string();
    ::LocalFree(pszText);
    return strText;
}

inline bool KeyExists(const std::string& strKey)
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(hKey);
    return true;
}

// The key (and its parents) in the 64-bit view, holding one text value.
inline void MakeKey(const std::string& strKey, const char* pszValueName = "Driver")
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &hKey, nullptr))
        << strKey;
    ::RegSetValueExA(hKey, pszValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    ::RegCloseKey(hKey);
}

inline void DeleteIfThere(const std::string& strPath)
{
    ::SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(strPath.c_str());
}

inline void DeletePrinterNamed(const std::string& strName)
{
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = nullptr;
    if (::OpenPrinterA(const_cast<LPSTR>(strName.c_str()), &hPrinter, &defaults)) {
        ::DeletePrinter(hPrinter);
        ::ClosePrinter(hPrinter);
    }
}

inline SpoolerEnum EnumPrinters()
{
    return EnumerateTwoCall([](LPBYTE p, DWORD cb, LPDWORD pcb, LPDWORD pn) {
        return ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, p, cb, pcb, pn);
    });
}

inline const PRINTER_INFO_2A* FindPrinter(const SpoolerEnum& printers, const char* pszName)
{
    for (DWORD i = 0; i < printers.nCount; ++i) {
        const PRINTER_INFO_2A& info = printers.Records<PRINTER_INFO_2A>()[i];
        if (info.pPrinterName != nullptr && std::strcmp(info.pPrinterName, pszName) == 0) {
            return &info;
        }
    }
    return nullptr;
}

inline SpoolerEnum EnumDrivers()
{
    return EnumerateTwoCall([](LPBYTE p, DWORD cb, LPDWORD pcb, LPDWORD pn) {
        return ::EnumPrinterDriversA(nullptr, nullptr, 3, p, cb, pcb, pn);
    });
}

// The product's driver as the spooler lists it (null when it is not registered).
inline const DRIVER_INFO_3A* FindDriver(const SpoolerEnum& drivers)
{
    for (DWORD i = 0; i < drivers.nCount; ++i) {
        const DRIVER_INFO_3A& info = drivers.Records<DRIVER_INFO_3A>()[i];
        if (info.pName != nullptr && std::strcmp(info.pName, kDriverName) == 0) {
            return &info;
        }
    }
    return nullptr;
}

inline bool DriverRegistered()
{
    const SpoolerEnum drivers = EnumDrivers();
    return FindDriver(drivers) != nullptr;
}

inline bool ProcessorRegistered()
{
    const SpoolerEnum processors = EnumerateTwoCall([](LPBYTE p, DWORD cb, LPDWORD pcb, LPDWORD pn) {
        return ::EnumPrintProcessorsA(nullptr, nullptr, 1, p, cb, pcb, pn);
    });
    for (DWORD i = 0; i < processors.nCount; ++i) {
        const PRINTPROCESSOR_INFO_1A& info = processors.Records<PRINTPROCESSOR_INFO_1A>()[i];
        if (info.pName != nullptr && std::strcmp(info.pName, kProcessorName) == 0) {
            return true;
        }
    }
    return false;
}

// Everything of the product an installation may have left with the spooler: printer objects,
// driver, monitor and processor (through the spooler and their keys, since Wine's spooler keeps
// some of them), the monitor and processor DLLs and the staged driver files.
inline void RemoveSpoolerState()
{
    for (const char* pszName : kPrinterNames) {
        DeletePrinterNamed(pszName);
    }
    ::DeletePrinterDriverExA(nullptr, nullptr, const_cast<LPSTR>(kDriverName), 0, 3);
    ::DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>(kMonitorName));
    for (const std::string& strKey :
         {kDriverKey64, kDriverKey32, kDriverPrinterKey, kMonitorKey, kProcessorKey64, kProcessorKey32}) {
        ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, strKey.c_str());
    }
    std::string dirs[] = {WindowsDir(), SystemDir(), Wow64SystemDir()};
    for (const std::string& strDir : dirs) {
        if (!strDir.empty()) {
            DeleteIfThere(strDir + "\\QLMON480.dll");
            DeleteIfThere(strDir + "\\QLMON480.dll.old");
        }
    }
    DeleteIfThere(ProcessorDir() + "\\QLPRO480.dll");
    DeleteIfThere(ProcessorDir() + "\\QLPRO480.dll.old");
    for (const char* pszFile : kDriverFiles) {
        DeleteIfThere(DriverDir() + "\\" + pszFile);
        DeleteIfThere(DriverDir() + "\\3\\" + pszFile);
    }
}

}  // namespace spooler_stage
