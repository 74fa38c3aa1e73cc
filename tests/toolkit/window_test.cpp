// The Win32 toolkit's windows, events, keys, loops and dialogs, and the
// Win32 machine's processes while windows wait,
// checked under Wine (or Windows) against the layout tables.
//
//   window_test.exe                 runs the tests
//   window_test.exe --show [secs]   shows the main window and both prompts
//                                   (for a screenshot), then closes them;
//                                   with secs < 0 the main window alone until
//                                   it is closed; events are printed
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_machine.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/layout.h"
#include "ui/names.h"

using namespace trivex;
using trivex::win32::Win32Toolkit;

namespace {

struct Event {
    WindowId window;
    std::string command;
    int arg;
};

// A scripted step that runs inside whatever modal loop is active (message
// box, file dialog, modal prompt) once the window it acts on is shown: a
// thread timer looks for it every 50 ms. Should it not come within a minute,
// the step notes so and closes the active window, so that the loop ends and
// the test fails instead of hanging.
HWND (*g_find)() = nullptr;
void (*g_act)(HWND) = nullptr;
DWORD g_stepSince = 0;
UINT_PTR g_stepTimer = 0;
bool g_stepGaveUp = false;
void CALLBACK lookAndAct(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND target = g_find();
    if (!target && GetTickCount() - g_stepSince < 60000) return;
    KillTimer(nullptr, id);
    g_stepTimer = 0;
    if (!target) {
        g_stepGaveUp = true;
        PostMessageA(GetActiveWindow(), WM_CLOSE, 0, 0);
        return;
    }
    g_act(target);
}
void when(HWND (*find)(), void (*act)(HWND)) {
    g_find = find;
    g_act = act;
    g_stepSince = GetTickCount();
    g_stepGaveUp = false;
    g_stepTimer = SetTimer(nullptr, 0, 50, lookAndAct);
}

HWND shown(HWND h) { return h && IsWindowVisible(h) ? h : nullptr; }
HWND findDialog(const char* caption) { return FindWindowA("#32770", caption); }
HWND prompt() { return shown(FindWindowA("TrivexWindow", "Trivex Ghost")); }

void postKey(HWND h, UINT vk) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16;
    PostMessageA(h, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(h, WM_KEYUP, vk, scan | 1 | (3u << 30));
}

class Win32Windows : public ::testing::Test {
protected:
    void SetUp() override {
        windows = std::make_unique<Win32Toolkit>();
        machine.setWaitHook([this] { windows->processPendingMessages(); });
        windows->setCommandSink([this](WindowId w, const std::string& c, int a) {
            events.push_back({w, c, a});
            if (c == cmd::startup) controlsAtCreation = countControlWindows(w);
        });
    }
    void TearDown() override {
        if (g_stepTimer) KillTimer(nullptr, g_stepTimer);
        g_stepTimer = 0;
        EXPECT_FALSE(g_stepGaveUp) << "a scripted step found no window to act on within a minute";
        g_stepGaveUp = false;
        machine.setWaitHook({});
        windows.reset();
        // The last window of a test leaves a quit request; the next test
        // must not start with it.
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {}
    }

    HWND top(WindowId id) { return windows->windowHandle(id); }
    HWND control(WindowId id, const char* name) {
        win32::WindowState* ws = windows->stateOf(id);
        win32::ControlState* c = ws ? ws->find(name) : nullptr;
        return c ? c->hwnd : nullptr;
    }
    int countControlWindows(WindowId id) {
        int n = 0;
        for (size_t i = 0; i < ui::layoutOf(id).count; ++i)
            if (control(id, ui::layoutOf(id).controls[i].name)) ++n;
        return n;
    }
    void pump(int rounds = 5) {
        for (int i = 0; i < rounds; ++i) {
            windows->processPendingMessages();
            Sleep(10);
        }
    }
    int fired(const char* command, int arg = -1) const {
        int n = 0;
        for (const Event& e : events)
            if (e.command == command && (arg < 0 || e.arg == arg)) ++n;
        return n;
    }

