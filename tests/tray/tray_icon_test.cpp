// The tray icon in a program of its own: notifications sent to the shared
// window the way the shell sends them, Wine's tray as the shell, and a main
// window to hide and show.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/driver_win.h"
#include "tray/tray_icon_win.h"
#include "ui/application_win.h"

namespace tallivo {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using ui::TMouseButton;
using ui::TShiftStateItem;
namespace drv = test;
using drv::PumpUntil;

class TFmTrayTest : public ui::TForm {
 public:
  using TForm::TForm;
  static const ui::ClassInfo& StaticClass() {
    static const ui::ClassInfo info("TFmTrayTest", &TForm::StaticClass(), nullptr, {});
    return info;
  }
  const ui::ClassInfo& Class() const override { return StaticClass(); }
};

// Gives every timer due within `period` its chance: pumps until a witness
// timer of that period, started now, has ticked.
void PumpPast(unsigned period) {
  bool ticked = false;
  TSimpleTimer witness(period, [&](TSimpleTimer*) { ticked = true; });
  witness.SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return ticked; }));
}

// Puts the pointer at (x, y) and waits until it stays there: the display
// server may report an earlier position late, moving the cursor back once.
bool MoveCursor(int x, int y) {
  const auto there = [&] {
    POINT p{};
    return GetCursorPos(&p) && p.x == x && p.y == y;
  };
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (!SetCursorPos(x, y) || !PumpUntil(there)) return false;
    bool ticked = false;
    TSimpleTimer witness(60, [&](TSimpleTimer*) { ticked = true; });
    witness.SetActive(true);
    if (!PumpUntil([&] { return ticked; })) return false;
    if (there()) return true;
  }
  return false;
}

