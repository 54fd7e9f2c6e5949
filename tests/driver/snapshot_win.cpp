// snapshot CLASS FILE: waits for a visible window of class CLASS, brings it to
// the front and saves a picture of it (PNG or BMP by extension). For the run
// command and for documentation pictures.
#include "tests/driver/driver_win.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  using namespace tallivo::test;
  if (argc != 3) {
    std::fputs("usage: snapshot CLASS FILE\n", stderr);
    return 2;
  }
  HWND window = WaitForWindow({Narrow(argv[1]), "", 0, true}, Timeout{30000});
  if (!window) return 1;
  BringToForeground(window);
  WaitForInputProcessed(window);
  return SaveScreenshot(Narrow(argv[2]), window) ? 0 : 1;
}