    win32::Win32Machine machine;
    std::unique_ptr<Win32Toolkit> windows;
    std::vector<Event> events;
    int controlsAtCreation = -1;
};

RECT rectIn(HWND h, HWND parent) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string textOf(HWND h) {
    char buf[512] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

// ---- The main window as the layout describes it ---------------------------------

TEST_F(Win32Windows, MainWindowHasItsFrameSizeAndPlace) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    HWND h = top(WindowId::Main);
    ASSERT_TRUE(h);
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, 722);
    EXPECT_EQ(r.bottom - r.top, 475);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 722) / 2);
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(textOf(h), "Trivex");
    EXPECT_TRUE(SendMessageA(h, WM_GETICON, ICON_BIG, 0) || FindResourceA(nullptr, MAKEINTRESOURCEA(1), RT_GROUP_ICON) == nullptr);
    // The created command ran once, with every windowed control in place.
    EXPECT_EQ(fired(cmd::startup), 1);
    EXPECT_EQ(controlsAtCreation, countControlWindows(WindowId::Main));
    // An open window is not opened a second time.
    EXPECT_FALSE(windows->openWindow(WindowId::Main, false));
    EXPECT_EQ(top(WindowId::Main), h);
    EXPECT_EQ(fired(cmd::startup), 1);
}

TEST_F(Win32Windows, ControlsSitInTheirParentsAtTheTablesGeometry) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    const ui::WindowLayout& layout = ui::layoutOf(WindowId::Main);
    for (size_t i = 0; i < layout.count; ++i) {
        const ui::Control& row = layout.controls[i];
        SCOPED_TRACE(row.x * 10000 + row.y);
        HWND h = control(WindowId::Main, row.name);
        if (row.kind == ui::Kind::Timer || row.kind == ui::Kind::FileDialog) {
            EXPECT_FALSE(h);
            continue;
        }
        ASSERT_TRUE(h);
        HWND parent = row.parent ? control(WindowId::Main, row.parent) : top(WindowId::Main);
        EXPECT_EQ(GetParent(h), parent);
        if (row.kind == ui::Kind::StatusBar) continue;
        RECT r = rectIn(h, parent);
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.w);
        if (row.kind == ui::Kind::ComboBox) {
            // The closed box can be no lower than its font allows (Wine keeps it so).
            EXPECT_NEAR(r.bottom - r.top, row.h, 2);
            RECT dropped{};
            SendMessageA(h, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            EXPECT_GE(dropped.bottom - dropped.top, row.dropHeight);
            continue;
        }
        EXPECT_EQ(r.bottom - r.top, row.h);
        if (row.caption) {
            EXPECT_EQ(textOf(h), row.caption);
        }
    }
    // The status bar lies along the bottom edge of the client area.
    RECT client, bar;
    GetClientRect(top(WindowId::Main), &client);
    bar = rectIn(control(WindowId::Main, ctl::状态条1), top(WindowId::Main));
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(bar.right - bar.left, client.right);
}