// A 16 x 16 icon file of one colour, as the system stores icons.
ui::Bytes SolidIcon(std::uint32_t bgra) {
  constexpr int kSize = 16;
  ui::Bytes image(40 + kSize * kSize * 4 + kSize * 4);
  const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
      image[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(0, 40, 4);
  put(4, kSize, 4);
  put(8, 2 * kSize, 4);  // colour rows and mask rows
  put(12, 1, 2);
  put(14, 32, 2);
  for (int p = 0; p < kSize * kSize; ++p) put(40 + 4 * static_cast<std::size_t>(p), bgra, 4);
  ui::Bytes file(6 + 16);
  file[2] = 1;
  file[4] = 1;
  file[6] = file[7] = kSize;
  file[10] = 1;
  file[12] = 32;
  const auto size = static_cast<std::uint32_t>(image.size());
  for (int i = 0; i < 4; ++i)
    file[14 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
  file[18] = 22;
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

// What the icon's events reported, in order.
struct EventLog {
  std::vector<std::string> events;
  std::vector<int> cycles;
  std::vector<ui::TShiftState> shifts;
  std::vector<POINT> points;

  void Attach(TTrayIcon& icon) {
    const auto named = [this](const char* name) {
      return [this, name](TComponent*) { events.emplace_back(name); };
    };
    icon.OnClick = named("click");
    icon.OnMouseEnter = named("enter");
    icon.OnMouseExit = named("exit");
    icon.OnBalloonHintShow = named("balloon show");
    icon.OnBalloonHintHide = named("balloon hide");
    icon.OnBalloonHintTimeout = named("balloon timeout");
    icon.OnBalloonHintClick = named("balloon click");
    icon.OnMouseDown = [this](TComponent*, TMouseButton b, ui::TShiftState s, int x, int y) {
      events.push_back(std::string("down ") + Name(b));
      shifts.push_back(s);
      points.push_back({x, y});
    };
    icon.OnMouseUp = [this](TComponent*, TMouseButton b, ui::TShiftState s, int x, int y) {
      events.push_back(std::string("up ") + Name(b));
      shifts.push_back(s);
      points.push_back({x, y});
    };
    icon.OnMouseMove = [this](TComponent*, ui::TShiftState s, int x, int y) {
      events.emplace_back("move");
      shifts.push_back(s);
      points.push_back({x, y});
    };
    icon.OnCycle = [this](TComponent*, int next) { cycles.push_back(next); };
  }
  static const char* Name(TMouseButton b) {
    return b == TMouseButton::mbLeft ? "left" : b == TMouseButton::mbRight ? "right" : "middle";
  }
  std::size_t Count(const std::string& name) const {
    return static_cast<std::size_t>(std::count(events.begin(), events.end(), name));
  }
};

class TrayIconTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application().Initialize();
    ui::Application().SetTitle("Tray test");
    main_ = ui::Application().CreateForm<TFmTrayTest>();
  }

  void SetUp() override {
    ASSERT_EQ(SharedTrayWindow::Users(), 0u);
    ui::SetExceptionReportHook([this](const std::exception& e) { reports_.emplace_back(e.what()); });
    main_->Show();
    ASSERT_TRUE(PumpUntil([] { return main_->Visible(); }));
  }

  void TearDown() override {
    for (TTrayIcon* icon : icons_) ui::Free(icon);
    icons_.clear();
    ui::SetExceptionReportHook(nullptr);
    EXPECT_TRUE(reports_.empty()) << reports_.front();
    EXPECT_EQ(SharedTrayWindow::Users(), 0u);
    if (IsIconic(main_->Handle())) ShowWindow(main_->Handle(), SW_RESTORE);
  }

  TTrayIcon* NewIcon() {
    icons_.push_back(new TTrayIcon(main_));
    return icons_.back();
  }
  void FreeIcon(TTrayIcon* icon) {
    std::erase(icons_, icon);
    ui::Free(icon);
  }

  static HWND HandlerWindow() {
    return FindWindowExW(HWND_MESSAGE, nullptr, TTrayIconHandler::kClassName, nullptr);
  }
  // As the shell reports a mouse action on the icon.
  static void Notify(const TTrayIcon& icon, UINT notification) {
    SendMessageW(HandlerWindow(), kTrayCallbackMessage, icon.Id(), notification);
  }
  // Whether the shell holds the icon: only an icon it has accepts a modify.
  static bool InShell(const TTrayIcon& icon) {
    NOTIFYICONDATAW data = icon.NotifyIconData();
    data.uFlags = NIF_TIP;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
  }

  // Two images of distinct colours.
  ui::TImageList* TwoImages() {
    auto* list = new ui::TImageList(main_);
    ui::Bytes data = SolidIcon(0xFF2050D0);
    const ui::Bytes second = SolidIcon(0xFFF0B020);
    data.insert(data.end(), second.begin(), second.end());
    list->SetData(data);
    return list;
  }
  static ui::Bytes Image(const ui::TImageList& list, int index) {
    ui::TIcon icon;
    list.GetIcon(index, icon);
    return icon.Data();
  }

  // Runs `action`, which pops up a menu of this thread, while another thread
  // waits for the menu and presses `keys` in it. True when a menu was seen.
  static bool WithMenu(const std::function<void()>& action, const std::vector<std::string>& keys) {
    bool seen = false;
    std::thread user([&] {
      HWND menu = drv::WaitForWindow({"#32768", "", GetCurrentProcessId(), true});
      seen = menu != nullptr;
      for (const std::string& key : keys) drv::PressKeys(key);
      if (!menu) return;
      if (!drv::WaitHidden(menu)) PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    action();
    user.join();
    return seen;
  }

  static inline ui::TForm* main_ = nullptr;
  std::vector<TTrayIcon*> icons_;
  std::vector<std::string> reports_;
};

TEST_F(TrayIconTest, StartsWithTheDocumentedSettings) {
  TTrayIcon* icon = NewIcon();
  EXPECT_FALSE(icon->DesignPreview());
  EXPECT_EQ(icon->IconList(), nullptr);
  EXPECT_FALSE(icon->CycleIcons());
  EXPECT_EQ(icon->CycleInterval(), 0u);
  EXPECT_TRUE(icon->Enabled());
  EXPECT_TRUE(icon->ShowHint());
  EXPECT_TRUE(icon->Icon()->Empty());
  EXPECT_FALSE(icon->IconVisible());
  EXPECT_EQ(icon->IconIndex(), 0);
  EXPECT_FALSE(icon->LeftPopup());
  EXPECT_FALSE(icon->WantEnterExitEvents());
  EXPECT_FALSE(icon->MinimizeToTray());
  const NOTIFYICONDATAW& data = icon->NotifyIconData();
  EXPECT_EQ(data.hWnd, HandlerWindow());
  EXPECT_EQ(data.uCallbackMessage, kTrayCallbackMessage);
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_FALSE(InShell(*icon)) << "nothing is in the tray before IconVisible";
}

TEST_F(TrayIconTest, SharedWindowLivesFromFirstToLastIconAndEachIconHasItsOwnId) {
  EXPECT_EQ(HandlerWindow(), nullptr);
  TTrayIcon* first = NewIcon();
  const HWND window = HandlerWindow();
  ASSERT_NE(window, nullptr);
  TTrayIcon* second = NewIcon();
  EXPECT_EQ(HandlerWindow(), window);
  EXPECT_EQ(SharedTrayWindow::Users(), 2u);
  EXPECT_NE(first->Id(), second->Id());

  EventLog a, b;
  a.Attach(*first);
  b.Attach(*second);
  Notify(*second, WM_MBUTTONDOWN);
  EXPECT_TRUE(a.events.empty());
  EXPECT_EQ(b.events, std::vector<std::string>{"down middle"});

  // A notification still queued for a freed icon reaches nobody.
  const UINT gone = first->Id();
  FreeIcon(first);
  EXPECT_TRUE(IsWindow(window));
  SendMessageW(window, kTrayCallbackMessage, gone, WM_LBUTTONDOWN);
  EXPECT_EQ(b.events.size(), 1u);

  // The window does not let itself be closed.
  EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 1);
  EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), 1);
  EXPECT_TRUE(IsWindow(window));

  FreeIcon(second);
  EXPECT_FALSE(IsWindow(window));
  NewIcon();
  EXPECT_NE(HandlerWindow(), nullptr);
}

