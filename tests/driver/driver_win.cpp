#include "tests/driver/driver_win.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace tallivo::test {
namespace {

constexpr DWORD kPollIntervalMs = 5;
// A target that does not answer a sent message within this is treated as hung.
constexpr UINT kSendTimeoutMs = 5000;
// How many times the target must come back to its message loop before its input counts as handled.
constexpr int kSettleRoundTrips = 3;
// Id of the message static in a message box.
constexpr int kMessageStaticId = 0xFFFF;

DWORD ToMs(Timeout timeout) {
  return static_cast<DWORD>(std::clamp<Timeout::rep>(timeout.count(), 0, INFINITE - 1));
}

std::string ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = buffer ? std::wstring(buffer, length) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return "error " + std::to_string(code) + (text.empty() ? "" : " (" + Narrow(text) + ")");
}

bool SameClass(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// A caption as the user reads it: "&&" is a literal '&', a single '&' marks the mnemonic.
std::string StripAmpersands(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    }
  }
  return out;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  try {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool Matches(HWND window, const WindowQuery& query) {
  if (query.visible_only && !IsWindowVisible(window)) return false;
  if (query.process_id != 0) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query.process_id) return false;
  }
  if (!query.class_name.empty() && !SameClass(Widen(ClassName(window)), Widen(query.class_name)))
    return false;
  return query.caption.empty() || WindowText(window) == query.caption;
}

// ---- Keyboard ----

// Keys that sit in the extended part of the keyboard; their scan codes carry the E0 prefix.
constexpr WORD kExtendedKeys[] = {VK_INSERT,   VK_DELETE, VK_HOME, VK_END,  VK_PRIOR,  VK_NEXT,
                                  VK_LEFT,     VK_RIGHT,  VK_UP,   VK_DOWN, VK_DIVIDE, VK_NUMLOCK,
                                  VK_RCONTROL, VK_RMENU,  VK_LWIN, VK_RWIN, VK_APPS,   VK_SNAPSHOT};

bool IsExtendedKey(WORD vk) {
  return std::find(std::begin(kExtendedKeys), std::end(kExtendedKeys), vk) != std::end(kExtendedKeys);
}

INPUT VirtualKey(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

void AddStroke(std::vector<INPUT>& inputs, WORD vk) {
  inputs.push_back(VirtualKey(vk, false));
  inputs.push_back(VirtualKey(vk, true));
}

void AddUnicode(std::vector<INPUT>& inputs, wchar_t unit) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = unit;
  input.ki.dwFlags = KEYEVENTF_UNICODE;
  inputs.push_back(input);
  input.ki.dwFlags |= KEYEVENTF_KEYUP;
  inputs.push_back(input);
}

// Enter and Tab for line breaks and tabs; false when `unit` is another character.
bool AddControlCharacter(std::vector<INPUT>& inputs, wchar_t unit) {
  if (unit == L'\r') return true;  // "\r\n" is one Enter
  if (unit != L'\n' && unit != L'\t') return false;
  AddStroke(inputs, unit == L'\n' ? VK_RETURN : VK_TAB);
  return true;
}