TEST_F(Win32Windows, MainWindowStartsInTheLayoutsState) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    Toolkit& p = *windows;
    const WindowId m = WindowId::Main;
    EXPECT_EQ(p.getProp(m, ctl::还原单选框, Prop::Checked), 1);
    EXPECT_EQ(p.getProp(m, ctl::备份单选框, Prop::Checked), 0);
    for (const char* box : {ctl::G选择框, ctl::CRC选择框, ctl::手动选择框, ctl::自定义选择框})
        EXPECT_EQ(p.getProp(m, box, Prop::Checked), 0);
    EXPECT_EQ(p.getProp(m, ctl::编辑框2, Prop::Enabled), 0);
    EXPECT_EQ(p.getProp(m, ctl::打开2, Prop::Enabled), 0);
    EXPECT_EQ(p.getProp(m, ctl::编辑框2, Prop::BackColor), 0xECECEC);
    EXPECT_EQ(p.getProp(m, ctl::编辑框1, Prop::BackColor), 0xFFFFFF);
    EXPECT_EQ(p.getProp(m, ctl::压缩组合框, Prop::CurrentIndex), 0);
    EXPECT_EQ(p.getText(m, ctl::压缩组合框), "快速压缩");
    EXPECT_EQ(SendMessageA(control(m, ctl::压缩组合框), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(p.getProp(m, ctl::时钟1, Prop::Interval), 5000);
    EXPECT_EQ(p.getProp(m, ctl::时钟1, Prop::Enabled), 1);
    EXPECT_EQ(p.getProp(m, ctl::列表框1, Prop::CurrentIndex), -1);
    EXPECT_EQ(p.panelText(m, ctl::状态条1, 0), "友情提示：");
    EXPECT_EQ(p.panelText(m, ctl::状态条1, 1), "");
    EXPECT_EQ(p.getTextProp(m, ctl::通用对话框2, Prop::FileName), "G_WinXP.gho");
    EXPECT_EQ(p.getTextProp(m, ctl::通用对话框3, Prop::InitialFolder), "E:\\");
    EXPECT_NE(SendMessageA(control(m, ctl::编辑框1), WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    // The group of two radio buttons ends before the check box after them.
    EXPECT_TRUE(GetWindowLongA(control(m, ctl::还原单选框), GWL_STYLE) & WS_GROUP);
    EXPECT_FALSE(GetWindowLongA(control(m, ctl::备份单选框), GWL_STYLE) & WS_GROUP);
    EXPECT_TRUE(GetWindowLongA(control(m, ctl::G选择框), GWL_STYLE) & WS_GROUP);
}

TEST_F(Win32Windows, PropertiesListsAndPanelsReadBackWhatWasWritten) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    Toolkit& p = *windows;
    const WindowId m = WindowId::Main;
    p.setText(m, ctl::透明标签5, "镜像：D:\\a&b.gho");
    EXPECT_EQ(p.getText(m, ctl::透明标签5), "镜像：D:\\a&b.gho");
    p.setProp(m, ctl::标签7, Prop::Visible, 0);
    EXPECT_EQ(p.getProp(m, ctl::标签7, Prop::Visible), 0);
    p.setProp(m, ctl::编辑框2, Prop::Enabled, 1);
    p.setProp(m, ctl::编辑框2, Prop::BackColor, 0x123456);
    EXPECT_EQ(p.getProp(m, ctl::编辑框2, Prop::Enabled), 1);
    EXPECT_EQ(p.getProp(m, ctl::编辑框2, Prop::BackColor), 0x123456);
    // Checking one radio button by program leaves the other as it was.
    p.setProp(m, ctl::备份单选框, Prop::Checked, 1);
    EXPECT_EQ(p.getProp(m, ctl::备份单选框, Prop::Checked), 1);
    EXPECT_EQ(p.getProp(m, ctl::还原单选框, Prop::Checked), 1);
    p.setProp(m, ctl::压缩组合框, Prop::CurrentIndex, 2);
    EXPECT_EQ(p.getText(m, ctl::压缩组合框), "最高压缩");
    EXPECT_EQ(p.listCount(m, ctl::压缩组合框), 3);
    EXPECT_EQ(p.listItem(m, ctl::压缩组合框, 1), "高压缩");

    EXPECT_EQ(p.listAdd(m, ctl::列表框1, "  C:   100"), 0);
    EXPECT_EQ(p.listAdd(m, ctl::列表框1, "  D:   200"), 1);
    EXPECT_EQ(p.listCount(m, ctl::列表框1), 2);
    EXPECT_EQ(p.listItem(m, ctl::列表框1, 1), "  D:   200");
    EXPECT_EQ(p.listItem(m, ctl::列表框1, 2), "");
    EXPECT_EQ(p.listItem(m, ctl::列表框1, -1), "");
    EXPECT_EQ(p.getProp(m, ctl::列表框1, Prop::CurrentIndex), -1);  // nothing selected yet
    p.setProp(m, ctl::列表框1, Prop::CurrentIndex, 1);
    EXPECT_EQ(p.getProp(m, ctl::列表框1, Prop::CurrentIndex), 1);
    p.listClear(m, ctl::列表框1);
    EXPECT_EQ(p.listCount(m, ctl::列表框1), 0);

    p.setPanelText(m, ctl::状态条1, 1, "尚未用本软件备份系统，请及时备份镜像！");
    EXPECT_EQ(p.panelText(m, ctl::状态条1, 1), "尚未用本软件备份系统，请及时备份镜像！");
    p.setPanelText(m, ctl::状态条1, 2, "x");  // no such panel: nothing happens
    EXPECT_EQ(p.panelText(m, ctl::状态条1, 2), "");

    p.setTextProp(m, ctl::通用对话框1, Prop::FileName, "E:\\Ghost\\a.gho");
    EXPECT_EQ(p.getTextProp(m, ctl::通用对话框1, Prop::FileName), "E:\\Ghost\\a.gho");
    // Unknown names and closed windows read as nothing and take no writes.
    EXPECT_EQ(p.getText(m, "没有"), "");
    EXPECT_EQ(p.getText(WindowId::UndoPrompt, ctl::标签1), "");
    p.setText(WindowId::UndoPrompt, ctl::标签1, "x");
}

// ---- Events -------------------------------------------------------------------------

TEST_F(Win32Windows, ControlEventsInsideGroupBoxesReachTheirCommands) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    const WindowId m = WindowId::Main;
    SendMessageA(control(m, ctl::打开1), BM_CLICK, 0, 0);  // two group boxes deep
    EXPECT_EQ(fired(cmd::choose_image), 1);
    SendMessageA(control(m, ctl::备份单选框), BM_CLICK, 0, 0);
    EXPECT_EQ(fired(cmd::mode_refresh), 1);
    EXPECT_EQ(windows->getProp(m, ctl::还原单选框, Prop::Checked), 0);  // one group
    SendMessageA(control(m, ctl::按钮2), BM_CLICK, 0, 0);  // no command bound
    SendMessageA(control(m, ctl::打开2), BM_CLICK, 0, 0);  // disabled
    EXPECT_EQ(fired(cmd::browse_custom_ghost), 0);

    windows->listAdd(m, ctl::列表框2, "a.gho");
    windows->listAdd(m, ctl::列表框2, "b.gho");
    HWND list = control(m, ctl::列表框2);
    const int itemH = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const LPARAM at = MAKELPARAM(5, itemH + itemH / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    pump();
    EXPECT_EQ(fired(cmd::image_details), 1);
    EXPECT_EQ(windows->getProp(m, ctl::列表框2, Prop::CurrentIndex), 1);
    // Setting the current item by program raises no event.
    windows->setProp(m, ctl::列表框2, Prop::CurrentIndex, 0);
    pump();
    EXPECT_EQ(fired(cmd::image_details), 1);

    windows->setProp(m, ctl::时钟1, Prop::Interval, 30);
    for (int i = 0; i < 30 && fired(cmd::timer) < 2; ++i) pump(2);
    EXPECT_GE(fired(cmd::timer), 2);
    windows->setProp(m, ctl::时钟1, Prop::Enabled, 0);
    const int ticks = fired(cmd::timer);
    pump(10);
    EXPECT_EQ(fired(cmd::timer), ticks);
}

TEST_F(Win32Windows, LettersGoToTheKeyCommandExceptWhereTheUserTypes) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    const WindowId m = WindowId::Main;
    // On a button inside a group box: no mnemonic click, the key command runs.
    SetFocus(control(m, ctl::打开1));
    postKey(control(m, ctl::打开1), 'F');
    postKey(control(m, ctl::打开1), '7');
    pump();
    EXPECT_EQ(fired(cmd::main_key, 'F'), 1);
    EXPECT_EQ(fired(cmd::main_key, '7'), 1);
    EXPECT_EQ(fired(cmd::choose_image), 0);
    // The window itself gets other keys too.
    SetFocus(top(m));
    postKey(top(m), VK_F5);
    pump();
    EXPECT_EQ(fired(cmd::main_key, VK_F5), 1);

    // The custom Ghost path box and the compression box keep their letters.
    windows->setProp(m, ctl::编辑框2, Prop::Enabled, 1);
    HWND edit = control(m, ctl::编辑框2);
    SetFocus(edit);
    postKey(edit, 'A');
    HWND comboEdit = GetWindow(control(m, ctl::压缩组合框), GW_CHILD);
    postKey(comboEdit, 'B');
    pump();
    EXPECT_EQ(fired(cmd::main_key), 3);
    EXPECT_EQ(CharUpperA(const_cast<char*>(windows->getText(m, ctl::编辑框2).c_str()))[0], 'A');

    // A control disabled while it has the focus hands the focus to the window.
    SetFocus(edit);
    windows->setProp(m, ctl::编辑框2, Prop::Enabled, 0);
    EXPECT_EQ(GetFocus(), top(m));
}

TEST_F(Win32Windows, TabWalksIntoGroupBoxesAndEnterClicksTheFocusedButton) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    const WindowId m = WindowId::Main;
    SetFocus(top(m));
    postKey(top(m), VK_TAB);
    pump();
    EXPECT_EQ(GetFocus(), control(m, ctl::还原单选框));  // the first stop, inside 分组框1
    for (int i = 0; i < 40 && GetFocus() != control(m, ctl::打开1); ++i) {
        postKey(GetFocus(), VK_TAB);
        pump(1);
    }
    ASSERT_EQ(GetFocus(), control(m, ctl::打开1));  // two group boxes deep
    postKey(GetFocus(), VK_RETURN);
    pump();
    EXPECT_EQ(fired(cmd::choose_image), 1);
}