TEST_F(TrayIconTest, MouseNotificationsBecomeEventsOnlyWhileEnabled) {
  struct Step {
    UINT notification;
    std::vector<std::string> events;
    std::optional<TShiftStateItem> button;
  };
  const std::vector<Step> steps = {
      {WM_MOUSEMOVE, {"move"}, std::nullopt},
      {WM_LBUTTONDOWN, {"down left"}, TShiftStateItem::ssLeft},
      {WM_LBUTTONUP, {"click", "up left"}, TShiftStateItem::ssLeft},
      {WM_RBUTTONUP, {"up right"}, TShiftStateItem::ssRight},
      {WM_MBUTTONDOWN, {"down middle"}, TShiftStateItem::ssMiddle},
      {WM_MBUTTONUP, {"up middle"}, TShiftStateItem::ssMiddle},
      {NIN_BALLOONSHOW, {"balloon show"}, std::nullopt},
      {NIN_BALLOONHIDE, {"balloon hide"}, std::nullopt},
      {NIN_BALLOONTIMEOUT, {"balloon timeout"}, std::nullopt},
      {NIN_BALLOONUSERCLICK, {"balloon click"}, std::nullopt},
      {WM_CONTEXTMENU, {}, std::nullopt},
      {NIN_SELECT, {}, std::nullopt},
      {WM_LBUTTONUP, {"up left"}, TShiftStateItem::ssLeft},  // no press before it: no click
  };
  const POINT cursor{123, 45};
  ASSERT_TRUE(MoveCursor(cursor.x, cursor.y));
  for (const bool enabled : {true, false}) {
    TTrayIcon* icon = NewIcon();
    icon->SetEnabled(enabled);
    EventLog log;
    log.Attach(*icon);
    for (const Step& step : steps) {
      log.events.clear();
      log.shifts.clear();
      log.points.clear();
      Notify(*icon, step.notification);
      const bool balloon = step.notification >= NIN_BALLOONSHOW && step.notification <= NIN_BALLOONUSERCLICK;
      const auto expected = enabled || balloon ? step.events : std::vector<std::string>{};
      EXPECT_EQ(log.events, expected) << "notification " << step.notification << ", enabled " << enabled;
      for (std::size_t i = 0; i < log.shifts.size(); ++i) {
        // The cursor's position when handled, not anything from the message.
        EXPECT_EQ(log.points[i].x, cursor.x);
        EXPECT_EQ(log.points[i].y, cursor.y);
        ui::TShiftState want;
        if (step.button) want.Include(*step.button);
        EXPECT_EQ(log.shifts[i], want) << "notification " << step.notification;
      }
    }
    FreeIcon(icon);
  }
}

