// The installed-driver check against spooler state seeded in the registry, where Wine's spooler
// keeps it, with outages and unopenable printers injected.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "DriverVersion.h"
#include "Testkit.h"

using namespace qlx::testkit;

namespace {

const char kPrinters[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const char kEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64";
const char kDriver[] = "KORVANE QLX-480";
const char kProcessor[] = "KVN PRINT PROCESSOR QLX-480";
const DriverVersion kWanted{2, 0, 0, 0};

HKEY CreateKey(const std::string& strKey)
{
    HKEY hKey = nullptr;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                      &hKey, nullptr);
    return hKey;
}

void SetString(HKEY hKey, const char* pszName, const std::string& strValue)
{
    ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                     static_cast<DWORD>(strValue.size() + 1));
}

void SetDword(HKEY hKey, const char* pszName, DWORD dwValue)
{
    ::RegSetValueExA(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
}

class InstalledDriver : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }

    static void Clear()
    {
        for (const char* pszName : {"QLX First", "QLX Second"}) {
            ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kPrinters) + "\\" + pszName).c_str());
        }
        for (const char* pszName : {kDriver, "korvane qlx-480"}) {
            ::RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                             (std::string(kEnvironment) + "\\Drivers\\Version-3\\" + pszName).c_str());
        }
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kEnvironment) + "\\Print Processors\\" + kProcessor).c_str());
    }
    static void AddDriver(const char* pszName)
    {
        HKEY hKey = CreateKey(std::string(kEnvironment) + "\\Drivers\\Version-3\\" + pszName);
        SetString(hKey, "Driver", "UNIDRV.DLL");
        SetString(hKey, "Configuration File", "UNIDRVUI.DLL");
        SetString(hKey, "Data File", "QLX480.GPD");
        SetDword(hKey, "Version", 3);
        ::RegCloseKey(hKey);
    }
    // A printer object of the driver; versions with a negative field leave that value out.
    static void AddPrinter(const char* pszName, const char* pszDriver, std::vector<long> version)
    {
        HKEY hKey = CreateKey(std::string(kPrinters) + "\\" + pszName);
        SetString(hKey, "Name", pszName);
        SetString(hKey, "Port", "LPT1:");
        SetString(hKey, "Printer Driver", pszDriver);
        SetString(hKey, "Print Processor", "winprint");
        SetString(hKey, "Datatype", "RAW");
        SetDword(hKey, "Attributes", PRINTER_ATTRIBUTE_LOCAL);
        ::RegCloseKey(hKey);
        HKEY hData = CreateKey(std::string(kPrinters) + "\\" + pszName + "\\PrinterDriverData");
        const char* names[] = {"MajorVersion", "MinorVersion", "BuildVersion", "ExtraVersion"};
        for (size_t i = 0; i < 4 && i < version.size(); ++i) {
            if (version[i] >= 0) {
                SetDword(hData, names[i], static_cast<DWORD>(version[i]));
            }
        }
        ::RegCloseKey(hData);
    }
    static int Compare() { return CompareDriverVersion(kDriver, kProcessor, kWanted); }

    SleepRecorder m_sleeps;
};

TEST_F(InstalledDriver, NothingOfTheProductGoesOnInstalling) { EXPECT_EQ(Compare(), kVersionNone); }

TEST_F(InstalledDriver, PrinterVersionDecides)
{
    AddDriver(kDriver);
    const struct {
        std::vector<long> version;
        int nResult;
    } cases[] = {
        {{2, 0, 0, 0}, kVersionSame},      {{1, 9, 9, 9}, kVersionReplace}, {{2, 0, 0, 1}, kVersionNewer},
        {{2, 1, 0, 0}, kVersionNewer},     {{2, 0, 0, -1}, kVersionReplace},  // no "ExtraVersion"
        {{-1, -1, -1, 0}, kVersionReplace},                                   // only "ExtraVersion": 0.0.0.0
    };
    for (const auto& c : cases) {
        AddPrinter("QLX First", kDriver, c.version);
        EXPECT_EQ(Compare(), c.nResult) << c.version[0] << "." << c.version[1] << "." << c.version[2] << "."
                                        << c.version[3];
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kPrinters) + "\\QLX First").c_str());
    }
}

TEST_F(InstalledDriver, OnlyTheFirstPrinterOfTheDriverCounts)
{
    AddDriver(kDriver);
    AddPrinter("QLX First", kDriver, {2, 0, 0, 0});
    AddPrinter("QLX Second", kDriver, {1, 0, 0, 0});
    const int nResult = Compare();
    // Which one comes first is the spooler's order; the answer is that printer's alone.
    EXPECT_TRUE(nResult == kVersionSame || nResult == kVersionReplace) << nResult;
}

TEST_F(InstalledDriver, PrinterThatCannotBeOpenedCountsAsVersionZero)
{
    AddDriver(kDriver);
    AddPrinter("QLX First", kDriver, {2, 0, 0, 0});
    auto open = FailCall<decltype(&OpenPrinterA)>("winspool.drv", "OpenPrinterA", ERROR_ACCESS_DENIED, -1, FALSE);
    EXPECT_EQ(Compare(), kVersionReplace);
}

TEST_F(InstalledDriver, DriverOrProcessorWithoutPrinterMustBeReplaced)
{
    AddDriver(kDriver);
    EXPECT_EQ(Compare(), kVersionReplace);
    Clear();
    HKEY hKey = CreateKey(std::string(kEnvironment) + "\\Print Processors\\" + kProcessor);
    SetString(hKey, "Driver", "QLPRO480.dll");
    ::RegCloseKey(hKey);
    EXPECT_EQ(Compare(), kVersionReplace);
}

TEST_F(InstalledDriver, NamesDifferingInCaseAreOtherDrivers)
{
    AddDriver("korvane qlx-480");
    AddPrinter("QLX First", "korvane qlx-480", {1, 0, 0, 0});
    EXPECT_EQ(Compare(), kVersionNone);
}

TEST_F(InstalledDriver, DriverListRetriesOnlyForAServerThatIsDown)
{
    std::vector<std::string> processes;
    auto net = Replace<decltype(&CreateProcessA)>(
        "kernel32.dll", "CreateProcessA",
        [&](LPCSTR, LPSTR pszCmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
            LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
            processes.push_back(pszCmd);
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        });
    {
        auto outage = FailCall<decltype(&EnumPrinterDriversA)>("winspool.drv", "EnumPrinterDriversA", 1726, -1, FALSE);
        EXPECT_EQ(Compare(), kVersionNone);
        EXPECT_EQ(outage.Calls(), 2);
        EXPECT_TRUE(processes.empty());
    }
    {
        auto outage = FailCall<decltype(&EnumPrinterDriversA)>("winspool.drv", "EnumPrinterDriversA", 1722, -1, FALSE);
        EXPECT_EQ(Compare(), kVersionNone);
        EXPECT_EQ(outage.Calls(), 4);
        EXPECT_EQ(processes, std::vector<std::string>{"net start spooler"});
    }
    {
        processes.clear();
        auto outage = FailCall<decltype(&EnumPrintersA)>("winspool.drv", "EnumPrintersA", 1726, -1, FALSE);
        EXPECT_EQ(Compare(), kVersionNone);
        EXPECT_EQ(outage.Calls(), 4);
        EXPECT_EQ(processes, std::vector<std::string>{"net start spooler"});
    }
}

}  // namespace