TEST_F(Win32Windows, EscClosesTheWindowAndRunsItsDestroyCommandOnce) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    postKey(control(WindowId::Main, ctl::列表框1), VK_ESCAPE);
    pump();
    EXPECT_FALSE(windows->windowExists(WindowId::Main));
    EXPECT_EQ(fired(cmd::destroy), 1);
    windows->runMessageLoop();  // nothing left: returns at once
}

TEST_F(Win32Windows, CloseIsDeferredUntilTheRequestIsDispatched) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    windows->closeWindow(WindowId::Main);
    EXPECT_TRUE(windows->windowExists(WindowId::Main));
    EXPECT_EQ(fired(cmd::destroy), 0);
    windows->runMessageLoop();
    EXPECT_FALSE(windows->windowExists(WindowId::Main));
    EXPECT_EQ(fired(cmd::destroy), 1);
    // A window opened afterwards lives on: the old quit request is gone.
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    pump();
    EXPECT_TRUE(windows->windowExists(WindowId::Main));
}

TEST_F(Win32Windows, HiddenWindowKeepsRunning) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    EXPECT_TRUE(windows->windowVisible(WindowId::Main));
    windows->showWindow(WindowId::Main, false);
    EXPECT_FALSE(windows->windowVisible(WindowId::Main));
    EXPECT_TRUE(windows->windowExists(WindowId::Main));
    windows->showWindow(WindowId::Main, true);
    EXPECT_TRUE(windows->windowVisible(WindowId::Main));
    EXPECT_FALSE(windows->windowVisible(WindowId::UndoPrompt));
}

