#include "ProgressNote.h"

#include <commctrl.h>

#include "Application.h"
#include "Dialog.h"
#include "SharedText.h"

namespace fw {

void PostRefresh(HWND hFallback)
{
    Application* pApp = Application::Current();
    const HWND hMain = pApp != nullptr && pApp->MainWindow() != nullptr ? pApp->MainWindow() : hFallback;
    if (hMain != nullptr) {
        ::PostMessageA(hMain, WM_REFRESH, 0, 0);
    }
}

void ProgressNote(SharedText* pStatus, const Control* pProgress, const char* pszText, bool bStepBar,
                  DWORD dwPauseMs, HWND hFallback)
{
    if (pStatus != nullptr) {
        pStatus->Set(pszText);
    }
    if (bStepBar && pProgress != nullptr && pProgress->m_hWnd != nullptr) {
        pProgress->Send(PBM_STEPIT);
    }
    PostRefresh(hFallback);
    if (dwPauseMs != 0) {
        ::Sleep(dwPauseMs);
    }
}

}  // namespace fw
