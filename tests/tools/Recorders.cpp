#include "Recorders.h"

namespace qlx::testkit {

SleepRecorder::SleepRecorder()
    : m_hook("kernel32.dll", "Sleep", [this](decltype(&Sleep) original, DWORD dwMs) {
          {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_durations.push_back(dwMs);
          }
          if (dwMs == 0) {
              original(0);
          }
      })
{
}

std::vector<DWORD> SleepRecorder::Durations() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_durations;
}

std::vector<DWORD> SleepRecorder::Pauses() const
{
    std::vector<DWORD> pauses;
    for (DWORD dw : Durations()) {
        if (dw != 0) {
            pauses.push_back(dw);
        }
    }
    return pauses;
}

DWORD SleepRecorder::Total() const
{
    DWORD dwTotal = 0;
    for (DWORD dw : Durations()) {
        dwTotal += dw;
    }
    return dwTotal;
}

void SleepRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_durations.clear();
}

WinExecRecorder::WinExecRecorder()
    : m_hook("kernel32.dll", "WinExec", [this](decltype(&WinExec) original, LPCSTR pszCmd, UINT uShow) -> UINT {
          {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_calls.push_back({pszCmd ? pszCmd : "", uShow});
          }
          if (m_bRunForReal) {
              return original(pszCmd, uShow);
          }
          return m_uResult;
      })
{
}

std::vector<WinExecRecorder::Call> WinExecRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

std::vector<std::string> WinExecRecorder::CommandLines() const
{
    std::vector<std::string> lines;
    for (const Call& call : Calls()) {
        lines.push_back(call.strCmdLine);
    }
    return lines;
}

void WinExecRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

MessageBoxRecorder::MessageBoxRecorder()
    : m_hook("user32.dll", "MessageBoxA", [this](HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_boxes.push_back({hOwner != nullptr, pszText ? pszText : "", pszCaption ? pszCaption : "", uType});
          if (m_answers.empty()) {
              return m_nDefault.load();
          }
          int nAnswer = m_answers.front();
          m_answers.pop_front();
          return nAnswer;
      })
{
}

void MessageBoxRecorder::QueueAnswer(int nAnswer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(nAnswer);
}

std::vector<MessageBoxRecorder::Box> MessageBoxRecorder::Boxes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

size_t MessageBoxRecorder::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes.size();
}

void MessageBoxRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_boxes.clear();
    m_answers.clear();
}

}  // namespace qlx::testkit
