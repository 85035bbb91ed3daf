// uidriver: drives the windows of another program of the same Wine prefix, by
// window title. Exit code 0 on success, 1 on time-out or not found, 2 on bad usage.
//
//   uidriver wait <title> [ms]          wait until the window exists (default 20000 ms)
//   uidriver gone <title> [ms]          wait until no such window exists
//   uidriver dump <title>               one line per child control (list box lines too)
//   uidriver msgtext <title> [ms]       the text of a message box
//   uidriver click <title> <text|id>    BM_CLICK on a child button
//   uidriver tick <title> <id> <index>  click the check box of an owner-drawn list box line
//   uidriver close <title>              WM_SYSCOMMAND SC_CLOSE
//   uidriver key <title> <vk>           WM_KEYDOWN/WM_KEYUP to the window
//   uidriver foreground                 the title of the foreground window
//   uidriver activate <title>           bring the window to the front
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultWaitMs = 20000;
constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMessageBoxTextId = 0xFFFF;

int Fail(const char* pszFormat, const char* pszArg = "")
{
    std::printf("uidriver: ");
    std::printf(pszFormat, pszArg);
    std::printf("\n");
    std::fflush(stdout);
    return 1;
}

DWORD ParseMs(int argc, char** argv, int nIndex)
{
    return argc > nIndex ? static_cast<DWORD>(std::strtoul(argv[nIndex], nullptr, 0)) : kDefaultWaitMs;
}

HWND WaitForWindow(const char* pszTitle, DWORD dwMs)
{
    const DWORD dwStart = GetTickCount();
    while (true) {
        HWND hWnd = FindWindowA(nullptr, pszTitle);
        if (hWnd != nullptr) {
            return hWnd;
        }
        if (GetTickCount() - dwStart >= dwMs) {
            return nullptr;
        }
        Sleep(kPollMs);
    }
}

// Text of a window of another process: WM_GETTEXT is carried across processes.
std::string TextOf(HWND hWnd)
{
    DWORD_PTR nLen = 0;
    if (!SendMessageTimeoutA(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &nLen)) {
        return std::string();
    }
    std::vector<char> buf(nLen + 2, '\0');
    DWORD_PTR nGot = 0;
    SendMessageTimeoutA(hWnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &nGot);
    buf.back() = '\0';
    return std::string(buf.data());
}

std::string ClassOf(HWND hWnd)
{
    char szClass[256] = "";
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    return szClass;
}

// Quotes a text for one-line output: \r, \n, \t, \\ and \" escaped.
std::string Quoted(const std::string& str)
{
    std::string out = "\"";
    for (char c : str) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default: out += c;
        }
    }
    return out + "\"";
}

BOOL CALLBACK CollectChild(HWND hWnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND hParent)
{
    std::vector<HWND> children;
    EnumChildWindows(hParent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool IsButtonClass(const std::string& strClass)
{
    return _stricmp(strClass.c_str(), "Button") == 0;
}

bool IsListBoxClass(const std::string& strClass)
{
    return _stricmp(strClass.c_str(), "ListBox") == 0;
}

LRESULT Send(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR nResult = 0;
    if (!SendMessageTimeoutA(hWnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &nResult)) {
        return -1;
    }
    return static_cast<LRESULT>(nResult);
}

LRESULT SendW(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR nResult = 0;
    if (!SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &nResult)) {
        return -1;
    }
    return static_cast<LRESULT>(nResult);
}

std::string Narrow(const wchar_t* pwsz)
{
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, pwsz, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0) {
        return std::string();
    }
    std::vector<char> buf(nBytes, '\0');
    WideCharToMultiByte(CP_ACP, 0, pwsz, -1, buf.data(), nBytes, nullptr, nullptr);
    return std::string(buf.data());
}

void DumpListBox(HWND hList)
{
    const LRESULT nCount = Send(hList, LB_GETCOUNT, 0, 0);
    const LRESULT nSel = Send(hList, LB_GETCURSEL, 0, 0);
    const LONG lStyle = GetWindowLongA(hList, GWL_STYLE);
    const bool bHasStrings = (lStyle & LBS_HASSTRINGS) != 0 || (lStyle & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) == 0;
    for (LRESULT i = 0; i < nCount; ++i) {
        std::string strText;
        if (bHasStrings) {
            // The wide form: Wine returns only the first character for LB_GETTEXTA sent across processes.
            const LRESULT nLen = SendW(hList, LB_GETTEXTLEN, i, 0);
            if (nLen >= 0) {
                std::vector<wchar_t> wbuf(nLen + 2, L'\0');
                SendW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wbuf.data()));
                wbuf.back() = L'\0';
                strText = Narrow(wbuf.data());
            }
        }
        const LRESULT nData = Send(hList, LB_GETITEMDATA, i, 0);
        std::printf("  line %ld data=%lld%s text=%s\n", static_cast<long>(i), static_cast<long long>(nData),
                    i == nSel ? " selected" : "", Quoted(strText).c_str());
    }
}