TEST_F(TrayIconTest, EnterAndExitFollowThePointer) {
  TTrayIcon* icon = NewIcon();
  EventLog log;
  log.Attach(*icon);
  ASSERT_TRUE(MoveCursor(200, 200));
  Notify(*icon, WM_MOUSEMOVE);
  EXPECT_EQ(log.events, std::vector<std::string>{"move"}) << "no enter without WantEnterExitEvents";

  icon->SetWantEnterExitEvents(true);
  log.events.clear();
  Notify(*icon, WM_MOUSEMOVE);
  Notify(*icon, WM_MOUSEMOVE);
  EXPECT_EQ(log.events, (std::vector<std::string>{"enter", "move", "move"}));
  PumpPast(100);
  EXPECT_EQ(log.Count("exit"), 0u) << "the pointer has not moved";

  ASSERT_TRUE(MoveCursor(210, 205));
  EXPECT_TRUE(PumpUntil([&] { return log.Count("exit") == 1; }));
  Notify(*icon, WM_MOUSEMOVE);
  EXPECT_EQ(log.Count("enter"), 2u);
}

TEST_F(TrayIconTest, HeldKeysAreReportedInTheShiftState) {
  TTrayIcon* icon = NewIcon();
  EventLog log;
  log.Attach(*icon);
  ASSERT_TRUE(drv::BringToForeground(main_->Handle()));
  INPUT keys[2] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_SHIFT;
  keys[1].ki.wVk = VK_CONTROL;
  ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
  ASSERT_TRUE(PumpUntil([] { return GetAsyncKeyState(VK_SHIFT) < 0 && GetAsyncKeyState(VK_CONTROL) < 0; }));
  Notify(*icon, WM_RBUTTONUP);
  for (INPUT& k : keys) k.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
  ASSERT_EQ(log.shifts.size(), 1u);
  EXPECT_EQ(log.shifts[0],
            (ui::TShiftState{TShiftStateItem::ssShift, TShiftStateItem::ssCtrl, TShiftStateItem::ssRight}));
  PumpUntil([] { return GetAsyncKeyState(VK_SHIFT) >= 0 && GetAsyncKeyState(VK_CONTROL) >= 0; });
}

