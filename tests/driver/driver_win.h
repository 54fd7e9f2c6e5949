// End-to-end test driver: starts real Windows programs, drives them with real
// keyboard and mouse input (SendInput) and reads back what their windows show.
// Works the same on Windows and under Wine. Every wait has a deadline; nothing
// here sleeps to synchronise.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo::test {

using Timeout = std::chrono::milliseconds;

// Generous upper bound for anything a healthy program does in response to input.
inline constexpr Timeout kDefaultTimeout{15000};

// ---- Strings and paths ----------------------------------------------------

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);
// Folder of the running executable, with a trailing backslash.
std::string ExecutableDir();
// One argument quoted so CommandLineToArgvW and the C runtime give it back unchanged.
std::wstring QuoteArgument(std::wstring_view argument);
// Quoted program path followed by the quoted arguments.
std::wstring BuildCommandLine(std::string_view program, const std::vector<std::string>& arguments);

// ---- Waiting ---------------------------------------------------------------

// Polls `condition` every few milliseconds until it holds or `timeout` passes;
// true when it held (it is always evaluated at least once).
bool WaitUntil(const std::function<bool()>& condition, Timeout timeout = kDefaultTimeout);

// For windows of the calling thread: dispatches its messages until `condition`
// holds or `timeout` passes, waking for each new message; true when it held.
bool PumpUntil(const std::function<bool()>& condition, Timeout timeout = kDefaultTimeout);

// ---- Processes -------------------------------------------------------------

// A started program. Terminates and reaps it on destruction if it still runs,
// so a failed test never leaves a process (or a locked executable) behind.
class Process {
 public:
  // Exit code given to a process the driver had to terminate.
  static constexpr DWORD kTerminatedExitCode = 0xDEAD;

  // Starts `program` (a full path) with `arguments`; nullopt and `error` set on failure.
  static std::optional<Process> Start(const std::string& program,
                                      const std::vector<std::string>& arguments = {},
                                      std::string* error = nullptr);

  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  // The process id.
  DWORD Id() const { return id_; }
  // The process handle, owned by this object.
  HANDLE Handle() const { return process_; }
  // True while the process has not exited.
  bool IsRunning() const;
  // Waits for the process to exit; its exit code, or nullopt on timeout.
  std::optional<DWORD> WaitForExit(Timeout timeout = kDefaultTimeout) const;
  // WaitForInputIdle: true once the program's GUI thread waits for input after start-up.
  bool WaitForInputIdle(Timeout timeout = kDefaultTimeout) const;
  // Terminates the process (if running) and waits until it is gone; true when it is gone.
  bool Terminate(DWORD exit_code = kTerminatedExitCode);

 private:
  Process(HANDLE process, DWORD id) : process_(process), id_(id) {}
  void Reset();

  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// ---- Finding windows -------------------------------------------------------

// What a top-level window must match; empty strings and a zero process id match anything.
struct WindowQuery {
  std::string class_name;  // compared case-insensitively, as Windows does
  std::string caption;     // compared exactly
  DWORD process_id = 0;
  bool visible_only = false;
};

// The first top-level window matching `query` now, or nullptr.
HWND FindTopLevel(const WindowQuery& query);
// Waits until a top-level window matches `query`; nullptr on timeout.
HWND WaitForWindow(const WindowQuery& query, Timeout timeout = kDefaultTimeout);
// Waits until `window` is visible; false on timeout or if it is destroyed.
bool WaitVisible(HWND window, Timeout timeout = kDefaultTimeout);
// Waits until `window` is hidden (or destroyed).
bool WaitHidden(HWND window, Timeout timeout = kDefaultTimeout);
// Waits until `window` no longer exists.
bool WaitGone(HWND window, Timeout timeout = kDefaultTimeout);

// All descendants of `parent`, parents before their children, siblings in Z order.
std::vector<HWND> ChildWindows(HWND parent);
// The `index`-th descendant (0-based, ChildWindows order) whose class is `class_name`, or nullptr.
HWND FindChild(HWND parent, std::string_view class_name, int index = 0);
// The descendant with control id `id`, or nullptr.
HWND FindChildById(HWND parent, int id);
// The control a label names: the first sibling after the descendant whose text is
// `label` ('&' markers ignored) that has class `class_name`, or, with an empty
// class, that is not a STATIC; nullptr if there is none. This is the control the
// label's mnemonic focuses.
HWND FindChildByLabel(HWND parent, std::string_view label, std::string_view class_name = {});

// ---- Reading ---------------------------------------------------------------

// The window's text, read with WM_GETTEXT (works across processes); empty on failure.
std::string WindowText(HWND window);
// The window's class name.
std::string ClassName(HWND window);
// Class, id, text and rectangle in one line, for failure messages.
std::string Describe(HWND window);
// IsWindowVisible.
bool IsVisible(HWND window);
// IsIconic.
bool IsMinimized(HWND window);
// The foreground window of the desktop, or nullptr.
HWND ForegroundWindow();
// The window with the keyboard focus in the GUI thread that owns `window`, or nullptr.
HWND FocusedControl(HWND window);
// The window rectangle in screen coordinates (empty for an invalid window).
RECT WindowRect(HWND window);
// The client rectangle in screen coordinates (empty for an invalid window).
RECT ClientRectOnScreen(HWND window);

// ---- Pixels ----------------------------------------------------------------

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};
// "#rrggbb".
std::string ToString(Color color);
// Prints ToString(color), so test failures show colours readably.
std::ostream& operator<<(std::ostream& out, Color color);