// One SendInput call, so nothing the user or another program sends lands in the middle.
bool Send(std::vector<INPUT>& inputs) {
  if (inputs.empty()) return true;
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

constexpr std::array<std::pair<Modifiers, WORD>, 4> kModifierKeys = {{{Modifiers::kCtrl, VK_CONTROL},
                                                                      {Modifiers::kAlt, VK_MENU},
                                                                      {Modifiers::kShift, VK_SHIFT},
                                                                      {Modifiers::kWin, VK_LWIN}}};

struct KeyName {
  std::string_view name;
  WORD vk;
};
constexpr KeyName kKeyNames[] = {
    {"enter", VK_RETURN},    {"return", VK_RETURN},     {"tab", VK_TAB},           {"esc", VK_ESCAPE},
    {"escape", VK_ESCAPE},   {"space", VK_SPACE},       {"backspace", VK_BACK},    {"back", VK_BACK},
    {"delete", VK_DELETE},   {"del", VK_DELETE},        {"insert", VK_INSERT},     {"ins", VK_INSERT},
    {"home", VK_HOME},       {"end", VK_END},           {"pageup", VK_PRIOR},      {"pgup", VK_PRIOR},
    {"pagedown", VK_NEXT},   {"pgdn", VK_NEXT},         {"left", VK_LEFT},         {"right", VK_RIGHT},
    {"up", VK_UP},           {"down", VK_DOWN},         {"apps", VK_APPS},         {"plus", VK_OEM_PLUS},
    {"minus", VK_OEM_MINUS}, {"comma", VK_OEM_COMMA},   {"period", VK_OEM_PERIOD}, {"multiply", VK_MULTIPLY},
    {"add", VK_ADD},         {"subtract", VK_SUBTRACT}, {"decimal", VK_DECIMAL},   {"divide", VK_DIVIDE},
    {"ctrl", VK_CONTROL},    {"control", VK_CONTROL},   {"alt", VK_MENU},          {"shift", VK_SHIFT},
    {"win", VK_LWIN},
};

std::optional<Modifiers> ModifierNamed(std::string_view name) {
  if (name == "ctrl" || name == "control") return Modifiers::kCtrl;
  if (name == "alt") return Modifiers::kAlt;
  if (name == "shift") return Modifiers::kShift;
  if (name == "win") return Modifiers::kWin;
  return std::nullopt;
}

std::optional<WORD> KeyNamed(std::string_view name) {
  if (name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9'))) {
    return static_cast<WORD>(name[0] >= 'a' ? name[0] - 'a' + 'A' : name[0]);
  }
  if (name.size() >= 2 && name.size() <= 3 && name[0] == 'f') {
    int number = 0;
    for (char c : name.substr(1)) {
      if (c < '0' || c > '9') return std::nullopt;
      number = number * 10 + (c - '0');
    }
    if (number >= 1 && number <= 24 && name[1] != '0') return static_cast<WORD>(VK_F1 + number - 1);
    return std::nullopt;
  }
  if (name.size() == 7 && name.substr(0, 6) == "numpad" && name[6] >= '0' && name[6] <= '9') {
    return static_cast<WORD>(VK_NUMPAD0 + (name[6] - '0'));
  }
  for (const KeyName& key : kKeyNames) {
    if (key.name == name) return key.vk;
  }
  return std::nullopt;
}

// The window has been activated by its own thread, so keyboard input now reaches its focus.
bool IsActive(HWND window) {
  if (GetForegroundWindow() != window) return false;
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndActive == window;
}

bool SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
  std::vector<INPUT> inputs(1);
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dx = dx;
  inputs[0].mi.dy = dy;
  inputs[0].mi.dwFlags = flags;
  return Send(inputs);
}

}  // namespace

// ---- Strings and paths ----

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), length);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

std::string ExecutableDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(path.find_last_of(L"\\/") + 1);
  return Narrow(path);
}

std::wstring QuoteArgument(std::wstring_view argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
    return std::wstring(argument);
  }
  // Backslashes are literal except before a quote, where they must be doubled.
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

std::wstring BuildCommandLine(std::string_view program, const std::vector<std::string>& arguments) {
  // The program name is parsed up to the closing quote, without escapes; paths hold no quotes.
  std::wstring line = L"\"" + Widen(program) + L"\"";
  for (const std::string& argument : arguments) line += L" " + QuoteArgument(Widen(argument));
  return line;
}

// ---- Waiting ----

bool WaitUntil(const std::function<bool()>& condition, Timeout timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(kPollIntervalMs);
  }
}

