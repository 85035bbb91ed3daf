// Fixture of the removal engine's tests, run in both variants: the variant's string table, a
// recording owner context, service commands and pauses recorded instead of run.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "ProductProfile.h"
#include "RemovalEngine.h"
#include "SpoolerStage.h"
#include "Testkit.h"

inline void PrintTo(Program program, std::ostream* pOut)
{
    *pOut << (program == Program::Installer ? "Installer" : "Uninstaller");
}

namespace removal_fixture {

using namespace qlx::testkit;

// The string table of the program the variant stands for.
inline std::map<UINT, std::string> ProfileTable(Program program)
{
    std::map<UINT, std::string> table = {
        {IDS_MODEL_NAME, PROFILE_MODEL_NAME},       {IDS_DRIVER_NAME, PROFILE_DRIVER_NAME},
        {IDS_MONITOR_NAME, PROFILE_MONITOR_NAME},   {IDS_PROCESSOR_NAME, PROFILE_PROCESSOR_NAME},
        {IDS_DRIVER_DLL, PROFILE_DRIVER_DLL},       {IDS_MONITOR_DLL, PROFILE_MONITOR_DLL},
        {IDS_PROCESSOR_DLL, PROFILE_PROCESSOR_DLL}, {IDS_UI_DLL, PROFILE_UI_DLL},
        {IDS_UNI_DLL, PROFILE_UNI_DLL},             {IDS_INF_NAME, PROFILE_INF_NAME},
        {IDS_USB_VID_PID, PROFILE_USB_VID_PID},     {IDS_PNP_ID1, PROFILE_PNP_ID1},
        {IDS_PNP_ID2, PROFILE_PNP_ID2},             {IDS_USB_ENUM_KEY, PROFILE_USB_ENUM_KEY},
        {IDS_LPT_ENUM_KEY, PROFILE_LPT_ENUM_KEY},   {IDS_INSTALLER_EXE, PROFILE_INSTALLER_EXE},
        {IDS_UNINSTALLER_EXE, PROFILE_UNINSTALLER_EXE}, {IDS_UNINSTALL_KEY, PROFILE_UNINSTALL_KEY},
    };
    if (program == Program::Installer) {
        table.insert({{IDS_INST_VERSION_MAJOR, PROFILE_VERSION_MAJOR}, {IDS_INST_VERSION_MINOR, PROFILE_VERSION_MINOR},
                      {IDS_INST_VERSION_BUILD, PROFILE_VERSION_BUILD}, {IDS_INST_VERSION_EXTRA, PROFILE_VERSION_EXTRA},
                      {IDS_INST_MAKER_NAME, PROFILE_MAKER_NAME}, {IDS_INST_GPD_NAME, PROFILE_GPD_NAME},
                      {IDS_INST_BUD_NAME, PROFILE_BUD_NAME}, {IDS_INST_UI_INI_NAME, PROFILE_UI_INI_NAME},
                      {IDS_INST_FORM_TAG, PROFILE_FORM_TAG}});
    } else {
        table.insert({{IDS_UNINST_MAKER_NAME, PROFILE_MAKER_NAME}, {IDS_UNINST_GPD_NAME, PROFILE_GPD_NAME},
                      {IDS_UNINST_BUD_NAME, PROFILE_BUD_NAME}, {IDS_UNINST_UI_INI_NAME, PROFILE_UI_INI_NAME},
                      {IDS_UNINST_FORM_TAG, PROFILE_FORM_TAG}});
    }
    return table;
}

struct NoteCall {
    std::string strText;
    bool bStepBar;
    DWORD dwPauseMs;
    bool operator==(const NoteCall& other) const
    {
        return strText == other.strText && bStepBar == other.bStepBar && dwPauseMs == other.dwPauseMs;
    }
};

inline void PrintTo(const NoteCall& note, std::ostream* pOut)
{
    *pOut << "{\"" << note.strText << "\", " << note.bStepBar << ", " << note.dwPauseMs << "}";
}

class FakeContext : public IRemovalContext {
public:
    int Wow64() const override { return m_bWow64; }
    int OSCode() const override { return m_nOSCode; }
    void ProgressNote(const char* pszText, bool bStepBar, DWORD dwPauseMs) override
    {
        m_notes.push_back({pszText, bStepBar, dwPauseMs});
    }
    void SetProgressPos(int nPos) override { m_positions.push_back(nPos); }

    int m_bWow64 = 1;
    int m_nOSCode = 2010;
    std::vector<NoteCall> m_notes;
    std::vector<int> m_positions;
};

inline std::string VariantName(const testing::TestParamInfo<Program>& info)
{
    return info.param == Program::Installer ? "Installer" : "Uninstaller";
}

// An engine of the variant on a fake owner; profile strings from m_table, every started process
// recorded (and failed: nothing runs), every pause recorded.
class RemovalFixture : public testing::TestWithParam<Program> {
protected:
    RemovalFixture()
        : m_strings(Replace<decltype(&LoadStringA)>("user32.dll", "LoadStringA",
              [this](HINSTANCE, UINT nId, LPSTR pszBuf, int cchBuf) -> int {
                  const auto it = m_table.find(nId);
                  if (it == m_table.end() || cchBuf <= 0) {
                      return 0;
                  }
                  const int nLength = std::min(static_cast<int>(it->second.size()), cchBuf - 1);
                  std::memcpy(pszBuf, it->second.data(), static_cast<size_t>(nLength));
                  pszBuf[nLength] = '\0';
                  return nLength;
              })),
          m_processes(Replace<decltype(&CreateProcessA)>("kernel32.dll", "CreateProcessA",
              [this](LPCSTR, LPSTR pszCmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                     LPSTARTUPINFOA, LPPROCESS_INFORMATION) -> BOOL {
                  m_commands.push_back(pszCmd != nullptr ? pszCmd : "");
                  SetLastError(ERROR_FILE_NOT_FOUND);
                  return FALSE;
              })),
          m_table(ProfileTable(GetParam())),
          m_engine(GetParam(), m_context)
    {
    }

    bool IsInstaller() const { return GetParam() == Program::Installer; }

    Hook<decltype(&LoadStringA)> m_strings;
    Hook<decltype(&CreateProcessA)> m_processes;
    SleepRecorder m_sleeps;
    std::vector<std::string> m_commands;
    std::map<UINT, std::string> m_table;
    FakeContext m_context;
    CRemovalEngine m_engine;
};

}  // namespace removal_fixture
