// Owner of a WinInet handle. Only the transfer code includes it (it needs
// wininet.h and the wininet library).
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <wininet.h>

#include "base/handles_win.h"

namespace tallivo {

struct InternetTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  // No status callback may arrive for a handle whose owner is gone: unhook
  // it before closing, which can itself raise callbacks.
  static void Close(Handle h) {
    InternetSetStatusCallbackW(h, nullptr);
    InternetCloseHandle(h);
  }
};

using UniqueInternetHandle = UniqueHandle<InternetTraits>;

}  // namespace tallivo
