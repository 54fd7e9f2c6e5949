// menu_probe.dll: a test-only hook that reads a window's menu inside the
// program that owns it (Wine does not let one process read another's menus).
// Never linked into the product; the driver loads it with SetWindowsHookExW.
#include <windows.h>

#include <string>

#include "tests/driver/menu_probe_protocol.h"
#include "base/handles_win.h"
#include "base/text_win.h"

namespace {

namespace probe = tallivo::test::menu_probe;

struct ViewTraits {
  using Handle = void*;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle view) { UnmapViewOfFile(view); }
};
using UniqueView = tallivo::UniqueHandle<ViewTraits>;

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring ItemText(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return {};
  std::wstring text(info.cch + 1, L'\0');
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return {};
  text.resize(info.cch);
  return text;
}

void Describe(HMENU menu, int depth, std::string& out) {
  const int count = GetMenuItemCount(menu);
  const UINT byDefault = GetMenuDefaultItem(menu, TRUE, GMDI_USEDISABLED);
  for (int i = 0; i < count; ++i) {
    const auto position = static_cast<UINT>(i);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info)) continue;
    std::string flags;
    if (info.fType & MFT_SEPARATOR) flags += 'S';
    if (info.fState & MF_GRAYED) flags += 'G';
    if (info.fState & MF_DISABLED) flags += 'D';
    if (info.fState & MFS_CHECKED) flags += 'C';
    if (byDefault == position) flags += 'B';
    out += std::to_string(depth) + '\t' + flags + '\t' + Escaped(tallivo::Narrow(ItemText(menu, position))) + '\n';
    if (info.hSubMenu) Describe(info.hSubMenu, depth + 1, out);
  }
}

void Answer(const CWPSTRUCT& request) {
  const std::wstring name = probe::kBlockNamePrefix + std::to_wstring(request.wParam);
  const tallivo::UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str()));
  if (!mapping) return;
  const UniqueView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(probe::Block)));
  if (!view) return;
  auto* block = static_cast<probe::Block*>(view.Get());
  wchar_t className[16] = {};
  GetClassNameW(request.hwnd, className, 16);
  // An open popup menu window hands out its menu; any other window has its menu bar.
  const HMENU menu = std::wstring_view(className) == L"#32768"
                         ? reinterpret_cast<HMENU>(SendMessageW(request.hwnd, MN_GETHMENU, 0, 0))
                         : GetMenu(request.hwnd);
  // A child window's menu handle is its control id.
  const bool hasMenu = menu && IsMenu(menu);
  std::string text;
  if (hasMenu) Describe(menu, 0, text);
  block->status = !hasMenu                                ? probe::Status::kNoMenu
                  : text.size() > probe::Block::kCapacity ? probe::Status::kTooLarge
                                                          : probe::Status::kDone;
  if (block->status == probe::Status::kDone) {
    text.copy(block->text, text.size());
    block->size = static_cast<std::uint32_t>(text.size());
  }
  block->request = static_cast<std::uint64_t>(request.lParam);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT message = RegisterWindowMessageW(probe::kMessageName);
  if (code == HC_ACTION) {
    // Nothing may unwind into the program's message loop.
    try {
      const auto& request = *reinterpret_cast<const CWPSTRUCT*>(lParam);
      if (message != 0 && request.message == message) Answer(request);
    } catch (...) {
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