// ---- Modal prompts ---------------------------------------------------------------------

struct PromptSeen {
    RECT rect{};
    LONG style = 0, exStyle = 0;
    std::string caption;
} g_prompt;

void notePrompt(HWND h) {
    GetWindowRect(h, &g_prompt.rect);
    g_prompt.style = GetWindowLongA(h, GWL_STYLE);
    g_prompt.exStyle = GetWindowLongA(h, GWL_EXSTYLE);
    g_prompt.caption = textOf(h);
}

TEST_F(Win32Windows, ModalPromptRunsUntilClosedAndKeepsTheMainWindow) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    windows->showWindow(WindowId::Main, false);
    when(prompt, [](HWND h) {
        notePrompt(h);
        HWND button = GetWindow(h, GW_CHILD);
        postKey(button, 'N');          // the prompt's key command
        postKey(button, VK_ESCAPE);    // then Esc closes it
    });
    ASSERT_TRUE(windows->openWindow(WindowId::RestartPrompt, true));
    EXPECT_FALSE(windows->windowExists(WindowId::RestartPrompt));
    EXPECT_TRUE(windows->windowExists(WindowId::Main));
    EXPECT_EQ(fired(cmd::restart_key, 'N'), 1);
    EXPECT_EQ(fired(cmd::exit_without_restart), 0);
    EXPECT_EQ(g_prompt.rect.right - g_prompt.rect.left, 413);
    EXPECT_EQ(g_prompt.rect.bottom - g_prompt.rect.top, 121);
    EXPECT_FALSE(g_prompt.style & WS_SYSMENU);
    EXPECT_TRUE(g_prompt.style & WS_CAPTION);
    EXPECT_FALSE(g_prompt.style & WS_THICKFRAME);
    EXPECT_TRUE(g_prompt.exStyle & WS_EX_APPWINDOW);
    pump();
    EXPECT_TRUE(windows->windowExists(WindowId::Main));  // no quit was left behind
}

