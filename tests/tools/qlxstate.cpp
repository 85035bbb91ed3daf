// qlxstate: prints the spooler and registry state the setup programs touch, in a
// stable form for the demo and for end-to-end tests to compare.
//
//   qlxstate [printers] [drivers] [monitors] [processors] [uninstall] [forms] [keys] [files]
// With no argument the first five sections are printed. Lists are sorted by name. The last three
// list, one record a line, the form names, the product's registry keys in both registry views and
// the files of the folders the programs write to (for before/after comparisons).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

#ifdef _WIN64
const char kEnvironment[] = "Windows x64";
#else
const char kEnvironment[] = "Windows NT x86";
#endif
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480";

std::string Str(const char* psz)
{
    return psz ? psz : "(null)";
}

// Two-call enumeration: size first, then the data. Empty on failure (reported on stdout).
template <typename Call>
std::vector<BYTE> Enumerate(const char* pszWhat, DWORD& dwCount, Call call)
{
    DWORD dwNeeded = 0;
    dwCount = 0;
    call(nullptr, 0, &dwNeeded, &dwCount);
    std::vector<BYTE> buf(dwNeeded);
    if (dwNeeded == 0) {
        dwCount = 0;
        return buf;
    }
    if (!call(buf.data(), dwNeeded, &dwNeeded, &dwCount)) {
        std::printf("  (%s failed, error %lu)\n", pszWhat, GetLastError());
        dwCount = 0;
    }
    return buf;
}

void PrintMultiSz(const char* pszLabel, const char* psz)
{
    std::vector<std::string> items;
    for (; psz && *psz; psz += std::strlen(psz) + 1) {
        items.push_back(psz);
    }
    std::sort(items.begin(), items.end());
    std::printf("    %s:", pszLabel);
    for (const std::string& item : items) {
        std::printf(" %s", item.c_str());
    }
    std::printf("\n");
}

void Printers()
{
    std::printf("[printers]\n");
    DWORD dwCount = 0;
    std::vector<BYTE> buf = Enumerate("EnumPrintersA", dwCount, [](BYTE* p, DWORD cb, DWORD* pNeeded, DWORD* pCount) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, p, cb, pNeeded, pCount);
    });
    auto* pInfo = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
    std::vector<PRINTER_INFO_2A*> list;
    for (DWORD i = 0; i < dwCount; ++i) {
        list.push_back(&pInfo[i]);
    }
    std::sort(list.begin(), list.end(),
              [](auto* a, auto* b) { return Str(a->pPrinterName) < Str(b->pPrinterName); });
    for (auto* p : list) {
        std::printf("  %s\n    driver: %s\n    port: %s\n    processor: %s\n    datatype: %s\n",
                    Str(p->pPrinterName).c_str(), Str(p->pDriverName).c_str(), Str(p->pPortName).c_str(),
                    Str(p->pPrintProcessor).c_str(), Str(p->pDatatype).c_str());
    }
}

void Drivers()
{
    std::printf("[drivers %s]\n", kEnvironment);
    DWORD dwCount = 0;
    std::vector<BYTE> buf =
        Enumerate("EnumPrinterDriversA", dwCount, [](BYTE* p, DWORD cb, DWORD* pNeeded, DWORD* pCount) {
            return EnumPrinterDriversA(nullptr, const_cast<char*>(kEnvironment), 3, p, cb, pNeeded, pCount);
        });
    auto* pInfo = reinterpret_cast<DRIVER_INFO_3A*>(buf.data());
    std::vector<DRIVER_INFO_3A*> list;
    for (DWORD i = 0; i < dwCount; ++i) {
        list.push_back(&pInfo[i]);
    }
    std::sort(list.begin(), list.end(), [](auto* a, auto* b) { return Str(a->pName) < Str(b->pName); });
    for (auto* p : list) {
        std::printf("  %s\n    version: %lu\n    driver: %s\n    data: %s\n    config: %s\n    help: %s\n"
                    "    monitor: %s\n",
                    Str(p->pName).c_str(), p->cVersion, Str(p->pDriverPath).c_str(), Str(p->pDataFile).c_str(),
                    Str(p->pConfigFile).c_str(), Str(p->pHelpFile).c_str(), Str(p->pMonitorName).c_str());
        PrintMultiSz("dependent", p->pDependentFiles);
    }
}

void Monitors()
{
    std::printf("[monitors]\n");
    DWORD dwCount = 0;
    std::vector<BYTE> buf = Enumerate("EnumMonitorsA", dwCount, [](BYTE* p, DWORD cb, DWORD* pNeeded, DWORD* pCount) {
        return EnumMonitorsA(nullptr, 2, p, cb, pNeeded, pCount);
    });
    auto* pInfo = reinterpret_cast<MONITOR_INFO_2A*>(buf.data());
    std::vector<MONITOR_INFO_2A*> list;
    for (DWORD i = 0; i < dwCount; ++i) {
        list.push_back(&pInfo[i]);
    }
    std::sort(list.begin(), list.end(), [](auto* a, auto* b) { return Str(a->pName) < Str(b->pName); });
    for (auto* p : list) {
        std::printf("  %s\n    dll: %s\n", Str(p->pName).c_str(), Str(p->pDLLName).c_str());
    }
}