TEST_F(TrayIconTest, WithADoubleClickHandlerTheClickWaitsForTheDoubleClickTime) {
  TTrayIcon* icon = NewIcon();
  EventLog log;
  log.Attach(*icon);
  int doubleClicks = 0;
  icon->OnDblClick = [&](TComponent*) { ++doubleClicks; };
  const auto wait = milliseconds(GetDoubleClickTime());

  const auto pressed = Clock::now();
  Notify(*icon, WM_LBUTTONDOWN);
  Notify(*icon, WM_LBUTTONUP);
  EXPECT_EQ(log.Count("click"), 0u) << "not at the release";
  ASSERT_TRUE(PumpUntil([&] { return log.Count("click") == 1; }));
  EXPECT_GE(Clock::now() - pressed, wait - milliseconds(100));

  // A double-click within the time yields the double-click alone.
  Notify(*icon, WM_LBUTTONDOWN);
  Notify(*icon, WM_LBUTTONUP);
  Notify(*icon, WM_LBUTTONDBLCLK);
  Notify(*icon, WM_LBUTTONUP);
  EXPECT_EQ(doubleClicks, 1);
  PumpPast(2 * GetDoubleClickTime());
  EXPECT_EQ(log.Count("click"), 1u);

  // And the next single click is a click again.
  Notify(*icon, WM_LBUTTONDOWN);
  Notify(*icon, WM_LBUTTONUP);
  EXPECT_TRUE(PumpUntil([&] { return log.Count("click") == 2; }));

  // Disabled: no click timing starts at all.
  icon->SetEnabled(false);
  Notify(*icon, WM_LBUTTONDOWN);
  icon->SetEnabled(true);
  Notify(*icon, WM_LBUTTONUP);
  PumpPast(2 * GetDoubleClickTime());
  EXPECT_EQ(log.Count("click"), 2u);
}

