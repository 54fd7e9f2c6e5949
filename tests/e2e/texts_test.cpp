// Every text a person reads in the running Tallivo, against one table written
// out here: captions and labels, the hints that pop up under the pointer, the
// menus, the tray icon's tip and menu, the About box and the messages. Each is
// read from the program as it shows it, so a typo in a form file fails its row.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/tallivo_fixture.h"
#include "ui/control_win.h"

namespace tallivo::test {
namespace {

// Where a row's text is shown.
enum class Place {
  kMainCaption,     // the main window's title bar
  kMainControl,     // a control of the main window, by component name
  kHint,            // the tooltip over a main-window control, by component name
  kMainMenu,        // the menu bar, by menu path (below)
  kTrayTip,         // the tooltip over the tray icon
  kTrayMenuRight,   // the tray icon's menu opened with a right click, by menu path
  kTrayMenuLeft,    // the same menu opened with a left click
  kAboutCaption,    // the About box's title bar
  kAboutControl,    // a control of the About box, by component name
  kMessageCaption,  // a message box's title bar, by what brings it up
  kMessageText,     // a message box's message, by what brings it up
};

const char* Name(Place place) {
  switch (place) {
    case Place::kMainCaption:
      return "main window caption";
    case Place::kMainControl:
      return "main window";
    case Place::kHint:
      return "hint of";
    case Place::kMainMenu:
      return "main menu";
    case Place::kTrayTip:
      return "tray icon tooltip";
    case Place::kTrayMenuRight:
      return "tray menu by right click";
    case Place::kTrayMenuLeft:
      return "tray menu by left click";
    case Place::kAboutCaption:
      return "About box caption";
    case Place::kAboutControl:
      return "About box";
    case Place::kMessageCaption:
      return "message caption,";
    case Place::kMessageText:
      return "message text,";
  }
  return "?";
}

// Menu paths: 1-based positions joined by '.', "2.1" being the first item of
// the second menu; a last step "#" stands for the number of items there.
// An item reads as its caption, a tab and the shortcut shown if any, and its
// state: "(separator)", " (greyed)", " (default)" (drawn bold).
struct Row {
  Place place;
  std::string name;
  std::string expected;
};

// What brings up each message box.
constexpr char kOutOfBounds[] = "amount payable too large";
constexpr char kInvalidOperation[] = "euro amount too large";
constexpr char kSecondInstance[] = "second Tallivo started";
constexpr char kHotkeyTaken[] = "Ctrl-F12 held by another program";

// The rule across the About box: 47 underscores.
constexpr std::string_view kRule = "_______________________________________________";
static_assert(kRule.size() == 47);

// A string of the executable's version resource, in its first translation.
std::string VersionString(const std::string& file, const wchar_t* key) {
  const std::wstring path = Widen(file);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  void* found = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &found, &length) ||
      length < 2 * sizeof(WORD)) {
    return {};
  }
  const auto* translation = static_cast<const WORD*>(found);
  wchar_t block[64] = {};
  swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], key);
  if (!VerQueryValueW(data.data(), block, &found, &length) || length == 0) return {};
  const auto* value = static_cast<const wchar_t*>(found);
  return Narrow(std::wstring_view(value, wcsnlen(value, length)));
}

std::string Shown(const MenuEntry& item) {
  if (item.separator) return "(separator)";
  std::string shown = item.text;
  if (!item.shortcut.empty()) shown += "\t" + item.shortcut;
  // MF_GRAYED alone already keeps an item from being chosen.
  if (item.greyed) {
    shown += " (greyed)";
  } else if (item.disabled) {
    shown += " (disabled)";
  }
  if (item.checked) shown += " (checked)";
  if (item.is_default) shown += " (default)";
  return shown;
}

// The item or count a menu path names in `menu`.
std::string AtPath(const std::vector<MenuEntry>& menu, std::string_view path) {
  const std::vector<MenuEntry>* level = &menu;
  for (;;) {
    const std::size_t dot = path.find('.');
    const std::string_view step = path.substr(0, dot);
    if (step == "#") return std::to_string(level->size());
    const std::size_t position = std::stoul(std::string(step));
    if (position < 1 || position > level->size()) return "(no item " + std::string(step) + ")";
    const MenuEntry& item = (*level)[position - 1];
    if (dot == std::string_view::npos) return Shown(item);
    level = &item.items;
    path.remove_prefix(dot + 1);
  }
}