int CmdDump(HWND hTop)
{
    std::printf("window %s class=%s enabled=%d visible=%d\n", Quoted(TextOf(hTop)).c_str(), ClassOf(hTop).c_str(),
                IsWindowEnabled(hTop) ? 1 : 0, IsWindowVisible(hTop) ? 1 : 0);
    for (HWND hChild : ChildrenOf(hTop)) {
        const std::string strClass = ClassOf(hChild);
        const LONG lStyle = GetWindowLongA(hChild, GWL_STYLE);
        std::printf("id=%d class=%s text=%s enabled=%d visible=%d", GetDlgCtrlID(hChild), strClass.c_str(),
                    Quoted(TextOf(hChild)).c_str(), IsWindowEnabled(hChild) ? 1 : 0,
                    IsWindowVisible(hChild) ? 1 : 0);
        if (IsButtonClass(strClass)) {
            const LONG lType = lStyle & BS_TYPEMASK;
            if (lType == BS_CHECKBOX || lType == BS_AUTOCHECKBOX || lType == BS_3STATE || lType == BS_AUTO3STATE ||
                lType == BS_RADIOBUTTON || lType == BS_AUTORADIOBUTTON) {
                std::printf(" checked=%ld", static_cast<long>(Send(hChild, BM_GETCHECK, 0, 0)));
            }
            if (lType == BS_DEFPUSHBUTTON) {
                std::printf(" default=1");
            }
        }
        if (IsListBoxClass(strClass)) {
            std::printf(" count=%ld", static_cast<long>(Send(hChild, LB_GETCOUNT, 0, 0)));
        }
        std::printf("\n");
        if (IsListBoxClass(strClass)) {
            DumpListBox(hChild);
        }
    }
    std::fflush(stdout);
    return 0;
}

// A box found as soon as it is made may not have its text yet: it is awaited.
int CmdMsgText(HWND hBox, DWORD dwMs)
{
    const DWORD dwStart = GetTickCount();
    std::string strText;
    while (strText.empty() && GetTickCount() - dwStart < dwMs) {
        HWND hText = GetDlgItem(hBox, kMessageBoxTextId);
        strText = hText != nullptr ? TextOf(hText) : std::string();
        if (strText.empty()) {
            Sleep(kPollMs);
        }
    }
    if (strText.empty()) {
        return Fail("the window has no message text (control id 0xFFFF)");
    }
    std::printf("%s\n", strText.c_str());
    std::fflush(stdout);
    return 0;
}

std::string WithoutAmpersands(const std::string& str)
{
    std::string out;
    for (char c : str) {
        if (c != '&') {
            out += c;
        }
    }
    return out;
}

// A child by numeric id, by exact text, or by its text without '&' accelerators.
HWND FindChild(HWND hTop, const char* pszWhat)
{
    char* pEnd = nullptr;
    const long nId = std::strtol(pszWhat, &pEnd, 0);
    const bool bNumeric = *pszWhat != '\0' && *pEnd == '\0';
    const std::vector<HWND> children = ChildrenOf(hTop);
    for (HWND hChild : children) {
        if (bNumeric && GetDlgCtrlID(hChild) == nId) {
            return hChild;
        }
    }
    for (HWND hChild : children) {
        if (TextOf(hChild) == pszWhat) {
            return hChild;
        }
    }
    const std::string strWanted = WithoutAmpersands(pszWhat);
    for (HWND hChild : children) {
        if (_stricmp(WithoutAmpersands(TextOf(hChild)).c_str(), strWanted.c_str()) == 0) {
            return hChild;
        }
    }
    return nullptr;
}

int CmdClick(HWND hTop, const char* pszWhat)
{
    HWND hChild = FindChild(hTop, pszWhat);
    if (hChild == nullptr) {
        return Fail("no control \"%s\" in the window", pszWhat);
    }
    if (!IsWindowEnabled(hChild)) {
        return Fail("control \"%s\" is disabled", pszWhat);
    }
    // Posted: the click may open a modal box, which would block a sent message.
    PostMessageA(hChild, BM_CLICK, 0, 0);
    return 0;
}

int CmdTick(HWND hTop, const char* pszId, const char* pszIndex)
{
    HWND hList = FindChild(hTop, pszId);
    if (hList == nullptr || !IsListBoxClass(ClassOf(hList))) {
        return Fail("no list box %s in the window", pszId);
    }
    const long nIndex = std::strtol(pszIndex, nullptr, 0);
    const LRESULT nCount = Send(hList, LB_GETCOUNT, 0, 0);
    if (nIndex < 0 || nIndex >= nCount) {
        return Fail("line %s is not in the list box", pszIndex);
    }
    RECT rc = {};
    if (Send(hList, LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&rc)) == LB_ERR ||
        rc.bottom <= rc.top) {
        // Fall back to the line geometry when the rectangle is not carried across processes.
        const LRESULT nTop = Send(hList, LB_GETTOPINDEX, 0, 0);
        const LRESULT nHeight = Send(hList, LB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex), 0);
        rc.top = static_cast<LONG>((nIndex - nTop) * nHeight);
        rc.bottom = static_cast<LONG>(rc.top + nHeight);
    }
    const LPARAM lPos = MAKELPARAM(8, (rc.top + rc.bottom) / 2);
    PostMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, lPos);
    PostMessageA(hList, WM_LBUTTONUP, 0, lPos);
    return 0;
}