// A captured 24-bit image, rows top to bottom.
class Image {
 public:
  Image(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The pixel at (x, y), which must lie inside the image; (0, 0) is the top-left corner.
  Color At(int x, int y) const;
  // Sets the pixel at (x, y), which must lie inside the image.
  void Set(int x, int y, Color color);
  // Writes a PNG (by a ".png" extension, any case) or else a BMP file; false on failure.
  bool Save(const std::string& path) const;
  // The encoded file contents.
  std::vector<std::uint8_t> EncodeBmp() const;
  // The encoded file contents (uncompressed deflate blocks).
  std::vector<std::uint8_t> EncodePng() const;

  friend bool operator==(const Image&, const Image&) = default;

 private:
  int width_;
  int height_;
  std::vector<Color> pixels_;
};

// What the screen shows inside `screen_rect` (BitBlt from the screen DC); nullopt on failure.
std::optional<Image> CaptureScreen(const RECT& screen_rect);
// What the screen shows in the window's rectangle, or of the whole virtual screen for nullptr.
// The window must be visible and not covered.
std::optional<Image> CaptureWindow(HWND window);
// Saves CaptureWindow(window) as PNG or BMP (by extension); false on failure.
bool SaveScreenshot(const std::string& path, HWND window = nullptr);
// The colour shown at `client_point` of `window`, or nullopt.
std::optional<Color> PixelColor(HWND window, POINT client_point);
// The most frequent colour in the client area other than the background (the most frequent
// colour overall) and colours close to it: the colour of text drawn there. nullopt if none.
std::optional<Color> DominantTextColor(HWND control);

// ---- Input (SendInput only) ------------------------------------------------

enum class Modifiers : unsigned { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4, kWin = 8 };
constexpr Modifiers operator|(Modifiers a, Modifiers b) {
  return static_cast<Modifiers>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool HasModifier(Modifiers set, Modifiers one) {
  return (static_cast<unsigned>(set) & static_cast<unsigned>(one)) != 0;
}

struct Chord {
  Modifiers modifiers = Modifiers::kNone;
  WORD key = 0;  // virtual-key code
  friend bool operator==(const Chord&, const Chord&) = default;
};
// Parses "Ctrl+Shift+End", "Alt+F4", "Enter", "A", "5", case-insensitive; nullopt if malformed.
std::optional<Chord> ParseChord(std::string_view text);

// Makes `window` the foreground window (restoring it if minimized) and waits until its
// thread has activated it; false if it is hidden or did not become active in time.
bool BringToForeground(HWND window, Timeout timeout = kDefaultTimeout);
// Types `utf8` as Unicode key events into whatever has the focus; "\n" and "\t" press Enter and Tab.
bool TypeText(std::string_view utf8);
// Types `text` with the virtual keys (and Shift) of the current layout, as a keyboard would;
// characters the layout has no key for fall back to Unicode events.
bool TypeKeys(std::string_view text);
// Presses and releases `chord` (modifiers down, key down, key up, modifiers up).
bool PressChord(const Chord& chord);
// Parses and presses a chord such as "Ctrl+F12"; false if malformed or not sent.
bool PressKeys(std::string_view chord);
// Puts `utf8` on the clipboard as text, for a paste; false when another program
// holds the clipboard open, so callers may wait and try again.
bool PutOnClipboard(std::string_view utf8);
// Presses a chord and holds it down until `until` holds or `timeout` passes, then
// releases it; true when `until` held. A program that answers the key by sending
// keys of its own sees the chord still down, as with a person at the keyboard:
// Wine queues a SendInput's events one at a time, so a chord pressed and
// released in one call can interleave with what that program sends.
bool HoldKeys(std::string_view chord, const std::function<bool()>& until, Timeout timeout = kDefaultTimeout);

enum class MouseButton { kLeft, kRight };
// Moves the pointer to a screen point.
bool MoveMouse(POINT screen_point);
// Clicks `clicks` times at `client_point` of `window` (its client centre when nullopt).
// A single click where the last one landed, within the double-click time, is moved
// aside by the double-click distance, as a person's would: the system would take the
// two for a double click.
bool Click(HWND window, std::optional<POINT> client_point = std::nullopt,
           MouseButton button = MouseButton::kLeft, int clicks = 1);
// Double-clicks with the left button at the client centre of `window`.
inline bool DoubleClick(HWND window) {
  return Click(window, std::nullopt, MouseButton::kLeft, 2);
}

// Waits until the GUI thread owning `window` has handled the input sent so far: start-up
// idle, WM_NULL round trips, then, for a shown window of another thread, a repaint, which
// comes only after the queued input. Input chains a few messages deep (key down, char, key
// up) are then handled; wait for a visible effect with WaitUntil where one exists. False on
// timeout or a hung target.
bool WaitForInputProcessed(HWND window, Timeout timeout = kDefaultTimeout);

// ---- Settings --------------------------------------------------------------

// A registry value set while this object lives. Destruction puts back what was
// there before (the old value, no value, or no key at all), however the test
// ends. An empty name is the key's default value.
class ScopedRegistryValue {
 public:
  static ScopedRegistryValue Dword(HKEY root, std::wstring path, std::wstring name, DWORD value);
  static ScopedRegistryValue String(HKEY root, std::wstring path, std::wstring name,
                                    const std::wstring& value);
  ScopedRegistryValue(HKEY root, std::wstring path, std::wstring name, DWORD type,
                      const std::vector<BYTE>& data);
  ScopedRegistryValue(ScopedRegistryValue&& other) noexcept;
  ScopedRegistryValue& operator=(ScopedRegistryValue&&) = delete;
  ~ScopedRegistryValue();

  // True when the value was written.
  bool Set() const { return set_; }

 private:
  struct Previous {
    DWORD type;
    std::vector<BYTE> data;
  };
  HKEY root_;
  std::wstring path_;
  std::wstring name_;
  std::wstring created_;  // the outermost key this object created
  std::optional<Previous> previous_;
  bool changing_ = false;  // the value was (or may have been) overwritten
  bool set_ = false;
};

// ---- Hotkeys ---------------------------------------------------------------

// A system-wide hotkey held by the calling thread while this object lives, as
// another program would hold it: a program started meanwhile cannot have it.
// Destroy it on the thread that made it.
class ScopedHotKey {
 public:
  ScopedHotKey(UINT modifiers, UINT key);
  ScopedHotKey(const ScopedHotKey&) = delete;
  ScopedHotKey& operator=(const ScopedHotKey&) = delete;
  ~ScopedHotKey();

  // True when the hotkey was registered.
  bool Held() const { return held_; }

 private:
  int id_;
  bool held_;
};

// ---- Tooltips and menus ----------------------------------------------------

// The visible tooltip window (class tooltips_class32) of process `process_id`, or nullptr.
HWND VisibleTooltip(DWORD process_id);
// Hovers the pointer as a person would: first rests it at `rest` (a spot without
// a tooltip) until no tooltip of `process_id` shows, then moves it to `hover`
// and returns the text of the tooltip that process then shows (WM_GETTEXT
// gives a tooltip's current text); nullopt if none shows in time.
std::optional<std::string> HoverTooltip(POINT hover, POINT rest, DWORD process_id,
                                        Timeout timeout = kDefaultTimeout);

// One item of a menu, as the program that owns it holds it.
struct MenuEntry {
  std::string text;      // the caption, '&' markers included, without the shortcut
  std::string shortcut;  // what follows a tab in the caption: the shortcut shown on the right
  bool separator = false;
  bool greyed = false;    // MF_GRAYED: drawn grey
  bool disabled = false;  // MF_DISABLED
  bool checked = false;
  bool is_default = false;       // the menu's default item, drawn bold
  std::vector<MenuEntry> items;  // its submenu
};
// The menu bar of `window` or, for an open popup menu (a window of class
// "#32768"), that menu. Read inside the window's own thread by menu_probe.dll,
// which must lie beside the test: Wine does not let one process read another
// process's menus. nullopt and `error` set on failure.
std::optional<std::vector<MenuEntry>> ReadMenu(HWND window, std::string* error = nullptr);

// ---- Dialogs and message boxes ---------------------------------------------

// Waits for a visible dialog (class "#32770") of process `process_id`; nullptr on timeout.
HWND WaitForDialog(DWORD process_id, Timeout timeout = kDefaultTimeout);
// The message of a message box: its message static (id 0xFFFF), else all static texts joined by "\n".
std::string DialogText(HWND dialog);
// The buttons of `dialog`, in Z order.
std::vector<HWND> DialogButtons(HWND dialog);
// The button of `dialog` whose caption is `caption` ('&' markers ignored), or nullptr.
HWND FindButton(HWND dialog, std::string_view caption);
// Clicks the button `caption` of `dialog` with the mouse; false if there is none or it is covered.
bool PressDialogButton(HWND dialog, std::string_view caption);

}  // namespace tallivo::test