TEST_F(Win32Windows, UndoPromptTakesNoMnemonicWithoutAlt) {
    when(prompt, [](HWND h) {
        HWND yes = GetWindow(h, GW_CHILD);
        while (yes && textOf(yes).find("(&Y)") == std::string::npos) yes = GetWindow(yes, GW_HWNDNEXT);
        postKey(yes, 'Y');
        postKey(yes, VK_ESCAPE);
    });
    ASSERT_TRUE(windows->openWindow(WindowId::UndoPrompt, true));
    EXPECT_EQ(fired(cmd::undo_confirm), 0);
    EXPECT_FALSE(windows->windowExists(WindowId::UndoPrompt));
}

// ---- Message box and file dialog ------------------------------------------------------

TEST_F(Win32Windows, MessageBoxAnswersAsButtonCodesAndGivesTheActivationBack) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    pump();
    ASSERT_EQ(GetActiveWindow(), top(WindowId::Main));
    when([] { return shown(findDialog("信息：")); }, [](HWND box) { PostMessageA(box, WM_COMMAND, IDNO, 0); });
    EXPECT_EQ(windows->messageBox("是否？", MB_YESNO, "信息："), kBtnNo);
    when([] { return shown(findDialog("标题")); }, [](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(windows->messageBox("好", 0, "标题"), kBtnOk);
    pump();
    // Keys reach the window again once the box is gone.
    EXPECT_EQ(GetActiveWindow(), top(WindowId::Main));
}

// Refuses every list box, so that the main window cannot be built.
HHOOK g_refuseHook = nullptr;
LRESULT CALLBACK refuseListBoxes(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        const char* cls = reinterpret_cast<CBT_CREATEWNDA*>(lp)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(cls) && lstrcmpiA(cls, "LISTBOX") == 0) return 1;
    }
    return CallNextHookEx(g_refuseHook, code, wp, lp);
}
bool g_boxSeen = false;