bool PumpUntil(const std::function<bool()>& condition, Timeout timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (condition()) return true;
    }
    if (condition()) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // Other threads may change the condition without a message: look again now and then.
    MsgWaitForMultipleObjectsEx(0, nullptr,
                                static_cast<DWORD>(std::min<long long>(left.count() + 1, kPollIntervalMs)),
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// ---- Process ----

std::optional<Process> Process::Start(const std::string& program, const std::vector<std::string>& arguments,
                                      std::string* error) {
  std::wstring command_line = BuildCommandLine(program, arguments);
  const std::wstring application = Widen(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    if (error) *error = "cannot start " + program + ": " + ErrorText(GetLastError());
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  return Process(info.hProcess, info.dwProcessId);
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Reset();
    process_ = std::exchange(other.process_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

Process::~Process() {
  Reset();
}

void Process::Reset() {
  if (!process_) return;
  Terminate();
  CloseHandle(process_);
  process_ = nullptr;
  id_ = 0;
}

bool Process::IsRunning() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(Timeout timeout) const {
  if (!process_ || WaitForSingleObject(process_, ToMs(timeout)) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

bool Process::WaitForInputIdle(Timeout timeout) const {
  return process_ && ::WaitForInputIdle(process_, ToMs(timeout)) == 0;
}

bool Process::Terminate(DWORD exit_code) {
  if (!process_) return true;
  // Waiting matters: the executable stays locked against rebuilding until the process is gone.
  if (IsRunning()) TerminateProcess(process_, exit_code);
  return WaitForSingleObject(process_, ToMs(kDefaultTimeout)) == WAIT_OBJECT_0;
}

// ---- Finding windows ----

HWND FindTopLevel(const WindowQuery& query) {
  for (HWND window : TopLevelWindows()) {
    if (Matches(window, query)) return window;
  }
  return nullptr;
}

HWND WaitForWindow(const WindowQuery& query, Timeout timeout) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevel(query)) != nullptr; }, timeout);
  return found;
}

bool WaitVisible(HWND window, Timeout timeout) {
  return WaitUntil([&] { return !IsWindow(window) || IsWindowVisible(window); }, timeout) &&
         IsWindowVisible(window);
}

bool WaitHidden(HWND window, Timeout timeout) {
  return WaitUntil([&] { return !IsWindowVisible(window); }, timeout);
}

bool WaitGone(HWND window, Timeout timeout) {
  return WaitUntil([&] { return !IsWindow(window); }, timeout);
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> windows;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND FindChild(HWND parent, std::string_view class_name, int index) {
  const std::wstring wanted = Widen(class_name);
  for (HWND child : ChildWindows(parent)) {
    if (SameClass(Widen(ClassName(child)), wanted) && index-- == 0) return child;
  }
  return nullptr;
}

HWND FindChildById(HWND parent, int id) {
  for (HWND child : ChildWindows(parent)) {
    if (GetDlgCtrlID(child) == id) return child;
  }
  return nullptr;
}

HWND FindChildByLabel(HWND parent, std::string_view label, std::string_view class_name) {
  const std::string wanted = StripAmpersands(label);
  for (HWND child : ChildWindows(parent)) {
    if (StripAmpersands(WindowText(child)) != wanted) continue;
    for (HWND next = GetWindow(child, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT)) {
      const std::wstring next_class = Widen(ClassName(next));
      if (class_name.empty() ? !SameClass(next_class, L"Static") : SameClass(next_class, Widen(class_name))) {
        return next;
      }
    }
  }
  return nullptr;
}

// ---- Reading ----

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
    return {};
  }
  text.resize(std::min<std::size_t>(copied, length));
  return Narrow(text);
}

std::string ClassName(HWND window) {
  wchar_t name[257] = {};
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return Narrow(std::wstring_view(name, static_cast<std::size_t>(std::max(length, 0))));
}

std::string Describe(HWND window) {
  if (!IsWindow(window)) return "(no window)";
  const RECT r = WindowRect(window);
  return ClassName(window) + " id=" + std::to_string(GetDlgCtrlID(window)) + " text=\"" + WindowText(window) +
         "\" rect=[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom) + "]" + (IsWindowVisible(window) ? " visible" : " hidden");
}

bool IsVisible(HWND window) {
  return IsWindowVisible(window);
}

bool IsMinimized(HWND window) {
  return IsIconic(window);
}

HWND ForegroundWindow() {
  return GetForegroundWindow();
}

HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return thread && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) rect = {};
  return rect;
}

