// Keeps a Wine prefix's desktop up between test processes. Wine ends the desktop process soon
// after the last window of the prefix goes; every test would then start a new one (a second and
// more each), and a test that opens a window while the old desktop is still shutting down gets
// error 1400. This program owns one hidden window for as long as the prefix's server lives.
#include <windows.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    HWND hWnd = ::CreateWindowExA(0, "STATIC", "qlx desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  hInstance, nullptr);
    if (hWnd == nullptr) {
        return 1;
    }
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageA(&msg);
    }
    return 0;
}
