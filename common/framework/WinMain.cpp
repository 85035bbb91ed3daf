// Entry point of both programs: the global application object runs everything.
#include "Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    fw::RestrictDllSearch();
    fw::Application* pApp = fw::Application::Current();
    if (pApp == nullptr) {
        return -1;
    }
    pApp->InitInstance();
    return 0;
}
