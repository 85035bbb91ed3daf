#include "MessageBox.h"

#include "Application.h"

namespace fw {

int AppMessageBox(const char* pszText, UINT nType)
{
    Application* pApp = Application::Current();
    HWND hOwner = pApp != nullptr ? pApp->MainWindow() : nullptr;
    if (hOwner != nullptr && !::IsWindow(hOwner)) {
        hOwner = nullptr;
    }
    return ::MessageBoxA(hOwner, pszText, AppName(), nType);
}

}  // namespace fw
