// snapshot CLASS FILE: waits for a visible window of class CLASS, brings it to
// the front and saves a picture of it (PNG or BMP by extension). For the run
// command and for documentation pictures.
#include <cstdio>
#include <optional>

#include "tests/driver/driver_win.h"

int wmain(int argc, wchar_t** argv) {
  using namespace tallivo::test;
  if (argc != 3) {
    std::fputs("usage: snapshot CLASS FILE\n", stderr);
    return 2;
  }
  HWND window = WaitForWindow({Narrow(argv[1]), "", 0, true}, Timeout{30000});
  if (!window) return 1;
  BringToForeground(window);
  // The controls paint after their window, and the screen shows a paint a
  // little after it is done: wait for both, so no control is caught blank.
  WaitUntil([&] {
    if (GetUpdateRect(window, nullptr, FALSE)) return false;
    for (HWND child : ChildWindows(window)) {
      if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) return false;
    }
    return true;
  });
  WaitForInputProcessed(window);
  std::optional<Image> shot = CaptureWindow(window);
  WaitUntil([&] {
    std::optional<Image> next = CaptureWindow(window);
    const bool settled = next && shot && *next == *shot;
    shot = std::move(next);
    return settled;
  });
  return shot && shot->Save(Narrow(argv[2])) ? 0 : 1;
}
