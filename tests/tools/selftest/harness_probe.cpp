// A small window for checking uidriver: "Harness Probe" with a push button, a
// check box, a button that opens a message box, and an owner-drawn check-list
// box whose tick state is the line's item data (1 ticked, 0 not).
// "Done" ends the program with the state as exit code:
//   bits 0..2 ticked lines, bit 3 the check box, bit 4 the message box was answered Yes.
#include <windows.h>

namespace {

constexpr int kIdDone = 1001;
constexpr int kIdList = 1002;
constexpr int kIdOption = 1003;
constexpr int kIdBox = 1004;
constexpr int kCheckWidth = 16;

WNDPROC g_pfnListProc = nullptr;
HWND g_hList = nullptr;
HWND g_hOption = nullptr;
int g_nAnswer = 0;

// The check box of a line is its first 16 pixels: a click there flips the tick.
LRESULT CALLBACK ListProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_LBUTTONDOWN && static_cast<short>(LOWORD(lParam)) < kCheckWidth) {
        const LRESULT nHit = SendMessageA(hWnd, LB_ITEMFROMPOINT, 0, lParam);
        const int nLine = LOWORD(nHit);
        if (HIWORD(nHit) == 0 && nLine < SendMessageA(hWnd, LB_GETCOUNT, 0, 0)) {
            const LRESULT nData = SendMessageA(hWnd, LB_GETITEMDATA, nLine, 0);
            SendMessageA(hWnd, LB_SETITEMDATA, nLine, nData ? 0 : 1);
            InvalidateRect(hWnd, nullptr, TRUE);
        }
    }
    return CallWindowProcA(g_pfnListProc, hWnd, uMsg, wParam, lParam);
}

int ExitState()
{
    int nState = 0;
    for (int i = 0; i < 3; ++i) {
        if (SendMessageA(g_hList, LB_GETITEMDATA, i, 0) != 0) {
            nState |= 1 << i;
        }
    }
    if (SendMessageA(g_hOption, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        nState |= 8;
    }
    if (g_nAnswer == IDYES) {
        nState |= 16;
    }
    return nState;
}

LRESULT CALLBACK MainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE: {
        HINSTANCE hInst = reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance;
        CreateWindowExA(0, "BUTTON", "&Done", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 170, 80, 24, hWnd,
                        reinterpret_cast<HMENU>(kIdDone), hInst, nullptr);
        g_hOption = CreateWindowExA(0, "BUTTON", "Option", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 100, 170, 80,
                                    24, hWnd, reinterpret_cast<HMENU>(kIdOption), hInst, nullptr);
        CreateWindowExA(0, "BUTTON", "Box", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 190, 170, 80, 24, hWnd,
                        reinterpret_cast<HMENU>(kIdBox), hInst, nullptr);
        g_hList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                      LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                  10, 10, 260, 150, hWnd, reinterpret_cast<HMENU>(kIdList), hInst, nullptr);
        const char* lines[] = {"Alpha", "Beta", "Gamma"};
        const int ticks[] = {1, 0, 1};
        for (int i = 0; i < 3; ++i) {
            SendMessageA(g_hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i]));
            SendMessageA(g_hList, LB_SETITEMDATA, i, ticks[i]);
        }
        g_pfnListProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(g_hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
        return 0;
    }
    case WM_MEASUREITEM:
        reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)->itemHeight = 16;
        return TRUE;
    case WM_DRAWITEM: {
        auto* pDraw = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
        if (pDraw->itemID == static_cast<UINT>(-1)) {
            return TRUE;
        }
        FillRect(pDraw->hDC, &pDraw->rcItem, GetSysColorBrush(COLOR_WINDOW));
        RECT rcCheck = {pDraw->rcItem.left + 1, pDraw->rcItem.top + 1, pDraw->rcItem.left + kCheckWidth - 1,
                        pDraw->rcItem.bottom - 1};
        DrawFrameControl(pDraw->hDC, &rcCheck, DFC_BUTTON,
                         DFCS_BUTTONCHECK | (pDraw->itemData ? DFCS_CHECKED : 0));
        char szText[64] = "";
        SendMessageA(pDraw->hwndItem, LB_GETTEXT, pDraw->itemID, reinterpret_cast<LPARAM>(szText));
        RECT rcText = pDraw->rcItem;
        rcText.left += kCheckWidth + 2;
        DrawTextA(pDraw->hDC, szText, -1, &rcText, DT_SINGLELINE | DT_VCENTER);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kIdDone) {
            PostQuitMessage(ExitState());
        } else if (LOWORD(wParam) == kIdBox) {
            g_nAnswer = MessageBoxA(hWnd, "Probe question\nSecond line", "Probe Box", MB_YESNO | MB_ICONQUESTION);
        }
        return 0;
    case WM_CLOSE:
        PostQuitMessage(100);
        return 0;
    default:
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE, LPSTR, int nShow)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = hInst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "QlxHarnessProbe";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, "QlxHarnessProbe", "Harness Probe", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0,
                                0, 300, 240, nullptr, nullptr, hInst, nullptr);
    if (hWnd == nullptr) {
        return 200;
    }
    ShowWindow(hWnd, nShow);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(hWnd);
    return static_cast<int>(msg.wParam);
}
