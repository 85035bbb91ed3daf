#include "MessageBox.h"

#include "Application.h"

namespace fw {

namespace {
// Set once at start-up, before any thread but the first exists.
MessageBoxHandler s_pfnHandler = nullptr;
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler pfnHandler) { s_pfnHandler = pfnHandler; }

int AppMessageBox(const char* pszText, UINT nType)
{
    Application* pApp = Application::Current();
    HWND hOwner = pApp != nullptr ? pApp->MainWindow() : nullptr;
    if (hOwner != nullptr && !::IsWindow(hOwner)) {
        hOwner = nullptr;
    }
    if (s_pfnHandler != nullptr) {
        return s_pfnHandler(hOwner, pszText, AppName(), nType);
    }
    return ::MessageBoxA(hOwner, pszText, AppName(), nType);
}

}  // namespace fw
