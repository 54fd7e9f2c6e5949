// How the driver and menu_probe.dll, which it hooks into another program's
// GUI thread, hand a menu over: the driver creates a named shared block and
// sends the registered message to a window; the hook, running in that
// window's thread before its window procedure, writes the window's menu there.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tallivo::test::menu_probe {

// Sent to the window whose menu is wanted: WPARAM is the reader's process id,
// which names the shared block, LPARAM a request number the hook echoes.
inline constexpr wchar_t kMessageName[] = L"TallivoTestMenuProbe";
// Followed by the reader's process id.
inline constexpr wchar_t kBlockNamePrefix[] = L"Local\\TallivoTestMenuProbe.";
// Exported undecorated (the DLL links with --kill-at).
inline constexpr char kHookProcName[] = "MenuProbeHook";
inline constexpr wchar_t kDllName[] = L"menu_probe.dll";

enum class Status : std::uint32_t { kNone = 0, kDone = 1, kNoMenu = 2, kTooLarge = 3 };

// The shared block. `text` holds one UTF-8 line per item, parents before
// their submenus: depth, a tab, flag letters, a tab, then the item's text with
// '\\' and line breaks escaped as "\\\\" and "\\n". Flags: S separator,
// G greyed (MF_GRAYED), D disabled (MF_DISABLED), C checked, B default (drawn bold).
struct Block {
  static constexpr std::uint32_t kCapacity = 60 * 1024;
  std::uint64_t request;
  Status status;
  std::uint32_t size;
  char text[kCapacity];
};

}  // namespace tallivo::test::menu_probe
