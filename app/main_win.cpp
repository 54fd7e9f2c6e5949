// Program entry: one instance only, then the main window and its message loop.
#include <windows.h>

#include "app/fp_environment.h"
#include "app/main_window_win.h"
#include "ui/application_win.h"
#include "ui/handles_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using tallivo::ui::Application;
  tallivo::SetProcessFpEnvironment();
  Application().Initialize();
  Application().SetTitle("Tallivo");

  // Held until the process ends; only its existence is tested.
  const tallivo::UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, L"KelvorTallivo"));
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    MessageBoxW(nullptr, L"Tallivo is already running.\r\nThis instance will terminate.", L"Warning",
                MB_OK | MB_ICONWARNING);
    return 0;
  }

  tallivo::RegisterFormClasses();
  try {
    Application().CreateForm<tallivo::TFmMain>();
    Application().Run();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
  Application().DestroyComponents();
  return 0;
}