RECT ClientRectOnScreen(HWND window) {
  RECT rect{};
  if (!GetClientRect(window, &rect)) return {};
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// ---- Input ----

std::optional<Chord> ParseChord(std::string_view text) {
  std::vector<std::string> tokens(1);
  for (char c : text) {
    if (c == '+') {
      tokens.emplace_back();
    } else if (c != ' ') {
      tokens.back() += AsciiLower(c);
    }
  }
  Chord chord;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    const std::optional<Modifiers> modifier = ModifierNamed(tokens[i]);
    if (!modifier || HasModifier(chord.modifiers, *modifier)) return std::nullopt;
    chord.modifiers = chord.modifiers | *modifier;
  }
  const std::optional<WORD> key = KeyNamed(tokens.back());
  if (!key) return std::nullopt;
  chord.key = *key;
  return chord;
}

bool BringToForeground(HWND window, Timeout timeout) {
  if (!IsWindow(window) || !IsWindowVisible(window)) return false;
  if (IsActive(window)) return true;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  // Windows lets a background process take the foreground only if it sent the last input;
  // an empty mouse event makes it so without moving or clicking anything.
  SendMouse(0);
  SetForegroundWindow(window);
  if (WaitUntil([&] { return IsActive(window); }, std::min(timeout, Timeout{2000}))) return true;
  // Fallback: share input state with the current foreground thread, which may then hand it over.
  const DWORD self = GetCurrentThreadId();
  const DWORD foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const bool attached = foreground && foreground != self && AttachThreadInput(self, foreground, TRUE);
  BringWindowToTop(window);
  SetForegroundWindow(window);
  if (attached) AttachThreadInput(self, foreground, FALSE);
  return WaitUntil([&] { return IsActive(window); }, timeout);
}

bool TypeText(std::string_view utf8) {
  std::vector<INPUT> inputs;
  for (wchar_t unit : Widen(utf8)) {
    if (!AddControlCharacter(inputs, unit)) AddUnicode(inputs, unit);
  }
  return Send(inputs);
}

bool TypeKeys(std::string_view text) {
  std::vector<INPUT> inputs;
  for (wchar_t unit : Widen(text)) {
    if (AddControlCharacter(inputs, unit)) continue;
    const SHORT scan = VkKeyScanW(unit);
    const int shift_state = (scan >> 8) & 0xFF;
    if (scan == -1 || (shift_state & ~1) != 0) {  // no key, or one that needs Ctrl/Alt
      AddUnicode(inputs, unit);
      continue;
    }
    const WORD vk = static_cast<WORD>(scan & 0xFF);
    if (shift_state & 1) inputs.push_back(VirtualKey(VK_SHIFT, false));
    AddStroke(inputs, vk);
    if (shift_state & 1) inputs.push_back(VirtualKey(VK_SHIFT, true));
  }
  return Send(inputs);
}

namespace {

// The events that press `chord` (modifiers, then the key) and those that release it.
struct ChordEvents {
  explicit ChordEvents(const Chord& chord) {
    for (const auto& [modifier, vk] : kModifierKeys) {
      if (HasModifier(chord.modifiers, modifier)) down.push_back(VirtualKey(vk, false));
    }
    down.push_back(VirtualKey(chord.key, false));
    up.push_back(VirtualKey(chord.key, true));
    for (auto it = kModifierKeys.rbegin(); it != kModifierKeys.rend(); ++it) {
      if (HasModifier(chord.modifiers, it->first)) up.push_back(VirtualKey(it->second, true));
    }
  }
  std::vector<INPUT> down;
  std::vector<INPUT> up;
};

}  // namespace

bool PressChord(const Chord& chord) {
  ChordEvents events(chord);
  events.down.insert(events.down.end(), events.up.begin(), events.up.end());
  return Send(events.down);
}

bool PressKeys(std::string_view chord) {
  const std::optional<Chord> parsed = ParseChord(chord);
  return parsed && PressChord(*parsed);
}

bool PutOnClipboard(std::string_view utf8) {
  if (!OpenClipboard(nullptr)) return false;
  const std::wstring text = Widen(utf8);
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  bool put = false;
  if (EmptyClipboard()) {
    if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* locked = GlobalLock(data)) {
        std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(locked));
        GlobalUnlock(data);
        put = SetClipboardData(CF_UNICODETEXT, data) != nullptr;
      }
      // The clipboard owns the memory once it took it.
      if (!put) GlobalFree(data);
    }
  }
  CloseClipboard();
  return put;
}