void Processors()
{
    std::printf("[processors %s]\n", kEnvironment);
    DWORD dwCount = 0;
    std::vector<BYTE> buf =
        Enumerate("EnumPrintProcessorsA", dwCount, [](BYTE* p, DWORD cb, DWORD* pNeeded, DWORD* pCount) {
            return EnumPrintProcessorsA(nullptr, const_cast<char*>(kEnvironment), 1, p, cb, pNeeded, pCount);
        });
    auto* pInfo = reinterpret_cast<PRINTPROCESSOR_INFO_1A*>(buf.data());
    std::vector<std::string> names;
    for (DWORD i = 0; i < dwCount; ++i) {
        names.push_back(Str(pInfo[i].pName));
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::printf("  %s\n", name.c_str());
    }
}

void Uninstall()
{
    std::printf("[uninstall HKLM\\%s]\n", kUninstallKey);
    HKEY hKey = nullptr;
    LONG lRes = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey);
    if (lRes != ERROR_SUCCESS) {
        std::printf("  (absent)\n");
        return;
    }
    std::vector<std::string> lines;
    for (DWORD i = 0;; ++i) {
        char szName[16384];
        DWORD cchName = sizeof(szName);
        DWORD dwType = 0;
        DWORD cbData = 0;
        if (RegEnumValueA(hKey, i, szName, &cchName, nullptr, &dwType, nullptr, &cbData) != ERROR_SUCCESS) {
            break;
        }
        std::vector<BYTE> data(cbData + 2, 0);
        cchName = sizeof(szName);
        DWORD cbGot = cbData;
        if (RegEnumValueA(hKey, i, szName, &cchName, nullptr, &dwType, data.data(), &cbGot) != ERROR_SUCCESS) {
            break;
        }
        std::string strLine = "  " + std::string(szName) + " = ";
        char szNum[64];
        switch (dwType) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            strLine += "\"" + std::string(reinterpret_cast<char*>(data.data())) + "\"";
            break;
        case REG_DWORD:
            std::snprintf(szNum, sizeof(szNum), "dword:%lu", *reinterpret_cast<DWORD*>(data.data()));
            strLine += szNum;
            break;
        default:
            std::snprintf(szNum, sizeof(szNum), "type %lu, %lu bytes", dwType, cbGot);
            strLine += szNum;
        }
        lines.push_back(strLine);
    }
    RegCloseKey(hKey);
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
}


void Forms()
{
    std::printf("[forms]\n");
    DWORD dwCount = 0;
    std::vector<BYTE> buf = Enumerate("EnumFormsA", dwCount, [](BYTE* p, DWORD cb, DWORD* pNeeded, DWORD* pCount) {
        HANDLE hPrinter = nullptr;
        if (!OpenPrinterA(nullptr, &hPrinter, nullptr)) {
            return FALSE;
        }
        const BOOL bOk = EnumFormsA(hPrinter, 1, p, cb, pNeeded, pCount);
        ClosePrinter(hPrinter);
        return bOk;
    });
    auto* pInfo = reinterpret_cast<FORM_INFO_1A*>(buf.data());
    std::vector<std::string> names;
    for (DWORD i = 0; i < dwCount; ++i) {
        names.push_back(Str(pInfo[i].pName));
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::printf("  %s\n", name.c_str());
    }
}