int CmdKey(HWND hTop, const char* pszVk)
{
    struct Named {
        const char* pszName;
        UINT uVk;
    };
    static const Named names[] = {{"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE}, {"RETURN", VK_RETURN},
                                  {"ENTER", VK_RETURN},  {"SPACE", VK_SPACE}, {"TAB", VK_TAB},
                                  {"F4", VK_F4},         {"DOWN", VK_DOWN},  {"UP", VK_UP}};
    UINT uVk = 0;
    for (const Named& named : names) {
        if (_stricmp(named.pszName, pszVk) == 0) {
            uVk = named.uVk;
        }
    }
    if (uVk == 0) {
        char* pEnd = nullptr;
        uVk = static_cast<UINT>(std::strtoul(pszVk, &pEnd, 0));
        if (*pEnd != '\0' || uVk == 0 || uVk > 0xFE) {
            Fail("bad virtual key \"%s\"", pszVk);
            return 2;
        }
    }
    const UINT uScan = MapVirtualKeyA(uVk, 0);
    PostMessageA(hTop, WM_KEYDOWN, uVk, static_cast<LPARAM>(1 | (uScan << 16)));
    PostMessageA(hTop, WM_KEYUP, uVk, static_cast<LPARAM>(1 | (uScan << 16) | (1u << 30) | (1u << 31)));
    return 0;
}

int CmdActivate(HWND hTop)
{
    if (IsIconic(hTop)) {
        ShowWindow(hTop, SW_RESTORE);
    }
    SetForegroundWindow(hTop);
    for (int i = 0; i < 20 && GetForegroundWindow() != hTop; ++i) {
        Sleep(kPollMs);
        SetForegroundWindow(hTop);
    }
    if (GetForegroundWindow() != hTop) {
        return Fail("the window did not come to the front");
    }
    return 0;
}

int Usage()
{
    std::printf("usage: uidriver wait|gone <title> [ms] | dump|msgtext|close|activate <title> |\n"
                "       click <title> <text|id> | tick <title> <listbox id> <index> | key <title> <vk> |\n"
                "       move <title> <x> <y> | foreground\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Lines end in "\n" only, so shell scripts and tests compare them as they are.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        return Usage();
    }
    const std::string strCmd = argv[1];
    if (strCmd == "foreground") {
        HWND hFg = GetForegroundWindow();
        if (hFg == nullptr) {
            return Fail("no foreground window");
        }
        std::printf("%s\n", TextOf(hFg).c_str());
        return 0;
    }
    if (argc < 3) {
        return Usage();
    }
    struct Command {
        const char* pszName;
        int nArgs;  // arguments after the command name, at least
    };
    static const Command commands[] = {{"wait", 1},  {"gone", 1},  {"dump", 1},    {"msgtext", 1}, {"close", 1},
                                       {"activate", 1}, {"click", 2}, {"tick", 3}, {"key", 2}, {"move", 3}};
    bool bKnown = false;
    for (const Command& command : commands) {
        bKnown = bKnown || (strCmd == command.pszName && argc - 2 >= command.nArgs);
    }
    if (!bKnown) {
        return Usage();
    }
    const char* pszTitle = argv[2];
    if (strCmd == "gone") {
        const DWORD dwMs = ParseMs(argc, argv, 3);
        const DWORD dwStart = GetTickCount();
        while (FindWindowA(nullptr, pszTitle) != nullptr) {
            if (GetTickCount() - dwStart >= dwMs) {
                return Fail("window \"%s\" is still there", pszTitle);
            }
            Sleep(kPollMs);
        }
        return 0;
    }
    const DWORD dwWait = strCmd == "wait" || strCmd == "msgtext" ? ParseMs(argc, argv, 3) : kDefaultWaitMs;
    HWND hTop = WaitForWindow(pszTitle, dwWait);
    if (hTop == nullptr) {
        return Fail("no window \"%s\"", pszTitle);
    }
    if (strCmd == "wait") {
        return 0;
    }
    if (strCmd == "dump") {
        return CmdDump(hTop);
    }
    if (strCmd == "msgtext") {
        return CmdMsgText(hTop, dwWait);
    }
    if (strCmd == "close") {
        PostMessageA(hTop, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (strCmd == "activate") {
        return CmdActivate(hTop);
    }
    if (strCmd == "click") {
        return CmdClick(hTop, argv[3]);
    }
    if (strCmd == "tick") {
        return CmdTick(hTop, argv[3], argv[4]);
    }
    if (strCmd == "move") {
        // Places a window (screenshots of two windows that open on top of each other).
        SetWindowPos(hTop, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    return CmdKey(hTop, argv[3]);
}