bool HoldKeys(std::string_view chord, const std::function<bool()>& until, Timeout timeout) {
  const std::optional<Chord> parsed = ParseChord(chord);
  if (!parsed) return false;
  ChordEvents events(*parsed);
  if (!Send(events.down)) {
    Send(events.up);  // whatever went down comes up again
    return false;
  }
  const bool held = WaitUntil(until, timeout);
  return Send(events.up) && held;
}

namespace {

// A mouse event at a screen point. Absolute coordinates are 0..65535 across the virtual
// screen; aim at the pixel's centre so the rounding of either mapping lands on the pixel itself.
std::optional<INPUT> MouseAt(POINT screen_point, DWORD flags) {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width <= 0 || height <= 0) return std::nullopt;
  const auto normalise = [](long long offset, long long size) {
    return static_cast<LONG>(((2 * offset + 1) * 65536) / (2 * size));
  };
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = normalise(screen_point.x - left, width);
  input.mi.dy = normalise(screen_point.y - top, height);
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  return input;
}

}  // namespace

bool MoveMouse(POINT screen_point) {
  const std::optional<INPUT> move = MouseAt(screen_point, 0);
  if (!move) return false;
  std::vector<INPUT> inputs{*move};
  if (!Send(inputs)) return false;
  return WaitUntil([&] {
    POINT now{};
    return GetCursorPos(&now) && now.x == screen_point.x && now.y == screen_point.y;
  });
}

bool Click(HWND window, std::optional<POINT> client_point, MouseButton button, int clicks) {
  RECT client{};
  if (!GetClientRect(window, &client)) return false;
  POINT point =
      client_point.value_or(POINT{(client.left + client.right) / 2, (client.top + client.bottom) / 2});
  if (!ClientToScreen(window, &point)) return false;
  // A click where the last one landed, soon after it, is a double click to the
  // system. A person's next click lands elsewhere: move it aside, inside the window.
  static struct {
    ULONGLONG tick = 0;
    POINT point{};
    MouseButton button = MouseButton::kLeft;
  } last;
  const ULONGLONG now = GetTickCount64();
  const int near_x = GetSystemMetrics(SM_CXDOUBLECLK);
  const int near_y = GetSystemMetrics(SM_CYDOUBLECLK);
  if (clicks == 1 && last.button == button && now - last.tick <= GetDoubleClickTime() &&
      std::abs(point.x - last.point.x) <= near_x && std::abs(point.y - last.point.y) <= near_y) {
    RECT screen_client = client;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&screen_client), 2);
    point.x = point.x + near_x + 1 < screen_client.right ? point.x + near_x + 1 : point.x - near_x - 1;
  }
  // Refuse to click whatever covers the target: the click would land in another window.
  if (GetAncestor(WindowFromPoint(point), GA_ROOT) != GetAncestor(window, GA_ROOT)) return false;
  if (!MoveMouse(point)) return false;
  const bool left = button == MouseButton::kLeft;
  std::vector<INPUT> inputs;
  // Each button event carries the position too: under Wine a late pointer event of the X
  // server can move the cursor back after the move arrived.
  for (int i = 0; i < clicks; ++i) {
    for (DWORD flags : {left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN,
                        left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP}) {
      const std::optional<INPUT> input = MouseAt(point, flags);
      if (!input) return false;
      inputs.push_back(*input);
    }
  }
  if (!Send(inputs)) return false;
  last = {GetTickCount64(), point, button};
  return true;
}