// One line per key and per value, each naming the view and the whole key path.
void DumpKey(std::vector<std::string>& lines, const char* pszView, REGSAM samView, const std::string& strKey)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS) {
        return;
    }
    const std::string strHead = std::string("  ") + pszView + " HKLM\\" + strKey;
    lines.push_back(strHead);
    for (DWORD i = 0;; ++i) {
        char szName[16384];
        DWORD cchName = sizeof(szName);
        DWORD dwType = 0;
        BYTE data[4096] = {};
        DWORD cbData = sizeof(data) - 2;
        if (RegEnumValueA(hKey, i, szName, &cchName, nullptr, &dwType, data, &cbData) != ERROR_SUCCESS) {
            break;
        }
        std::string strData;
        if (dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ) {
            for (DWORD n = 0; n < cbData; ++n) {
                strData += data[n] == 0 ? '|' : static_cast<char>(data[n]);
            }
        } else if (dwType == REG_DWORD && cbData == 4) {
            strData = std::to_string(*reinterpret_cast<DWORD*>(data));
        } else {
            strData = std::to_string(cbData) + " bytes";
        }
        lines.push_back(strHead + " : " + szName + " = (" + std::to_string(dwType) + ") " + strData);
    }
    std::vector<std::string> subKeys;
    for (DWORD i = 0;; ++i) {
        char szName[256];
        DWORD cchName = sizeof(szName);
        if (RegEnumKeyExA(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subKeys.push_back(szName);
    }
    RegCloseKey(hKey);
    for (const std::string& strSub : subKeys) {
        DumpKey(lines, pszView, samView, strKey + "\\" + strSub);
    }
}

void Keys()
{
    std::printf("[keys]\n");
    const std::string strPrint = "SYSTEM\\CurrentControlSet\\Control\\Print\\";
    const std::string keys[] = {
        kUninstallKey,
        strPrint + "Monitors\\KVN Language Monitor QLX-480",
        strPrint + "Environments\\" + kEnvironment + "\\Drivers\\Version-3\\KORVANE QLX-480",
        strPrint + "Environments\\" + kEnvironment + "\\Print Processors\\KVN PRINT PROCESSOR QLX-480",
        strPrint + "Environments\\Windows NT x86\\Drivers\\Version-3\\KORVANE QLX-480",
        strPrint + "Environments\\Windows NT x86\\Print Processors\\KVN PRINT PROCESSOR QLX-480",
        strPrint + "Printers\\KORVANE QLX-480",
        "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\KORVANE_QLX-480",
        "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\KORVANE_QLX-480",
    };
    std::vector<std::string> lines;
    for (const std::string& strKey : keys) {
        DumpKey(lines, "64", KEY_WOW64_64KEY, strKey);
        DumpKey(lines, "32", KEY_WOW64_32KEY, strKey);
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
}

// The files of a folder (with sizes), and of its subfolders when bDeep.
void ListFolder(std::vector<std::string>& lines, const std::string& strFolder, bool bDeep, bool bSizes)
{
    WIN32_FIND_DATAA find;
    HANDLE hFind = FindFirstFileA((strFolder + "\\*").c_str(), &find);
    if (hFind == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string strName = find.cFileName;
        if (strName == "." || strName == "..") {
            continue;
        }
        const std::string strPath = strFolder + "\\" + strName;
        if (find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            lines.push_back("  " + strPath + "\\");
            if (bDeep) {
                ListFolder(lines, strPath, true, bSizes);
            }
        } else {
            lines.push_back("  " + strPath + (bSizes ? " " + std::to_string(find.nFileSizeLow) : std::string()));
        }
    } while (FindNextFileA(hFind, &find));
    FindClose(hFind);
}

void Files()
{
    std::printf("[files]\n");
    char szWindows[MAX_PATH] = "";
    char szSystem[MAX_PATH] = "";
    char szDrivers[MAX_PATH] = "";
    char szProcessors[MAX_PATH] = "";
    DWORD cbNeeded = 0;
    GetWindowsDirectoryA(szWindows, MAX_PATH);
    GetSystemDirectoryA(szSystem, MAX_PATH);
    GetPrinterDriverDirectoryA(nullptr, const_cast<char*>(kEnvironment), 1, reinterpret_cast<BYTE*>(szDrivers),
                               sizeof(szDrivers), &cbNeeded);
    GetPrintProcessorDirectoryA(nullptr, const_cast<char*>(kEnvironment), 1, reinterpret_cast<BYTE*>(szProcessors),
                                sizeof(szProcessors), &cbNeeded);
    const std::string strWindows = szWindows;
    std::vector<std::string> lines;
    ListFolder(lines, szDrivers, true, true);
    ListFolder(lines, szProcessors, true, true);
    ListFolder(lines, szSystem, false, false);
    ListFolder(lines, strWindows, false, false);
    ListFolder(lines, strWindows + "\\inf", false, false);
    ListFolder(lines, strWindows + "\\QLX-480", true, true);
    ListFolder(lines, strWindows.substr(0, 2) + "\\KORVANE Printer Driver", true, true);
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Lines end in "\n" only, so shell scripts and tests compare them as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    struct Section {
        const char* pszName;
        void (*pfn)();
    };
    static const Section sections[] = {{"printers", Printers},   {"drivers", Drivers},     {"monitors", Monitors},
                                       {"processors", Processors}, {"uninstall", Uninstall}, {"forms", Forms},
                                       {"keys", Keys},             {"files", Files}};
    const size_t nDefaultSections = 5;
    for (int i = 1; i < argc; ++i) {
        bool bKnown = false;
        for (const Section& s : sections) {
            bKnown = bKnown || std::strcmp(argv[i], s.pszName) == 0;
        }
        if (!bKnown) {
            std::printf("usage: qlxstate [printers] [drivers] [monitors] [processors] [uninstall] [forms] [keys] "
                        "[files]\n");
            return 2;
        }
    }
    for (const Section& s : sections) {
        bool bWanted = argc == 1 && &s < sections + nDefaultSections;
        for (int i = 1; i < argc; ++i) {
            bWanted = bWanted || std::strcmp(argv[i], s.pszName) == 0;
        }
        if (bWanted) {
            s.pfn();
        }
    }
    std::fflush(stdout);
    return 0;
}
