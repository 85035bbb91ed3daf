// Keeps a Wine prefix's desktop up between test processes. Wine ends the desktop process soon
// after the last window of the prefix goes; every test would then start a new one (a second and
// more each), and a test that opens a window while the old desktop is still shutting down gets
// error 1400. This program owns one hidden window for as long as the prefix's server lives.
// Given a file name, it creates that file once its window (and so the desktop) exists: the runner
// waits for it, so that no test process is the one that starts the desktop process, which would
// keep the test's output pipe open for its whole life.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int)
{
    HWND hWnd = ::CreateWindowExA(0, "STATIC", "qlx desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  hInstance, nullptr);
    if (hWnd == nullptr) {
        return 1;
    }
    std::string strReady = pszCmdLine != nullptr ? pszCmdLine : "";
    if (strReady.size() >= 2 && strReady.front() == '"' && strReady.back() == '"') {
        strReady = strReady.substr(1, strReady.size() - 2);
    }
    if (!strReady.empty()) {
        HANDLE hFile = ::CreateFileA(strReady.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            ::CloseHandle(hFile);
        }
    }
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageA(&msg);
    }
    return 0;
}
