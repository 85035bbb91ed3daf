#include "Application.h"

#include <commctrl.h>
#include <cstring>

#include "BoundedText.h"
#include "Dialog.h"

namespace fw {

Application* Application::s_pApp = nullptr;

Application::Application() { s_pApp = this; }

Application::~Application()
{
    if (s_pApp == this) {
        s_pApp = nullptr;
    }
}

HWND Application::MainWindow() const { return m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr; }

void Application::EnableControls()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
}

bool Application::CountInstance(LONG& nInstances)
{
    nInstances = nInstances + 1;
    return nInstances <= 1;
}

INT_PTR Application::RunMainDialog(Dialog& dlg)
{
    m_pMainWnd = &dlg;
    const INT_PTR nResult = dlg.DoModal();
    m_pMainWnd = nullptr;
    return nResult;
}

void RestrictDllSearch()
{
    // kernel32 is always loaded; the calls are looked up since older systems lack them.
    HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using AddDllDirectoryFn = void*(WINAPI*)(PCWSTR);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    auto pSetDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    auto pAddDllDirectory =
        reinterpret_cast<AddDllDirectoryFn>(reinterpret_cast<void*>(::GetProcAddress(hKernel, "AddDllDirectory")));
    // Besides the system directory, the Windows directory: the next folder of the standard
    // search, writable by administrators only, and where the installer puts the language monitor
    // of 64-bit Windows for the spooler, which may load it in this very process.
    wchar_t wszWindows[MAX_PATH] = L"";
    const UINT cchWindows = ::GetWindowsDirectoryW(wszWindows, MAX_PATH);
    const bool bWindows = cchWindows != 0 && cchWindows < MAX_PATH && pAddDllDirectory != nullptr;
    const DWORD dwSearch = LOAD_LIBRARY_SEARCH_SYSTEM32 | (bWindows ? LOAD_LIBRARY_SEARCH_USER_DIRS : 0);
    if (pSetDefaultDllDirectories != nullptr && bWindows) {
        pAddDllDirectory(wszWindows);
    }
    if (pSetDefaultDllDirectories == nullptr || !pSetDefaultDllDirectories(dwSearch)) {
        auto pSetDllDirectory =
            reinterpret_cast<SetDllDirectoryFn>(reinterpret_cast<void*>(::GetProcAddress(hKernel, "SetDllDirectoryA")));
        if (pSetDllDirectory != nullptr) {
            pSetDllDirectory("");
        }
    }

    char szSystem[MAX_PATH] = "";
    const UINT cchSystem = ::GetSystemDirectoryA(szSystem, sizeof(szSystem));
    if (cchSystem == 0 || cchSystem >= sizeof(szSystem)) {
        return;
    }
    for (const char* pszName : {"\\WINSPOOL.DRV", "\\SETUPAPI.dll", "\\SHLWAPI.dll"}) {
        char szPath[MAX_PATH] = "";
        CopyText(szPath, szSystem);
        if (AppendText(szPath, pszName) == cchSystem + std::strlen(pszName)) {
            ::LoadLibraryA(szPath);
        }
    }
}

const char* AppName()
{
    static char s_szName[MAX_PATH] = "";
    if (s_szName[0] == '\0') {
        char szPath[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
        const char* pszBase = std::strrchr(szPath, '\\');
        CopyText(s_szName, pszBase ? pszBase + 1 : szPath);
        char* pszDot = std::strrchr(s_szName, '.');
        if (pszDot) {
            *pszDot = '\0';
        }
    }
    return s_szName;
}

}  // namespace fw

namespace fw {

int ActivateWindowByTitle(const char* const* ppszTitles, int nTitles)
{
    HWND hWnd = nullptr;
    for (int i = 0; i < nTitles && hWnd == nullptr; ++i) {
        hWnd = ::FindWindowA(nullptr, ppszTitles[i]);
    }
    if (hWnd == nullptr) {
        return 1;
    }
    HWND hPopup = ::GetLastActivePopup(hWnd);
    if (::IsIconic(hWnd)) {
        ::ShowWindow(hWnd, SW_RESTORE);
    }
    ::SetForegroundWindow(hPopup);
    return 0;
}

}  // namespace fw