bool WaitForInputProcessed(HWND window, Timeout timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const auto remaining_ms = [&] {
    return ToMs(std::chrono::duration_cast<Timeout>(deadline - std::chrono::steady_clock::now()));
  };
  DWORD process_id = 0;
  const DWORD thread_id = GetWindowThreadProcessId(window, &process_id);
  if (!thread_id) return false;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, process_id)) {
    const DWORD idle = ::WaitForInputIdle(process, remaining_ms());
    CloseHandle(process);
    if (idle == WAIT_TIMEOUT) return false;
  }
  // The display server reports focus and pointer changes to the target as events of its
  // own, which can reach it after input sent since; under Wine such a report resets the
  // modifier keys held. Reading a pixel waits for the server to have dealt with what the
  // target asked of it so far; the round trips below then let the target read the reports.
  CaptureScreen(RECT{0, 0, 1, 1});
  // A sent message is handled when the thread next asks for a message, so each round trip
  // proves the thread came back to its loop once more after the input already queued.
  for (int i = 0; i < kSettleRoundTrips; ++i) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, std::max<DWORD>(remaining_ms(), 1),
                             &result)) {
      return false;
    }
  }
  // Sent messages are also handled while the thread waits on a call of its own to another
  // program (the shell, for its tray icon), with the input still queued. Painting comes
  // only after all queued input: once a spot made invalid now is painted again, the keys
  // and characters sent before have been handled. A hidden or minimised window is not
  // painted, and a window of this thread would need this thread to paint it.
  if (thread_id == GetCurrentThreadId() || !IsWindowVisible(window) || IsIconic(window)) return true;
  RECT spot{0, 0, 1, 1};
  InvalidateRect(window, &spot, FALSE);
  return WaitUntil([&] { return !GetUpdateRect(window, nullptr, FALSE); },
                   Timeout{std::max<DWORD>(remaining_ms(), 1)});
}

// ---- Hotkeys ----

ScopedHotKey::ScopedHotKey(UINT modifiers, UINT key) {
  static std::atomic<int> lastId{0};
  id_ = ++lastId;
  held_ = RegisterHotKey(nullptr, id_, modifiers, key) != FALSE;
}

ScopedHotKey::~ScopedHotKey() {
  if (held_) UnregisterHotKey(nullptr, id_);
}

// ---- Tooltips ----

HWND VisibleTooltip(DWORD process_id) {
  return FindTopLevel({"tooltips_class32", "", process_id, true});
}

std::optional<std::string> HoverTooltip(POINT hover, POINT rest, DWORD process_id, Timeout timeout) {
  // A tooltip still showing for another spot would be read before it changed;
  // and only a pointer that moves onto the spot brings its tooltip up.
  if (!MoveMouse(rest) || !WaitUntil([&] { return !VisibleTooltip(process_id); }, timeout)) {
    return std::nullopt;
  }
  if (!MoveMouse(hover)) return std::nullopt;
  HWND tooltip = nullptr;
  if (!WaitUntil([&] { return (tooltip = VisibleTooltip(process_id)) != nullptr; }, timeout)) {
    return std::nullopt;
  }
  return WindowText(tooltip);
}

// ---- Dialogs and message boxes ----

HWND WaitForDialog(DWORD process_id, Timeout timeout) {
  return WaitForWindow(WindowQuery{"#32770", "", process_id, true}, timeout);
}

std::string DialogText(HWND dialog) {
  std::string joined;
  for (HWND child : ChildWindows(dialog)) {
    if (!SameClass(Widen(ClassName(child)), L"Static")) continue;
    const std::string text = WindowText(child);
    if ((GetDlgCtrlID(child) & 0xFFFF) == kMessageStaticId && !text.empty()) return text;
    if (!text.empty()) joined += (joined.empty() ? "" : "\n") + text;
  }
  return joined;
}

std::vector<HWND> DialogButtons(HWND dialog) {
  std::vector<HWND> buttons;
  for (HWND child : ChildWindows(dialog)) {
    if (SameClass(Widen(ClassName(child)), L"Button")) buttons.push_back(child);
  }
  return buttons;
}

HWND FindButton(HWND dialog, std::string_view caption) {
  const std::string wanted = StripAmpersands(caption);
  for (HWND button : DialogButtons(dialog)) {
    if (StripAmpersands(WindowText(button)) == wanted) return button;
  }
  return nullptr;
}

bool PressDialogButton(HWND dialog, std::string_view caption) {
  HWND button = FindButton(dialog, caption);
  return button && IsWindowVisible(button) && Click(button);
}

}  // namespace tallivo::test