TEST_F(TrayIconTest, PopupMenuShowsWhereTheSettingsSayAndDoubleClickRunsTheDefaultItem) {
  auto* menu = new ui::TPopupMenu(main_);
  std::vector<std::string> clicked;
  for (const auto& [caption, isDefault] : {std::pair{"First", false}, {"Second", true}, {"Third", true}}) {
    auto* item = new ui::TMenuItem(main_);
    item->SetCaption(caption);
    item->SetDefault(isDefault);
    item->OnClick = [&clicked, caption](TComponent*) { clicked.emplace_back(caption); };
    menu->Items()->Add(item);
  }
  TTrayIcon* icon = NewIcon();
  icon->SetPopupMenu(menu);
  icon->OnDblClick = [](TComponent*) {};

  // A right press shows the menu whatever LeftPopup says; the user picks an item.
  for (const bool left : {false, true}) {
    icon->SetLeftPopup(left);
    clicked.clear();
    EXPECT_TRUE(WithMenu([&] { Notify(*icon, WM_RBUTTONDOWN); }, {"Down", "Enter"})) << "LeftPopup " << left;
    EXPECT_EQ(clicked, std::vector<std::string>{"First"});
    EXPECT_EQ(menu->PopupComponent(), icon);
  }

  // LeftPopup: a left press shows it too, and a double-click runs nothing.
  clicked.clear();
  EXPECT_TRUE(WithMenu([&] { Notify(*icon, WM_LBUTTONDOWN); }, {"Escape"}));
  Notify(*icon, WM_LBUTTONUP);
  Notify(*icon, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(clicked.empty());

  // Without LeftPopup a left press shows nothing (it would not return while
  // a menu is open) and a double-click runs the first Default item.
  icon->SetLeftPopup(false);
  menu->SetPopupComponent(nullptr);
  Notify(*icon, WM_LBUTTONDOWN);
  EXPECT_EQ(menu->PopupComponent(), nullptr);
  Notify(*icon, WM_LBUTTONUP);
  Notify(*icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(clicked, std::vector<std::string>{"Second"});

  // A menu that does not pop up automatically is never shown from the tray.
  menu->SetAutoPopup(false);
  clicked.clear();
  Notify(*icon, WM_RBUTTONDOWN);
  Notify(*icon, WM_LBUTTONDBLCLK);
  EXPECT_EQ(menu->PopupComponent(), nullptr);
  EXPECT_TRUE(clicked.empty());

  // Freeing the menu clears the reference.
  ui::Free(menu);
  EXPECT_EQ(icon->PopupMenu(), nullptr);
  Notify(*icon, WM_RBUTTONDOWN);
}

TEST_F(TrayIconTest, HintIsCutTo127CharactersAndShownOnlyWhenWanted) {
  TTrayIcon* icon = NewIcon();
  const auto tip = [&] { return std::wstring(icon->NotifyIconData().szTip); };
  std::string long_hint;
  for (int i = 0; i < 200; ++i) long_hint += static_cast<char>('a' + i % 26);
  icon->SetHint(long_hint);
  EXPECT_EQ(tip(), drv::Widen(long_hint.substr(0, 127)));

  // A character outside the basic plane is not cut in half.
  icon->SetHint(std::string(126, 'x') + "\xF0\x9F\x92\xB6");
  EXPECT_EQ(tip(), std::wstring(126, L'x'));
  icon->SetHint("Café €");
  EXPECT_EQ(tip(), L"Caf\u00E9 \u20AC");
  icon->SetShowHint(false);
  EXPECT_EQ(tip(), L"");
  icon->SetShowHint(true);
  icon->SetHint("");
  EXPECT_EQ(tip(), L"");
}

TEST_F(TrayIconTest, IconIndexStaysInsideTheList) {
  TTrayIcon* icon = NewIcon();
  icon->SetIconIndex(3);
  EXPECT_EQ(icon->IconIndex(), 0) << "without a list";

  ui::TImageList* list = TwoImages();
  icon->SetIconList(list);
  EXPECT_EQ(icon->IconIndex(), 0);
  EXPECT_EQ(icon->Icon()->Data(), Image(*list, 0));
  icon->SetIconIndex(5);
  EXPECT_EQ(icon->IconIndex(), 1);
  EXPECT_EQ(icon->Icon()->Data(), Image(*list, 1));
  EXPECT_NE(icon->Icon()->Handle(), nullptr);

  auto* empty = new ui::TImageList(main_);
  icon->SetIconList(empty);
  icon->SetIconIndex(5);
  EXPECT_EQ(icon->IconIndex(), -1);
  EXPECT_TRUE(icon->Icon()->Empty());
  EXPECT_EQ(icon->Icon()->Handle(), nullptr);

  // Freeing the list drops it.
  icon->SetIconList(list);
  icon->SetIconIndex(1);
  ui::Free(list);
  EXPECT_EQ(icon->IconList(), nullptr);
  EXPECT_EQ(icon->IconIndex(), 0);

  // Setting Icon copies the image.
  ui::TIcon other;
  other.SetData(SolidIcon(0xFF00FF00));
  icon->SetIcon(other);
  EXPECT_EQ(icon->Icon()->Data(), other.Data());
}

TEST_F(TrayIconTest, CyclingStepsThroughTheImagesFromTheFirst) {
  TTrayIcon* icon = NewIcon();
  EventLog log;
  log.Attach(*icon);
  ui::TImageList* list = TwoImages();
  icon->SetIconList(list);
  icon->SetIconIndex(1);

  // No interval: back to the first image, but nothing moves.
  icon->SetCycleIcons(true);
  EXPECT_EQ(icon->IconIndex(), 0);
  PumpPast(100);
  EXPECT_TRUE(log.cycles.empty());

  std::vector<ui::Bytes> shown;
  icon->OnCycle = [&](TComponent*, int next) {
    log.cycles.push_back(next);
    shown.push_back(icon->Icon()->Data());
  };
  icon->SetCycleInterval(20);
  ASSERT_TRUE(PumpUntil([&] { return log.cycles.size() >= 4; }));
  icon->SetCycleIcons(false);
  EXPECT_EQ(std::vector<int>(log.cycles.begin(), log.cycles.begin() + 4), (std::vector<int>{1, 0, 1, 0}));
  // Each step shows the image it is at, then moves on.
  EXPECT_EQ(shown[0], Image(*list, 0));
  EXPECT_EQ(shown[1], Image(*list, 1));
  EXPECT_EQ(shown[2], Image(*list, 0));

  const std::size_t steps = log.cycles.size();
  PumpPast(100);
  EXPECT_EQ(log.cycles.size(), steps) << "stopped";
}

TEST_F(TrayIconTest, ShellRequestsReachWinesTray) {
  TTrayIcon* icon = NewIcon();
  icon->SetHint("Tray test");
  EXPECT_FALSE(icon->ModifyTrayIcon()) << "nothing to modify yet";
  EXPECT_TRUE(icon->AddTrayIcon());
  EXPECT_TRUE(icon->IconVisible());
  EXPECT_TRUE(InShell(*icon));
  EXPECT_FALSE(icon->AddTrayIcon()) << "the shell refuses a second add";
  EXPECT_TRUE(icon->IconVisible());
  EXPECT_TRUE(icon->ModifyTrayIcon());

  icon->SetIconVisible(false);
  EXPECT_FALSE(InShell(*icon));
  EXPECT_FALSE(icon->DeleteTrayIcon());
  icon->SetIconVisible(true);
  EXPECT_TRUE(InShell(*icon));

  const NOTIFYICONDATAW data = icon->NotifyIconData();
  FreeIcon(icon);
  NOTIFYICONDATAW probe = data;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "freeing takes the icon out of the tray";
}

TEST_F(TrayIconTest, ARestartedShellGetsBackOnlyVisibleIcons) {
  TTrayIcon* shown = NewIcon();
  TTrayIcon* hidden = NewIcon();
  shown->SetIconVisible(true);
  hidden->SetIconVisible(false);
  // As a restarted shell that has lost every icon.
  for (TTrayIcon* icon : {shown, hidden}) {
    NOTIFYICONDATAW data = icon->NotifyIconData();
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
  ASSERT_FALSE(InShell(*shown));
  SendMessageW(main_->Handle(), TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(InShell(*shown));
  EXPECT_FALSE(InShell(*hidden));
  EXPECT_TRUE(shown->IconVisible());
  EXPECT_FALSE(hidden->IconVisible());
}

TEST_F(TrayIconTest, MinimisingHidesIntoTheTrayWhenAsked) {
  const HWND window = main_->Handle();
  TTrayIcon* icon = NewIcon();

  icon->SetMinimizeToTray(false);
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(window));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(icon->IconVisible());
  icon->RestoreFromTray();
  EXPECT_FALSE(IsIconic(window));

  // Disabled icons still minimise to the tray.
  icon->SetEnabled(false);
  icon->SetMinimizeToTray(true);
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(icon->IconVisible());
  EXPECT_TRUE(InShell(*icon));

  icon->RestoreFromTray();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_EQ(main_->WindowState(), ui::TWindowState::wsNormal);

  // A handler for it hides at once: the window never minimises.
  int told = 0;
  icon->OnMinimizeToTray = [&](TComponent*) { ++told; };
  icon->SetIconVisible(false);
  EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0), 1);
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(icon->IconVisible());

  // A restore command shows it again.
  SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(TrayIconTest, HideToTrayAndStartupHandlerLeaveOnlyTheIcon) {
  const HWND window = main_->Handle();
  TTrayIcon* icon = NewIcon();
  icon->HideToTray();
  EXPECT_FALSE(IsWindowVisible(window));
  icon->RestoreFromTray();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }));

  // An icon not owned by a window leaves the program alone.
  auto* stray = new TTrayIcon(nullptr);
  stray->HideToTray();
  EXPECT_TRUE(IsWindowVisible(window));
  ui::Free(stray);

  icon->OnStartup = [](TComponent*, bool& showMainForm) { showMainForm = false; };
  icon->SetIconVisible(true);
  icon->BeginLoading();
  icon->EndLoading();
  EXPECT_FALSE(ui::Application().ShowMainForm());
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(InShell(*icon));
  ui::Application().SetShowMainForm(true);
}

}  // namespace
}  // namespace tallivo
