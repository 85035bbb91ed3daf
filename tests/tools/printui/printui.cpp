// Stand-in printui.dll: the printer-installation commands the setup starts through rundll32,
//   /if /b "<printer>" /f <inf> /r "<port>" /m "<model>" [/u]   driver, then a printer on the port
//   /ia /m "<model>" /f <inf> [/u]                              driver only
// carried out from the package INF with setupapi and the spooler. The INF path is taken relative
// to the current folder. What it does not do: other commands and switches, signature checks,
// driver ranking, CopyFiles entries other than section names, DIRIDs other than 66000..66002.
// The universal driver the INF includes (Needs=UNIDRV.OEM) is taken from the package's own
// driver folder, as the system has none here.
#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include <string>
#include <vector>

namespace {

#ifdef _WIN64
const wchar_t kEnvironment[] = L"Windows x64";
const wchar_t kModelsDecoration[] = L"NTamd64";
const wchar_t kSourceDisks[] = L"SourceDisksNames.amd64";
#else
const wchar_t kEnvironment[] = L"Windows NT x86";
const wchar_t kModelsDecoration[] = L"NTx86";
const wchar_t kSourceDisks[] = L"SourceDisksNames.x86";
#endif

struct Command {
    bool bPrinter = false;  // /if
    bool bDriverOnly = false;  // /ia
    bool bUseInstalled = false;  // /u
    std::wstring strPrinter, strInf, strPort, strModel;
};

Command Parse(const wchar_t* pszLine)
{
    std::vector<std::wstring> args;
    for (const wchar_t* p = pszLine; *p != L'\0';) {
        while (*p == L' ' || *p == L'\t') {
            ++p;
        }
        if (*p == L'\0') {
            break;
        }
        std::wstring strArg;
        bool bQuoted = false;
        for (; *p != L'\0' && (bQuoted || (*p != L' ' && *p != L'\t')); ++p) {
            if (*p == L'"') {
                bQuoted = !bQuoted;
            } else {
                strArg += *p;
            }
        }
        args.push_back(strArg);
    }
    Command command;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        const std::wstring strNext = i + 1 < args.size() ? args[i + 1] : std::wstring();
        if (a == L"/if") {
            command.bPrinter = true;
        } else if (a == L"/ia") {
            command.bDriverOnly = true;
        } else if (a == L"/u") {
            command.bUseInstalled = true;
        } else if (a == L"/b" || a == L"/f" || a == L"/r" || a == L"/m") {
            std::wstring& strField = a == L"/b" ? command.strPrinter
                                     : a == L"/f" ? command.strInf
                                     : a == L"/r" ? command.strPort
                                                  : command.strModel;
            strField = strNext;
            ++i;
        }
    }
    return command;
}

std::wstring Field(INFCONTEXT* pContext, DWORD nField)
{
    wchar_t szText[512] = L"";
    if (!::SetupGetStringFieldW(pContext, nField, szText, 512, nullptr)) {
        return std::wstring();
    }
    return szText;
}

// Field nField of the first line of pszSection with key pszKey ("" when there is none).
std::wstring LineField(HINF hInf, const wchar_t* pszSection, const wchar_t* pszKey, DWORD nField)
{
    INFCONTEXT context;
    return ::SetupFindFirstLineW(hInf, pszSection, pszKey, &context) ? Field(&context, nField) : std::wstring();
}

bool DriverInstalled(const std::wstring& strModel)
{
    DWORD cbNeeded = 0;
    DWORD nCount = 0;
    ::EnumPrinterDriversW(nullptr, const_cast<wchar_t*>(kEnvironment), 1, nullptr, 0, &cbNeeded, &nCount);
    std::vector<BYTE> buffer(cbNeeded + 1);
    if (!::EnumPrinterDriversW(nullptr, const_cast<wchar_t*>(kEnvironment), 1, buffer.data(), cbNeeded, &cbNeeded,
                               &nCount)) {
        return false;
    }
    const auto* pInfo = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < nCount; ++i) {
        if (strModel == pInfo[i].pName) {
            return true;
        }
    }
    return false;
}

