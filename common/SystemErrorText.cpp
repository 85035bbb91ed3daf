#include "SystemErrorText.h"

#include "BoundedText.h"
#include "UnattendedRun.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"

std::string SystemErrorText(DWORD dwError)
{
    HLOCAL hText = nullptr;
    const DWORD nLength = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                                           dwError, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                           reinterpret_cast<LPSTR>(&hText), 0, nullptr);
    const fw::ScopedLocal text(hText);
    if (nLength == 0 || hText == nullptr) {
        return std::string();
    }
    const char* pszText = static_cast<const char*>(::LocalLock(hText));
    std::string strText = pszText != nullptr ? std::string(pszText, nLength) : std::string();
    ::LocalUnlock(hText);
    return strText;
}

int ShowSystemErrorBox(const char* pszHeaderFormat, DWORD dwError, UINT nType)
{
    // Every error box marks the run as failed.
    NoteOutcome(kOutcomeFailure);
    char szHeader[256] = {};
    FormatText(szHeader, sizeof(szHeader), pszHeaderFormat, static_cast<int>(dwError));
    const std::string strText = szHeader + SystemErrorText(dwError);
    return fw::AppMessageBox(strText.c_str(), nType);
}
