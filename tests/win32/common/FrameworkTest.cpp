// Our application and dialog layer: the check-list box, data exchange, the modal loop, the
// message box and window activation, on real windows under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Testkit.h"
#include "UninstallerRes.h"
#include "framework/Application.h"
#include "framework/CheckListBox.h"
#include "framework/MessageBox.h"
#include "framework/Thread.h"

using namespace qlx::testkit;

namespace {

// The uninstaller's dialog template, with its check-list and status line bound.
class ListDialog : public fw::Dialog {
public:
    ListDialog() : fw::Dialog(IDD_UNINSTALLER_DIALOG) {}

    fw::CheckListBox m_list;
    fw::SharedText m_strStatus;
    std::vector<WORD> m_notifications;

protected:
    void DoDataExchange(fw::DataExchange& dx) override
    {
        fw::DDX_Control(dx, IDC_PRINTER_LIST, m_list);
        fw::DDX_Text(dx, IDC_STATUS, m_strStatus);
    }
    BOOL OnCommand(WORD nId, WORD nCode, HWND) override
    {
        if (nId == IDC_PRINTER_LIST) {
            m_notifications.push_back(nCode);
            return TRUE;
        }
        return FALSE;
    }
};

LPARAM PointInLine(const fw::CheckListBox& list, int nIndex, int x)
{
    RECT rc;
    list.Send(LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&rc));
    return MAKELPARAM(x, (rc.top + rc.bottom) / 2);
}

TEST(CheckListBox, ClickOnTheBoxTicksAndTellsTheParent)
{
    ListDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_UNINSTALLER_DIALOG));
    for (const char* pszName : {"Printer B", "Printer A", "Printer C"}) {
        dlg.m_list.AddString(pszName);
    }
    ASSERT_EQ(dlg.m_list.GetCount(), 3);
    EXPECT_EQ(dlg.m_list.GetText(0), "Printer A");  // the list box sorts
    EXPECT_EQ(dlg.m_list.GetCheck(1), 0);

    dlg.m_list.SetCheck(0, 1);
    EXPECT_EQ(dlg.m_list.GetCheck(0), 1);

    // A click on the box of line 1 ticks it and notifies; a click on the text only selects.
    dlg.m_list.Send(WM_LBUTTONDOWN, MK_LBUTTON, PointInLine(dlg.m_list, 1, 8));
    dlg.m_list.Send(WM_LBUTTONUP, 0, PointInLine(dlg.m_list, 1, 8));
    EXPECT_EQ(dlg.m_list.GetCheck(1), 1);
    dlg.m_list.Send(WM_LBUTTONDOWN, MK_LBUTTON, PointInLine(dlg.m_list, 2, 60));
    dlg.m_list.Send(WM_LBUTTONUP, 0, PointInLine(dlg.m_list, 2, 60));
    EXPECT_EQ(dlg.m_list.GetCheck(2), 0);

    // The space bar toggles the selected line.
    dlg.m_list.Send(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(dlg.m_list.GetCheck(2), 1);
    dlg.m_list.Send(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(dlg.m_list.GetCheck(2), 0);

    std::vector<WORD> ticks;
    for (WORD nCode : dlg.m_notifications) {
        if (nCode == fw::CLBN_CHKCHANGE) {
            ticks.push_back(nCode);
        }
    }
    EXPECT_EQ(ticks.size(), 3u);
    EXPECT_EQ(dlg.m_list.GetCheck(7), 0);  // no such line
    dlg.DestroyWindow();
}

TEST(DataExchange, SharedTextGoesToTheControlAndBack)
{
    ListDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_UNINSTALLER_DIALOG));
    dlg.m_strStatus = "Deleting forms...";
    dlg.UpdateData(FALSE);
    char szText[64] = "";
    ::GetDlgItemTextA(dlg.m_hWnd, IDC_STATUS, szText, sizeof(szText));
    EXPECT_STREQ(szText, "Deleting forms...");
    ::SetDlgItemTextA(dlg.m_hWnd, IDC_STATUS, "typed");
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.m_strStatus.Get(), "typed");
    dlg.DestroyWindow();
}

// A dialog that another thread ends, as the uninstaller's worker does after a declined restart.
class EndedFromOutside : public fw::Dialog {
public:
    EndedFromOutside() : fw::Dialog(IDD_UNINSTALLER_DIALOG) {}
    std::atomic<bool> m_bUp{false};

protected:
    BOOL OnInitDialog() override
    {
        m_bUp = true;
        return TRUE;
    }
};