// "Name,file.dll" of a LanguageMonitor or PrintProcessor line, split at the comma.
std::pair<std::wstring, std::wstring> NameAndFile(const std::wstring& strValue)
{
    const size_t nComma = strValue.find(L',');
    if (nComma == std::wstring::npos) {
        return {strValue, std::wstring()};
    }
    return {strValue.substr(0, nComma), strValue.substr(nComma + 1)};
}

// Copies the files, registers monitor, processor and driver (only reads the INF when bRegister is
// false). The name of the INF's print processor ("" when it names none).
bool InstallDriver(const Command& command, bool bRegister, std::wstring* pstrProcessor)
{
    wchar_t szInf[MAX_PATH];
    const DWORD cchInf = ::GetFullPathNameW(command.strInf.c_str(), MAX_PATH, szInf, nullptr);
    if (cchInf == 0 || cchInf >= MAX_PATH) {
        return false;
    }
    UINT nErrorLine = 0;
    HINF hInf = ::SetupOpenInfFileW(szInf, nullptr, INF_STYLE_WIN4, &nErrorLine);
    if (hInf == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::wstring strPackage(szInf);
    strPackage.erase(strPackage.find_last_of(L'\\'));

    // Models section of the first manufacturer, decorated for this platform when the INF says so.
    std::wstring strModels;
    INFCONTEXT context;
    if (::SetupFindFirstLineW(hInf, L"Manufacturer", nullptr, &context)) {
        strModels = Field(&context, 1);
        for (DWORD n = 2; n <= ::SetupGetFieldCount(&context); ++n) {
            if (Field(&context, n) == kModelsDecoration) {
                strModels += std::wstring(L".") + kModelsDecoration;
            }
        }
    }
    const std::wstring strInstall = LineField(hInf, strModels.c_str(), command.strModel.c_str(), 1);
    const auto processor = NameAndFile(LineField(hInf, strInstall.c_str(), L"PrintProcessor", 1));
    *pstrProcessor = processor.first;
    if (strInstall.empty() || !bRegister) {
        ::SetupCloseInfFile(hInf);
        return !strInstall.empty();
    }

    wchar_t szDriverDir[MAX_PATH] = L"";
    wchar_t szProcessorDir[MAX_PATH] = L"";
    wchar_t szSystemDir[MAX_PATH] = L"";
    DWORD cbNeeded = 0;
    ::GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(kEnvironment), 1,
                                 reinterpret_cast<BYTE*>(szDriverDir), sizeof(szDriverDir), &cbNeeded);
    ::GetPrintProcessorDirectoryW(nullptr, const_cast<wchar_t*>(kEnvironment), 1,
                                  reinterpret_cast<BYTE*>(szProcessorDir), sizeof(szProcessorDir), &cbNeeded);
    ::GetSystemDirectoryW(szSystemDir, MAX_PATH);

    // Every file of the CopyFiles sections: driver files stay in the package (the spooler copies
    // them into its driver folder), monitor and processor modules go where their DIRID points.
    const std::wstring strSource =
        strPackage + LineField(hInf, kSourceDisks, L"1", 4) + L"\\";
    std::wstring strDependent;
    const std::wstring strDataFile = LineField(hInf, strInstall.c_str(), L"DataFile", 1);
    if (::SetupFindFirstLineW(hInf, strInstall.c_str(), L"CopyFiles", &context)) {
        for (DWORD n = 1; n <= ::SetupGetFieldCount(&context); ++n) {
            const std::wstring strSection = Field(&context, n);
            std::wstring strDirId = LineField(hInf, L"DestinationDirs", strSection.c_str(), 1);
            if (strDirId.empty()) {
                strDirId = LineField(hInf, L"DestinationDirs", L"DefaultDestDir", 1);
            }
            INFCONTEXT file;
            for (BOOL bLine = ::SetupFindFirstLineW(hInf, strSection.c_str(), nullptr, &file); bLine;
                 bLine = ::SetupFindNextLine(&file, &file)) {
                const std::wstring strName = Field(&file, 1);
                if (strDirId == L"66000") {
                    if (_wcsicmp(strName.c_str(), strDataFile.c_str()) != 0) {
                        strDependent += strSource + strName + L'\0';
                    }
                } else if (strDirId == L"66001" || strDirId == L"66002") {
                    const std::wstring strTarget =
                        std::wstring(strDirId == L"66001" ? szProcessorDir : szSystemDir) + L"\\" + strName;
                    ::CopyFileW((strSource + strName).c_str(), strTarget.c_str(), FALSE);
                }
            }
        }
    }
    strDependent += strSource + L"UNIRES.DLL" + L'\0';

    const auto monitor = NameAndFile(LineField(hInf, strInstall.c_str(), L"LanguageMonitor", 1));
    ::SetupCloseInfFile(hInf);

    if (!monitor.first.empty()) {
        MONITOR_INFO_2W info = {};
        info.pName = const_cast<wchar_t*>(monitor.first.c_str());
        info.pEnvironment = const_cast<wchar_t*>(kEnvironment);
        info.pDLLName = const_cast<wchar_t*>(monitor.second.c_str());
        ::AddMonitorW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    }
    if (!processor.first.empty()) {
        ::AddPrintProcessorW(nullptr, const_cast<wchar_t*>(kEnvironment), const_cast<wchar_t*>(processor.second.c_str()),
                             const_cast<wchar_t*>(processor.first.c_str()));
    }

    const std::wstring strDriver = strSource + L"UNIDRV.DLL";
    const std::wstring strConfig = strSource + L"UNIDRVUI.DLL";
    const std::wstring strHelp = strSource + L"UNIDRV.HLP";
    const std::wstring strData = strSource + strDataFile;
    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(command.strModel.c_str());
    driver.pEnvironment = const_cast<wchar_t*>(kEnvironment);
    driver.pDriverPath = const_cast<wchar_t*>(strDriver.c_str());
    driver.pDataFile = const_cast<wchar_t*>(strData.c_str());
    driver.pConfigFile = const_cast<wchar_t*>(strConfig.c_str());
    driver.pHelpFile = const_cast<wchar_t*>(strHelp.c_str());
    driver.pDependentFiles = const_cast<wchar_t*>(strDependent.c_str());
    driver.pMonitorName = const_cast<wchar_t*>(monitor.first.c_str());
    driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    // The spooler copies the driver files from the package into its driver folder.
    return ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                                 APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

// The printer takes the INF's print processor, or the system's own when that one is not there.
bool AddPrinterOnPort(const Command& command, const std::wstring& strProcessor)
{
    PRINTER_INFO_2W printer = {};
    printer.pPrinterName = const_cast<wchar_t*>(command.strPrinter.c_str());
    printer.pPortName = const_cast<wchar_t*>(command.strPort.c_str());
    printer.pDriverName = const_cast<wchar_t*>(command.strModel.c_str());
    printer.pPrintProcessor = const_cast<wchar_t*>(strProcessor.empty() ? L"winprint" : strProcessor.c_str());
    printer.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE hPrinter = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    if (hPrinter == nullptr && !strProcessor.empty()) {
        printer.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
        hPrinter = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
    }
    if (hPrinter == nullptr) {
        return false;
    }
    ::ClosePrinter(hPrinter);
    return true;
}

}  // namespace

// rundll32 printui.dll,PrintUIEntry <command line>
extern "C" __declspec(dllexport) void WINAPI PrintUIEntryW(HWND, HINSTANCE, LPCWSTR pszCommandLine, int)
{
    const Command command = Parse(pszCommandLine != nullptr ? pszCommandLine : L"");
    if ((!command.bPrinter && !command.bDriverOnly) || command.strModel.empty() || command.strInf.empty()) {
        return;
    }
    // /u: an installed driver is used as it is.
    const bool bRegister = !(command.bUseInstalled && DriverInstalled(command.strModel));
    std::wstring strProcessor;
    if (!InstallDriver(command, bRegister, &strProcessor)) {
        return;
    }
    if (command.bPrinter) {
        AddPrinterOnPort(command, strProcessor);
    }
}
