// The string tables, version records and resources of the two built programs, read back from the
// files themselves.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Profile.h"
#include "Testkit.h"

using qlx::testkit::HostPath;

namespace {

struct Entry {
    UINT nNumber;
    const char* pszText;
};

// Both columns of the product profile, with the numbers each program carries.
const std::vector<Entry> kCommonEntries = {
    {1, "QLX-480"},
    {2, "KORVANE QLX-480"},
    {3, "KVN Language Monitor QLX-480"},
    {4, "KVN PRINT PROCESSOR QLX-480"},
    {5, "QLX480.dll"},
    {6, "QLMON480.dll"},
    {7, "QLPRO480.dll"},
    {8, "QLUI480.dll"},
    {9, "QLUNI480.dll"},
    {11, "qlx480.inf"},
    {12, "Vid_7E21&Pid_0C3B"},
    {13, "korvane_qlx_480c19e"},
    {14, "korvane_qlx_480c19e"},
    {15, "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\KORVANE_QLX-480"},
    {16, "SYSTEM\\CurrentControlSet\\Enum\\LPTENUM\\KORVANE_QLX-480"},
    {17, "QLX480_Installer.exe"},
    {18, "QLX480_Uninstaller.exe"},
    {20, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480"},
};
const std::vector<Entry> kInstallerTail = {
    {21, "2"}, {22, "0"}, {23, "0"}, {24, "0"}, {25, "KORVANE"},
    {26, "QLX480.GPD"}, {27, "QLX480.BUD"}, {28, "QLUI480.INI"}, {29, "[480]"},
};
const std::vector<Entry> kUninstallerTail = {
    {21, "KORVANE"}, {22, "QLX480.GPD"}, {23, "QLX480.BUD"}, {24, "QLUI480.INI"}, {25, "[480]"},
};

struct ProgramFile {
    const char* pszName;
    const char* pszUnixPath;
    Program program;
    const std::vector<Entry>* pTail;
    UINT nFirstMissing;  // first number after the table
    const char* pszOriginalFilename;
};

const ProgramFile kPrograms[] = {
    {"installer", QLX_INSTALLER_EXE, Program::Installer, &kInstallerTail, 30, "QLX480_Installer.exe"},
    {"uninstaller", QLX_UNINSTALLER_EXE, Program::Uninstaller, &kUninstallerTail, 26, "QLX480_Uninstaller.exe"},
};

// Names the parameter in test listings.
void PrintTo(const ProgramFile& program, std::ostream* pOut) { *pOut << program.pszName; }

class ProgramResources : public ::testing::TestWithParam<ProgramFile> {
protected:
    void SetUp() override
    {
        m_strPath = HostPath(GetParam().pszUnixPath);
        m_hModule = ::LoadLibraryExA(m_strPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_hModule, nullptr) << m_strPath << " error " << ::GetLastError();
    }
    void TearDown() override
    {
        if (m_hModule != nullptr) {
            ::FreeLibrary(m_hModule);
        }
    }
    std::string m_strPath;
    HMODULE m_hModule = nullptr;
};

TEST_P(ProgramResources, EveryEntryLoadsWithItsExactText)
{
    std::vector<Entry> entries = kCommonEntries;
    entries.insert(entries.end(), GetParam().pTail->begin(), GetParam().pTail->end());
    for (const Entry& entry : entries) {
        EXPECT_EQ(LoadProfileString(entry.nNumber, m_hModule), entry.pszText) << "entry " << entry.nNumber;
    }
}

TEST_P(ProgramResources, UnusedAndUnknownNumbersLoadEmpty)
{
    for (UINT nNumber : {10u, 19u, GetParam().nFirstMissing, 0u, 128u, 999u, 65535u}) {
        EXPECT_EQ(LoadProfileString(nNumber, m_hModule), "") << "entry " << nNumber;
    }
}

// A routine shared by both programs asks by name; each program must answer with its own numbering.
TEST_P(ProgramResources, NamedEntriesResolveThroughTheProgramsNumbering)
{
    const Program program = GetParam().program;
    const struct {
        ProfileEntry entry;
        const char* pszText;
    } named[] = {
        {ProfileEntry::ModelName, "QLX-480"},
        {ProfileEntry::DriverName, "KORVANE QLX-480"},
        {ProfileEntry::UninstallKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVANE_QLX-480"},
        {ProfileEntry::MakerName, "KORVANE"},
        {ProfileEntry::GpdName, "QLX480.GPD"},
        {ProfileEntry::BudName, "QLX480.BUD"},
        {ProfileEntry::UiIniName, "QLUI480.INI"},
        {ProfileEntry::FormTag, "[480]"},
    };
    for (const auto& item : named) {
        EXPECT_EQ(LoadProfileString(ProfileNumber(program, item.entry), m_hModule), item.pszText);
    }
    const bool bInstaller = program == Program::Installer;
    EXPECT_EQ(LoadProfileString(ProfileNumber(program, ProfileEntry::VersionMajor), m_hModule), bInstaller ? "2" : "");
}

TEST_P(ProgramResources, VersionRecordAsTabled)
{
    DWORD dwHandle = 0;
    const DWORD cbInfo = ::GetFileVersionInfoSizeA(m_strPath.c_str(), &dwHandle);
    ASSERT_GT(cbInfo, 0u);
    std::vector<BYTE> info(cbInfo);
    ASSERT_TRUE(::GetFileVersionInfoA(m_strPath.c_str(), 0, cbInfo, info.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT cbFixed = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&pFixed), &cbFixed));
    EXPECT_EQ(pFixed->dwFileVersionMS, MAKELONG(12, 2014));
    EXPECT_EQ(pFixed->dwFileVersionLS, MAKELONG(1, 24));
    EXPECT_EQ(pFixed->dwProductVersionMS, MAKELONG(0, 2));
    EXPECT_EQ(pFixed->dwProductVersionLS, 0u);
    EXPECT_EQ(pFixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const struct {
        const char* pszKey;
        const char* pszValue;
    } texts[] = {
        {"CompanyName", "KORVANE Co., Ltd."},
        {"FileDescription", "KORVANE QLX-480"},
        {"FileVersion", "2014, 12, 24, 1"},
        {"InternalName", "QLX480_Installer"},
        {"OriginalFilename", GetParam().pszOriginalFilename},
        {"ProductName", "QLX-480 Windows Driver"},
        {"ProductVersion", "2, 0, 0, 0"},
    };
    for (const auto& text : texts) {
        const std::string strQuery = std::string("\\StringFileInfo\\040904b0\\") + text.pszKey;
        char* pszValue = nullptr;
        UINT cchValue = 0;
        ASSERT_TRUE(::VerQueryValueA(info.data(), strQuery.c_str(), reinterpret_cast<void**>(&pszValue), &cchValue))
            << text.pszKey;
        EXPECT_STREQ(pszValue, text.pszValue) << text.pszKey;
    }
}

TEST_P(ProgramResources, IconManifestAndDialogArePresent)
{
    EXPECT_NE(::FindResourceA(m_hModule, MAKEINTRESOURCEA(128), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), nullptr);
    EXPECT_NE(::FindResourceA(m_hModule, MAKEINTRESOURCEA(102), MAKEINTRESOURCEA(5) /* RT_DIALOG */), nullptr);

    HRSRC hManifest = ::FindResourceA(m_hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(hManifest, nullptr);
    const char* pText = static_cast<const char*>(::LockResource(::LoadResource(m_hModule, hManifest)));
    const std::string strManifest(pText, ::SizeofResource(m_hModule, hManifest));
    EXPECT_NE(strManifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(strManifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(strManifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(strManifest.find("supportedOS"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResources, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<ProgramFile>& paramInfo) { return paramInfo.param.pszName; });

TEST(ProgramResources, OnlyTheInstallerCarriesThePortDialog)
{
    HMODULE hInstaller = ::LoadLibraryExA(HostPath(QLX_INSTALLER_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE hUninstaller = ::LoadLibraryExA(HostPath(QLX_UNINSTALLER_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hInstaller, nullptr);
    ASSERT_NE(hUninstaller, nullptr);
    EXPECT_NE(::FindResourceA(hInstaller, MAKEINTRESOURCEA(129), MAKEINTRESOURCEA(5)), nullptr);
    EXPECT_EQ(::FindResourceA(hUninstaller, MAKEINTRESOURCEA(129), MAKEINTRESOURCEA(5)), nullptr);
    ::FreeLibrary(hInstaller);
    ::FreeLibrary(hUninstaller);
}

}  // namespace