TEST(ModalLoop, EndDialogFromAnotherThreadEndsTheLoop)
{
    EndedFromOutside dlg;
    std::thread closer([&] {
        while (!dlg.m_bUp) {
            ::SwitchToThread();
        }
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    closer.join();
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(ModalLoop, MissingTemplateFails)
{
    class NoTemplate : public fw::Dialog {
    public:
        NoTemplate() : fw::Dialog(4242) {}
    } dlg;
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(MessageBox, CaptionIsTheProgramNameWithoutExtension)
{
    MessageBoxRecorder boxes;
    boxes.QueueAnswer(IDYES);
    EXPECT_EQ(fw::AppMessageBox("Please restart.", MB_YESNO | MB_ICONQUESTION), IDYES);
    const auto recorded = boxes.Boxes();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].strCaption, "framework_tests");
    EXPECT_EQ(recorded[0].strText, "Please restart.");
    EXPECT_EQ(recorded[0].uType, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(recorded[0].bOwner);  // no application object, no main window
}

TEST(BeginThread, RunsTheProcedureWithItsParameter)
{
    std::atomic<int> nSeen{0};
    auto pThread = fw::BeginThread(
        [](LPVOID pParam) -> UINT {
            *static_cast<std::atomic<int>*>(pParam) = 7;
            return 3;
        },
        &nSeen);
    ASSERT_NE(pThread, nullptr);
    ASSERT_EQ(::WaitForSingleObject(pThread->m_hThread.Get(), 10000), WAIT_OBJECT_0);
    DWORD dwCode = 0;
    ::GetExitCodeThread(pThread->m_hThread.Get(), &dwCode);
    EXPECT_EQ(dwCode, 3u);
    EXPECT_EQ(nSeen, 7);
}

// Windows of "another instance", and what activating them asks of the system.
class Activation : public ::testing::Test {
protected:
    HWND MakeWindow(const char* pszTitle)
    {
        HWND hWnd = ::CreateWindowExA(0, "STATIC", pszTitle, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                      nullptr, nullptr);
        m_windows.push_back(hWnd);
        return hWnd;
    }
    void TearDown() override
    {
        for (HWND hWnd : m_windows) {
            ::DestroyWindow(hWnd);
        }
    }
    std::vector<HWND> m_windows;
};

TEST_F(Activation, FirstTitleFoundWinsAndItsLastPopupComesToTheFront)
{
    HWND hProgress = MakeWindow("Installation Progress qlx-test");
    HWND hPort = MakeWindow("Port Type qlx-test");
    std::vector<HWND> foreground;
    auto setForeground = Replace<decltype(&SetForegroundWindow)>("user32.dll", "SetForegroundWindow", [&](HWND h) {
        foreground.push_back(h);
        return TRUE;
    });
    const char* const titles[] = {"Port Type qlx-test", "Installation Progress qlx-test", "QLX480_Installer qlx-test"};
    EXPECT_EQ(fw::ActivateWindowByTitle(titles, 3), 0);
    EXPECT_EQ(foreground, std::vector<HWND>{hPort});

    ::DestroyWindow(hPort);
    foreground.clear();
    EXPECT_EQ(fw::ActivateWindowByTitle(titles, 3), 0);
    EXPECT_EQ(foreground, std::vector<HWND>{hProgress});
}

TEST_F(Activation, MinimizedWindowIsRestoredAndNoWindowGivesOne)
{
    HWND hDialog = MakeWindow("KORVANE QLX-480 Uninstaller qlx-test");
    std::vector<int> shows;
    auto iconic = Replace<decltype(&IsIconic)>("user32.dll", "IsIconic", [](HWND) { return TRUE; });
    auto show = Replace<decltype(&ShowWindow)>("user32.dll", "ShowWindow", [&](auto original, HWND h, int nCmd) {
        if (h == hDialog) {
            shows.push_back(nCmd);
        }
        return original(h, nCmd);
    });
    const char* const titles[] = {"KORVANE QLX-480 Uninstaller qlx-test", "QLX480_Uninstaller qlx-test"};
    EXPECT_EQ(fw::ActivateWindowByTitle(titles, 2), 0);
    EXPECT_EQ(shows, std::vector<int>{SW_RESTORE});

    const char* const none[] = {"no such window qlx-test"};
    EXPECT_EQ(fw::ActivateWindowByTitle(none, 1), 1);
}

}  // namespace