POINT Centre(HWND window) {
  const RECT r = WindowRect(window);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class Texts : public ShownTallivoTest {
 protected:
  void TearDown() override {
    CloseAbout();
    ShownTallivoTest::TearDown();
  }

  // The text shown at `row`'s place now, bringing up what shows it first.
  std::string Read(const Row& row) {
    const bool inAbout = row.place == Place::kAboutCaption || row.place == Place::kAboutControl;
    if (!inAbout) CloseAbout();
    switch (row.place) {
      case Place::kMainCaption:
        return WindowText(main_);
      case Place::kMainControl:
        return WindowText(Control(row.name));
      case Place::kHint:
        return Hint(row.name);
      case Place::kMainMenu:
        return InMenu(
            mainMenu_, [&] { return ReadMenu(main_, &menuError_); }, row.name);
      case Place::kTrayTip:
        return TrayTip();
      case Place::kTrayMenuRight:
        return InMenu(
            trayMenuRight_, [&] { return TrayMenu(MouseButton::kRight); }, row.name);
      case Place::kTrayMenuLeft:
        return InMenu(
            trayMenuLeft_, [&] { return TrayMenu(MouseButton::kLeft); }, row.name);
      case Place::kAboutCaption:
        return WindowText(About());
      case Place::kAboutControl:
        return WindowText(FindChildById(About(), ui::ControlIdFromName(row.name)));
      case Place::kMessageCaption:
        return Message(row.name).caption;
      case Place::kMessageText:
        return Message(row.name).text;
    }
    return "(unknown place)";
  }

 private:
  // A spot without a tooltip: the desktop's top left corner.
  static constexpr POINT kRest{1, 1};

  std::string Hint(const std::string& name) {
    const HWND control = Control(name);
    if (!control) return "(no control " + name + ")";
    // Tooltips show over the active window only, and the first hover once
    // the program is up once found none: the window is put in front first.
    if (!BringToForeground(main_) || !WaitForInputProcessed(main_)) return "(main window not in front)";
    return HoverTooltip(Centre(control), kRest, process_->Id()).value_or("(no tooltip)");
  }

  // Read once, on first use; `menu` stays empty with the error in menuError_ on failure.
  template <typename ReadFn>
  std::string InMenu(std::optional<std::vector<MenuEntry>>& menu, ReadFn read, const std::string& path) {
    if (!menu) menu = read();
    if (!menu) return "(menu not read: " + menuError_ + ")";
    return AtPath(*menu, path);
  }

  struct TrayIcon {
    HWND taskbar;
    POINT centre;  // on the screen
  };
  // Wine's virtual desktop draws tray icons at the right end of its taskbar,
  // the first one added rightmost; in the test's own desktop that is Tallivo's,
  // which its menu opening there confirms.
  static std::optional<TrayIcon> FindTrayIcon() {
    const HWND taskbar = FindTopLevel({"Shell_TrayWnd", "", 0, true});
    if (!taskbar) return std::nullopt;
    const RECT client = ClientRectOnScreen(taskbar);
    const int slot = GetSystemMetrics(SM_CXSMICON) + 4;
    return TrayIcon{taskbar, {client.right - slot / 2, (client.top + client.bottom) / 2}};
  }

  std::string TrayTip() {
    const std::optional<TrayIcon> icon = FindTrayIcon();
    if (!icon) return "(no taskbar)";
    DWORD shell = 0;
    GetWindowThreadProcessId(icon->taskbar, &shell);
    const std::optional<std::string> tip = HoverTooltip(icon->centre, kRest, shell);
    MoveMouse(kRest);
    return tip.value_or("(no tooltip)");
  }

  // Clicks the tray icon, reads the menu that opens and closes it with Escape.
  std::optional<std::vector<MenuEntry>> TrayMenu(MouseButton button) {
    const std::optional<TrayIcon> icon = FindTrayIcon();
    if (!icon) {
      menuError_ = "no taskbar";
      return std::nullopt;
    }
    POINT inTaskbar = icon->centre;
    ScreenToClient(icon->taskbar, &inTaskbar);
    if (!Click(icon->taskbar, inTaskbar, button)) {
      menuError_ = "could not click the tray icon";
      return std::nullopt;
    }
    const HWND popup = WaitForWindow({"#32768", "", process_->Id(), true});
    if (!popup) {
      menuError_ = "no menu of Tallivo opened";
      return std::nullopt;
    }
    // Laid out once the menu's loop waits for input.
    WaitForInputProcessed(popup);
    std::optional<std::vector<MenuEntry>> items = ReadMenu(popup, &menuError_);
    PressKeys("Escape");
    EXPECT_TRUE(WaitHidden(popup)) << "the tray menu stays open";
    return items;
  }

  HWND About() {
    if (about_) return about_;
    if (!BringToForeground(main_)) return nullptr;
    ChooseFromMenu("Alt+H", "A");
    about_ = WaitForWindow({"TFmAbout", "", process_->Id(), true});
    return about_;
  }

  void CloseAbout() {
    if (!about_) return;
    if (BringToForeground(about_)) PressKeys("Alt+O");
    EXPECT_TRUE(WaitGone(about_)) << "the About box stays open";
    about_ = nullptr;
  }

  const MessageBoxTexts& Message(const std::string& trigger) {
    const auto known = messages_.find(trigger);
    if (known != messages_.end()) return known->second;
    return messages_[trigger] = BringUpMessage(trigger);
  }

  MessageBoxTexts BringUpMessage(const std::string& trigger) {
    const MessageBoxTexts none{"", "(not brought up)"};
    if (trigger == kOutOfBounds) {
      if (!BringToForeground(main_)) return none;
      FocusBy("Ctrl+H", "EdAmtEur");
      Type("99999999999");
      PressKeys("Enter");
      const MessageBoxTexts box = test::AcceptMessageBox(process_->Id());
      // The refused value stays selected: a zero replaces it, so leaving the
      // field later asks nothing.
      if (BringToForeground(main_)) Type("0");
      return box;
    }
    if (trigger == kInvalidOperation) {
      if (!BringToForeground(main_)) return none;
      FocusBy("Ctrl+E", "CEuro");
      Press("Ctrl+A");
      // The box comes up on the last digit, while the keys are still arriving.
      TypeKeys("20000000000000000000");
      const MessageBoxTexts box = test::AcceptMessageBox(process_->Id());
      if (BringToForeground(main_)) {
        Press("Ctrl+E");
        Press("Ctrl+A");
        Press("Delete");
      }
      return box;
    }
    if (trigger == kSecondInstance) {
      std::string error;
      std::optional<Process> second = Process::Start(TallivoPath(), {}, &error);
      if (!second) return {"", error};
      const MessageBoxTexts box = test::AcceptMessageBox(second->Id());
      EXPECT_EQ(second->WaitForExit(), std::optional<DWORD>(0));
      return box;
    }
    if (trigger == kHotkeyTaken) {
      // Only a Tallivo started while the hotkey is taken says so: the shared one ends here.
      EXPECT_EQ(Terminate(), std::optional<DWORD>(0));
      process_.reset();
      const ScopedHotKey taken(MOD_CONTROL, VK_F12);
      if (!taken.Held()) return {"", "(could not take Ctrl-F12)"};
      Start();
      if (!process_) return none;
      const MessageBoxTexts box = test::AcceptMessageBox(process_->Id());
      // Shown as usual afterwards, and ended as usual by the fixture.
      EXPECT_TRUE(WaitVisible(main_));
      return box;
    }
    return {"", "(unknown trigger)"};
  }

  std::optional<std::vector<MenuEntry>> mainMenu_;
  std::optional<std::vector<MenuEntry>> trayMenuRight_;
  std::optional<std::vector<MenuEntry>> trayMenuLeft_;
  std::string menuError_;
  HWND about_ = nullptr;
  std::map<std::string, MessageBoxTexts> messages_;
};

TEST_F(Texts, EveryTextShownIsAsWritten) {
  // The copyright line is whatever the executable's version resource holds.
  const std::string copyright = VersionString(TallivoPath(), L"LegalCopyright");
  ASSERT_FALSE(copyright.empty()) << "no LegalCopyright in the version resource";
  const std::vector<Row> rows = {
      {Place::kMainCaption, "", "Tallivo"},
      {Place::kMainControl, "Label1", "Euro (€)"},
      {Place::kMainControl, "Label2", "CY Pounds (£)"},
      {Place::kMainControl, "Label3", "Amount Payable in Euro (€)"},
      {Place::kMainControl, "Label4", "Amount Paid in CY Pounds (£)"},
      {Place::kMainControl, "Label6", "Amount Paid in Euro (€)"},
      {Place::kMainControl, "Label5", "Change in Euro (€)"},
      {Place::kMainControl, "Label7", "Press Ctrl-F12 to hide. Ctrl-F12 will bring the calculator back"},
      {Place::kMainControl, "Label8", "© Brismoor Ltd."},
      {Place::kMainControl, "GroupBox1", "Change Calculator"},
      {Place::kMainControl, "Button1", "&Minimise"},

      {Place::kHint, "CEuro", "Enter Euro Amount"},
      {Place::kHint, "CCyp", "Enter Cyprus Pounds Amount"},
      {Place::kHint, "EdAmtEur", "Enter total amount payable in Euro"},
      {Place::kHint, "EdPaidCYP", "Enter amount paid in Cyprus Pounds (if any)"},
      {Place::kHint, "EdPaidEUR", "Enter Amount paid in Euro (if any)"},
      {Place::kHint, "EdChgEUR", "Change in Euro"},

      {Place::kMainMenu, "#", "2"},
      {Place::kMainMenu, "1", "&File"},
      {Place::kMainMenu, "1.#", "5"},
      {Place::kMainMenu, "1.1", "&Minimise"},
      {Place::kMainMenu, "1.2", "&Kelvor Website"},
      {Place::kMainMenu, "1.3", "Auto &Update"},
      {Place::kMainMenu, "1.4", "(separator)"},
      {Place::kMainMenu, "1.5", "&Terminate\tCtrl+X"},
      {Place::kMainMenu, "2", "&Help"},
      {Place::kMainMenu, "2.#", "2"},
      {Place::kMainMenu, "2.1", "&Help topics\tF1"},
      {Place::kMainMenu, "2.2", "&About"},

      {Place::kAboutCaption, "", "About Vornel"},
      {Place::kAboutControl, "LbPrgName", "Tallivo"},
      {Place::kAboutControl, "Label1", "Version"},
      {Place::kAboutControl, "Label2", "Copyright"},
      {Place::kAboutControl, "LbFVersion", "1.0.4.5"},
      {Place::kAboutControl, "LbCRight", copyright},
      {Place::kAboutControl, "Label4", "Brismoor Ltd."},
      {Place::kAboutControl, "Label5", "www.kelvor.example"},
      {Place::kAboutControl, "SideLabel", "Tallivo"},
      {Place::kAboutControl, "BitBtn1", "&Ok"},
      {Place::kAboutControl, "Label3", std::string(kRule)},

      {Place::kTrayTip, "", "Click for context menu"},
      {Place::kTrayMenuRight, "#", "3"},
      {Place::kTrayMenuRight, "1", "Show (default)"},
      {Place::kTrayMenuRight, "2", "Hide"},
      {Place::kTrayMenuRight, "3", "Terminate"},
      {Place::kTrayMenuLeft, "#", "3"},
      {Place::kTrayMenuLeft, "1", "Show (default)"},
      {Place::kTrayMenuLeft, "2", "Hide"},
      {Place::kTrayMenuLeft, "3", "Terminate"},

      {Place::kMessageCaption, kOutOfBounds, "Tallivo"},
      {Place::kMessageText, kOutOfBounds, "Value out of bounds"},
      {Place::kMessageCaption, kInvalidOperation, "Tallivo"},
      {Place::kMessageText, kInvalidOperation, "Invalid floating point operation"},
      {Place::kMessageCaption, kSecondInstance, "Warning"},
      {Place::kMessageText, kSecondInstance, "Tallivo is already running.\r\nThis instance will terminate."},
      // Last: it needs a Tallivo started afresh.
      {Place::kMessageCaption, kHotkeyTaken, "Tallivo"},
      {Place::kMessageText, kHotkeyTaken, "Unable to assign Ctrl-F12 as hotkey."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(Name(row.place)) + " " + row.name);
    EXPECT_EQ(Read(row), row.expected);
  }
}

}  // namespace
}  // namespace tallivo::test
