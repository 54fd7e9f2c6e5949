// Tallivo in the notification area: starting there, every way of hiding the
// window into it, and the tray menu's Show, Hide and Terminate, with Wine's
// taskbar as the shell.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/tallivo_fixture.h"

namespace tallivo::test {
namespace {

// The program's only tray icon: the first identifier its tray window hands out.
constexpr UINT kIconId = 1;

class Tray : public TallivoTest {
 protected:
  void TearDown() override {
    // However the test went, the icon must not outlive the program.
    const HWND handler = Handler();
    TallivoTest::TearDown();
    if (handler) {
      EXPECT_FALSE(InShell(handler)) << "icon left in the tray";
    }
  }

  // The hidden window the shell reports the icon's mouse actions to.
  HWND Handler() const {
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, L"TallivoTrayIconHandler", nullptr));) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (process_ && pid == process_->Id()) return w;
    }
    return nullptr;
  }

  // Whether the shell holds the icon: only an icon it has accepts a modify.
  static bool InShell(HWND handler) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = handler;
    data.uID = kIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  }
  bool IconShown() const {
    const HWND handler = Handler();
    return handler && InShell(handler);
  }

  // Only the tray icon is left: the window (and with it its taskbar button) hidden.
  ::testing::AssertionResult InTray() const {
    if (!WaitUntil([&] { return !IsVisible(main_); }))
      return ::testing::AssertionFailure() << "window still shown";
    if (!IconShown()) return ::testing::AssertionFailure() << "no tray icon";
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult ShownInFront() const {
    if (WaitUntil([&] { return IsVisible(main_) && !IsMinimized(main_) && ForegroundWindow() == main_; }))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window not shown in front: " << Describe(main_);
  }

  // Opens the tray menu with a click on the icon (a right one unless told),
  // as the shell reports it, and clicks item `index` (0 "Show", 1 "Hide",
  // 2 "Terminate").
  ::testing::AssertionResult TrayMenu(int index, UINT click = WM_RBUTTONDOWN) const {
    const HWND handler = Handler();
    if (!handler) return ::testing::AssertionFailure() << "no tray window";
    PostMessageW(handler, WM_USER + 0x400, kIconId, click);
    const HWND menu = WaitForWindow({"#32768", "", process_->Id(), true});
    if (!menu) return ::testing::AssertionFailure() << "no menu";
    // Laid out once the menu's loop is waiting for input.
    if (!WaitForInputProcessed(menu)) return ::testing::AssertionFailure() << "menu not responding";
    // Three items of equal height fill the menu between its borders.
    RECT client{};
    GetClientRect(menu, &client);
    const POINT item{(client.left + client.right) / 2,
                     client.top + (client.bottom - client.top) * (2 * index + 1) / 6};
    if (!Click(menu, item)) return ::testing::AssertionFailure() << "could not click the menu";
    if (!WaitHidden(menu)) return ::testing::AssertionFailure() << "menu still open";
    return ::testing::AssertionSuccess();
  }

  // The point of the title bar where the system puts `hit` (HTCLOSE, HTMINBUTTON),
  // in client coordinates.
  std::optional<POINT> TitleBarButton(LRESULT hit) const {
    const RECT window = WindowRect(main_);
    const RECT client = ClientRectOnScreen(main_);
    const int y = (window.top + client.top) / 2 - GetSystemMetrics(SM_CYMENU) / 2;
    for (int x = window.right - 1; x > window.left; --x) {
      if (SendMessageW(main_, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == hit)
        return POINT{x - 3 - client.left, y - client.top};
    }
    return std::nullopt;
  }
};

TEST_F(Tray, OnlyALoneDashIStartsInTheTray) {
  struct Case {
    std::vector<std::string> arguments;
    bool inTray;
  };
  for (const Case& c : {Case{{"-i"}, true}, Case{{"-I"}, false}, Case{{"/i"}, false},
                        Case{{"-i", "x"}, false}, Case{{}, false}}) {
    SCOPED_TRACE(c.arguments.empty() ? "no arguments"
                                     : c.arguments[0] + " (" + std::to_string(c.arguments.size()) + ")");
    Start(c.arguments);
    ASSERT_TRUE(WaitUntil([&] { return IconShown(); })) << "no tray icon";
    if (c.inTray) {
      EXPECT_TRUE(InTray());
      ASSERT_TRUE(WaitForInputProcessed(main_));
      EXPECT_FALSE(IsVisible(main_)) << "stays in the tray";
      ASSERT_TRUE(TrayMenu(2));
    } else {
      ASSERT_TRUE(WaitVisible(main_));
      ASSERT_TRUE(WaitForInputProcessed(main_));
      EXPECT_TRUE(IsVisible(main_));
      ASSERT_TRUE(BringToForeground(main_));
      PressKeys("Ctrl+X");
    }
    EXPECT_EQ(process_->WaitForExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(IconShown());
    process_.reset();
  }
}

TEST_F(Tray, EveryWayOfHidingLeavesOnlyTheIconAndShowBringsItBack) {
  Start();
  ASSERT_TRUE(WaitVisible(main_));
  struct Way {
    const char* name;
    std::function<::testing::AssertionResult()> hide;
  };
  const std::vector<Way> ways = {
      {"close box",
       [&] {
         const auto box = TitleBarButton(HTCLOSE);
         if (!box) return ::testing::AssertionFailure() << "no such button";
         return ::testing::AssertionResult(Click(main_, *box));
       }},
      {"Alt+F4", [&] { return ::testing::AssertionResult(PressKeys("Alt+F4")); }},
      {"minimise box",
       [&] {
         const auto box = TitleBarButton(HTMINBUTTON);
         if (!box) return ::testing::AssertionFailure() << "no such button";
         return ::testing::AssertionResult(Click(main_, *box));
       }},
      {"Minimise button", [&] { return ::testing::AssertionResult(Click(Control("Button1"))); }},
      {"File > Minimise",
       [&] {
         if (!PressKeys("Alt+F")) return ::testing::AssertionFailure() << "Alt+F";
         if (!WaitForWindow({"#32768", "", process_->Id(), true}))
           return ::testing::AssertionFailure() << "no menu";
         return ::testing::AssertionResult(PressKeys("M"));
       }},
      {"tray menu Hide", [&] { return TrayMenu(1); }},
  };
  bool byHotkey = false;
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    ASSERT_TRUE(BringToForeground(main_));
    ASSERT_TRUE(WaitForInputProcessed(main_));
    ASSERT_TRUE(way.hide());
    EXPECT_TRUE(InTray());
    EXPECT_FALSE(IsMinimized(main_) && IsVisible(main_));
    // Back alternately by the tray's Show and by Ctrl-F12.
    if (byHotkey) {
      ASSERT_TRUE(PressKeys("Ctrl+F12"));
    } else {
      ASSERT_TRUE(TrayMenu(0));
    }
    EXPECT_TRUE(ShownInFront());
    EXPECT_TRUE(IconShown()) << "the icon stays while shown";
    byHotkey = !byHotkey;
  }
  // Still the working calculator.
  ASSERT_TRUE(BringToForeground(main_));
  Press("Ctrl+E");
  Type("100");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£58.53")));
  EXPECT_EQ(Terminate(), std::optional<DWORD>(0));
}

TEST_F(Tray, TheWindowComesBackAsItWasLeft) {
  Start();
  ASSERT_TRUE(WaitVisible(main_));
  const RECT screen = ClientRectOnScreen(GetDesktopWindow());
  const POINT moved{screen.left + 37, screen.top + 41};
  const auto maximise = [&] {
    ShowWindow(main_, SW_MAXIMIZE);  // as the title bar's maximise button would
    return WaitUntil([&] { return IsZoomed(main_) != FALSE; });
  };
  const auto move = [&] {
    SetWindowPos(main_, nullptr, moved.x, moved.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // as a drag would
    return WaitUntil([&] { return WindowRect(main_).left == moved.x && WindowRect(main_).top == moved.y; });
  };
  const auto hotkey = [&] { return ::testing::AssertionResult(PressKeys("Ctrl+F12")); };
  const auto trayHide = [&] { return TrayMenu(1); };
  const auto trayShow = [&] { return TrayMenu(0); };
  const auto minimiseButton = [&] { return ::testing::AssertionResult(Click(Control("Button1"))); };
  struct Case {
    const char* name;
    std::function<bool()> arrange;
    bool maximised;
    std::function<::testing::AssertionResult()> hide;
    std::function<::testing::AssertionResult()> show;
  };
  // A maximised window counts as not shown for Ctrl-F12, which brings it to
  // the front rather than hiding it; the tray's Hide does hide it.
  const std::vector<Case> cases = {
      {"maximised, back by Show", maximise, true, trayHide, trayShow},
      {"maximised, back by Ctrl-F12", maximise, true, trayHide, hotkey},
      {"moved, hidden and back by Ctrl-F12", move, false, hotkey, hotkey},
      {"moved, back by Show", move, false, minimiseButton, trayShow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(BringToForeground(main_));
    ASSERT_TRUE(c.arrange());
    ASSERT_TRUE(WaitForInputProcessed(main_));
    ASSERT_TRUE(c.hide());
    ASSERT_TRUE(InTray());
    ASSERT_TRUE(c.show());
    EXPECT_TRUE(ShownInFront());
    EXPECT_EQ(IsZoomed(main_) != FALSE, c.maximised);
    if (!c.maximised) {
      EXPECT_EQ(WindowRect(main_).left, moved.x);
      EXPECT_EQ(WindowRect(main_).top, moved.y);
    }
    ShowWindow(main_, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(main_); }));
  }
  EXPECT_EQ(Terminate(), std::optional<DWORD>(0));
}

TEST_F(Tray, ALeftClickOpensTheMenuToo) {
  Start();
  ASSERT_TRUE(WaitVisible(main_));
  ASSERT_TRUE(WaitUntil([&] { return IconShown(); }));
  ASSERT_TRUE(TrayMenu(1, WM_LBUTTONDOWN));
  EXPECT_TRUE(InTray());
  ASSERT_TRUE(TrayMenu(0, WM_LBUTTONDOWN));
  EXPECT_TRUE(ShownInFront());
  EXPECT_EQ(Terminate(), std::optional<DWORD>(0));
}

TEST_F(Tray, ASecondStartLeavesTheFirstInTheTray) {
  Start({"-i"});
  ASSERT_TRUE(InTray());
  auto second = Process::Start(TallivoPath());
  ASSERT_TRUE(second);
  HWND box = WaitForDialog(second->Id());
  ASSERT_NE(box, nullptr) << "no warning";
  EXPECT_EQ(WindowText(box), "Warning");
  EXPECT_EQ(DialogText(box), "Tallivo is already running.\r\nThis instance will terminate.");
  CloseMessageBox(box);
  EXPECT_EQ(second->WaitForExit(), std::optional<DWORD>(0));
  // The first was neither shown nor woken.
  ASSERT_TRUE(WaitForInputProcessed(main_));
  EXPECT_FALSE(IsVisible(main_));
  EXPECT_TRUE(IconShown());
  ASSERT_TRUE(TrayMenu(2));
  EXPECT_EQ(process_->WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(Tray, TerminateFromTheTrayEndsTheProgramAndRemovesTheIcon) {
  Start();
  ASSERT_TRUE(WaitVisible(main_));
  ASSERT_TRUE(WaitUntil([&] { return IconShown(); }));
  const HWND handler = Handler();
  ASSERT_TRUE(TrayMenu(2));
  EXPECT_EQ(process_->WaitForExit(), std::optional<DWORD>(0));
  EXPECT_FALSE(InShell(handler));
  // Ctrl-F12 is free for others again.
  EXPECT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL, VK_F12));
  UnregisterHotKey(nullptr, 7);
}

}  // namespace
}  // namespace tallivo::test
