// Menus of another program, read inside it by menu_probe.dll.
#include <atomic>
#include <sstream>

#include "tests/driver/driver_win.h"
#include "tests/driver/menu_probe_protocol.h"
#include "base/handles_win.h"

namespace tallivo::test {
namespace {

namespace probe = menu_probe;

constexpr UINT kAnswerTimeoutMs = 5000;

struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle module) { FreeLibrary(module); }
};
struct HookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle hook) { UnhookWindowsHookEx(hook); }
};
struct ViewTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle view) { UnmapViewOfFile(view); }
};
using UniqueLibrary = UniqueHandle<LibraryTraits>;
using UniqueHook = UniqueHandle<HookTraits>;
using UniqueView = UniqueHandle<ViewTraits>;

std::optional<std::vector<MenuEntry>> Fail(std::string* error, std::string what) {
  if (error) *error = std::move(what) + " (error " + std::to_string(GetLastError()) + ")";
  return std::nullopt;
}

std::string Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      out += text[++i] == 'n' ? '\n' : text[i];
    } else {
      out += text[i];
    }
  }
  return out;
}

// The lines the hook wrote, back into a tree; false if one is malformed.
bool Parse(const std::string& text, std::vector<MenuEntry>& items) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) return false;
    const int depth = std::atoi(line.substr(0, tab1).c_str());
    const std::string flags = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const std::string caption = Unescaped(std::string_view(line).substr(tab2 + 1));
    MenuEntry entry;
    const std::size_t tab = caption.find('\t');
    entry.text = caption.substr(0, tab);
    if (tab != std::string::npos) entry.shortcut = caption.substr(tab + 1);
    entry.separator = flags.find('S') != std::string::npos;
    entry.greyed = flags.find('G') != std::string::npos;
    entry.disabled = flags.find('D') != std::string::npos;
    entry.checked = flags.find('C') != std::string::npos;
    entry.is_default = flags.find('B') != std::string::npos;
    std::vector<MenuEntry>* level = &items;
    for (int d = 0; d < depth; ++d) {
      if (level->empty()) return false;
      level = &level->back().items;
    }
    level->push_back(std::move(entry));
  }
  return true;
}

}  // namespace

std::optional<std::vector<MenuEntry>> ReadMenu(HWND window, std::string* error) {
  static std::atomic<std::uint64_t> lastRequest{0};
  const std::uint64_t request = ++lastRequest;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (!thread) return Fail(error, "no such window");
  const std::wstring dll = Widen(ExecutableDir()) + probe::kDllName;
  const UniqueLibrary library(LoadLibraryW(dll.c_str()));
  if (!library) return Fail(error, "cannot load " + Narrow(dll));
  const auto hookProc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(library.Get(), probe::kHookProcName)));
  if (!hookProc) return Fail(error, "no hook procedure in " + Narrow(dll));
  const std::wstring name = probe::kBlockNamePrefix + std::to_wstring(GetCurrentProcessId());
  const UniqueKernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                          sizeof(probe::Block), name.c_str()));
  if (!mapping) return Fail(error, "cannot create the shared block");
  const UniqueView view(
      MapViewOfFile(mapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(probe::Block)));
  if (!view) return Fail(error, "cannot map the shared block");
  auto* block = static_cast<probe::Block*>(view.Get());
  block->status = probe::Status::kNone;
  block->request = 0;
  // The hook runs in the window's thread, which loads the DLL for it.
  const UniqueHook hook(SetWindowsHookExW(WH_CALLWNDPROC, hookProc, library.Get(), thread));
  if (!hook) return Fail(error, "cannot hook the window's thread");
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(window, RegisterWindowMessageW(probe::kMessageName), GetCurrentProcessId(),
                           static_cast<LPARAM>(request), SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored)) {
    return Fail(error, "the window did not answer");
  }
  if (block->request != request) return Fail(error, "the hook did not answer");
  if (block->status == probe::Status::kNoMenu) return Fail(error, "the window has no menu");
  if (block->status != probe::Status::kDone || block->size > probe::Block::kCapacity) {
    return Fail(error, "the menu did not fit the shared block");
  }
  std::vector<MenuEntry> items;
  if (!Parse(std::string(block->text, block->size), items)) return Fail(error, "malformed answer");
  return items;
}

}  // namespace tallivo::test