TEST_F(Win32Windows, AWindowThatCannotBeBuiltLeavesTheMessageSayingSoOnScreen) {
    g_refuseHook = SetWindowsHookExA(WH_CBT, refuseListBoxes, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(g_refuseHook);
    const bool opened = windows->openWindow(WindowId::Main, false);
    UnhookWindowsHookEx(g_refuseHook);
    ASSERT_FALSE(opened);
    EXPECT_FALSE(windows->windowExists(WindowId::Main));
    EXPECT_EQ(fired(cmd::startup), 0);
    // The box stays until it is answered (a quit request left by the window
    // that was torn down would end it before it is ever seen).
    g_boxSeen = false;
    when([] { return shown(findDialog("信息：")); }, [](HWND box) {
        g_boxSeen = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(windows->messageBox("载入启动窗口失败", 0, "信息："), kBtnOk);
    EXPECT_TRUE(g_boxSeen);
}

// The file dialog, once it is the active window with its file name box.
HWND fileDialog() {
    const HWND dlg = shown(GetActiveWindow());
    char cls[16] = {};
    if (!dlg || !GetClassNameA(dlg, cls, sizeof cls) || std::strcmp(cls, "#32770") != 0) return nullptr;
    return GetDlgItem(dlg, 0x47c) || GetDlgItem(dlg, 0x480) ? dlg : nullptr;
}

TEST_F(Win32Windows, FileDialogKeepsTheNameOnCancelAndTakesTheChoice) {
    ASSERT_TRUE(windows->openWindow(WindowId::Main, false));
    const WindowId m = WindowId::Main;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const Text chosen = Text(temp) + "trivex_dialog_test.gho";
    ASSERT_TRUE(machine.writeFile(chosen, {bytesOf("x")}));
    windows->setTextProp(m, ctl::通用对话框1, Prop::InitialFolder, temp);

    when(fileDialog, [](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(windows->fileDialog(m, ctl::通用对话框1));
    EXPECT_EQ(windows->getTextProp(m, ctl::通用对话框1, Prop::FileName), "");

    static Text s_chosen;
    s_chosen = chosen;
    when(fileDialog, [](HWND dlg) {
        SetDlgItemTextA(dlg, 0x47c, s_chosen.c_str());  // the file name box (explorer style)
        SetDlgItemTextA(dlg, 0x480, s_chosen.c_str());  // the file name box (old style)
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(windows->fileDialog(m, ctl::通用对话框1));
    EXPECT_EQ(CharUpperA(const_cast<char*>(windows->getTextProp(m, ctl::通用对话框1, Prop::FileName).c_str())),
              std::string(CharUpperA(const_cast<char*>(chosen.c_str()))));
    (void)machine.deleteFile(chosen);
}

// ---- Processes, drives, restart -------------------------------------------------------

std::string selfPath() {
    char buf[MAX_PATH];
    GetModuleFileNameA(nullptr, buf, sizeof buf);
    return buf;
}

int g_ticks = 0;
void CALLBACK countTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

TEST_F(Win32Windows, CaptureReadsEverythingAndEndsAChildThatHangs) {
    EXPECT_EQ(machine.runAndCapture("cmd /c echo hello", 20000), "hello\r\n");
    EXPECT_EQ(machine.runAndCapture("no_such_program_here.exe", 5000), "");

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const Text big = Text(temp) + "trivex_capture.txt";
    Text content;
    for (int i = 0; content.size() < 10000; ++i) content += "行" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(machine.writeFile(big, {bytesOf(content)}));
    EXPECT_EQ(machine.runAndCapture("cmd /c type \"" + big + "\"", 20000), content);
    (void)machine.deleteFile(big);

    // A child that does not end is ended at the limit; messages keep flowing
    // meanwhile. The limit leaves a slow start of the child (a busy machine,
    // Wine) time to write; the child would run for ten minutes.
    g_ticks = 0;
    UINT_PTR t = SetTimer(nullptr, 0, 50, countTick);
    const DWORD start = GetTickCount();
    Text out = machine.runAndCapture("\"" + selfPath() + "\" --sleep", 10000);
    const DWORD took = GetTickCount() - start;
    KillTimer(nullptr, t);
    EXPECT_EQ(out, "started\r\n");
    EXPECT_GE(took, 9900u);
    EXPECT_LT(took, 120000u);
    EXPECT_GE(g_ticks, 5);
}

TEST_F(Win32Windows, StartingAProgramReportsWhetherItStartedAndWhyNot) {
    EXPECT_TRUE(machine.startProgram("\"" + selfPath() + "\" --exit"));
    const SysResult missing = machine.startProgram("no_such_program_here.exe");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, 2u);  // the file was not found
    EXPECT_FALSE(machine.startProgram(""));
}

TEST_F(Win32Windows, DrivesAndProgramFolder) {
    uint64_t total = 0, free = 0;
    EXPECT_TRUE(machine.diskSpace('c', total, free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, total);
    EXPECT_TRUE(machine.diskSpace(0, total, free));  // the current drive
    EXPECT_FALSE(machine.diskSpace('Q', total, free));
    const Text folder = machine.programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(selfPath().compare(0, folder.size(), folder), 0);
}

// ---- Showing the windows for a look ------------------------------------------------------

int show(int seconds) {
    Win32Toolkit p;
    p.setCommandSink([](WindowId w, const std::string& c, int arg) {
        std::printf("event %d %s %d\n", static_cast<int>(w), c.c_str(), arg);
        std::fflush(stdout);
    });
    if (!p.openWindow(WindowId::Main, false)) return 1;
    if (seconds < 0) {  // the main window alone, for driving it from outside
        p.runMessageLoop();
        return 0;
    }
    p.listAdd(WindowId::Main, ctl::列表框1, "  C:\t5120\t15360\t20480");
    p.listAdd(WindowId::Main, ctl::列表框2, "E:\\Ghost\\G_WinXP.gho");
    p.setPanelText(WindowId::Main, ctl::状态条1, 1, "尚未用本软件备份系统，请及时备份镜像！");
    for (int i = 0; i < 20; ++i) {  // let it paint, then change a transparent label
        p.processPendingMessages();
        Sleep(20);
    }
    p.setText(WindowId::Main, ctl::透明标签10, "换过的文字：旧的文字应已擦去。");
    p.openWindow(WindowId::RestartPrompt, false);
    p.openWindow(WindowId::UndoPrompt, false);
    HWND restart = p.windowHandle(WindowId::RestartPrompt);
    HWND undo = p.windowHandle(WindowId::UndoPrompt);
    SetWindowPos(restart, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(undo, nullptr, 10, 620, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (p.windowExists(WindowId::Main) && GetTickCount() < end) {
        p.processPendingMessages();
        Sleep(20);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--sleep") == 0) {
        std::printf("started\n");
        std::fflush(stdout);
        Sleep(600000);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--exit") == 0) return 0;
    if (argc > 1 && std::strcmp(argv[1], "--show") == 0) return show(argc > 2 ? std::atoi(argv[2]) : 10);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
