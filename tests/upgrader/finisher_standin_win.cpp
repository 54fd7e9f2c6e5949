// Stands in for the program in the finisher's test. Appends one line about
// how it was started to "started.txt" in its own folder:
//   <its path>|<current folder>|<its file's attributes>|<UPDFINISH_FILES: set or unset>|<its command line>
// and, started with "/hold:<event name>", keeps running (and its executable
// in use) until the test sets that event.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  std::wstring folder(32768, L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  const std::wstring command_line = GetCommandLineW();
  const std::wstring line =
      path + L"|" + folder + L"|" + std::to_wstring(GetFileAttributesW(path.c_str())) +
      (GetEnvironmentVariableW(L"UPDFINISH_FILES", nullptr, 0) != 0 ? L"|set|" : L"|unset|") + command_line +
      L"\n";

  const std::wstring record = path.substr(0, path.rfind(L'\\') + 1) + L"started.txt";
  const HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  if (!ok) return 1;

  const std::size_t hold = command_line.find(L"/hold:");
  if (hold != std::wstring::npos) {
    const std::wstring name = command_line.substr(hold + 6, command_line.find(L' ', hold) - hold - 6);
    const HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
    if (event == nullptr) return 2;
    const DWORD waited = WaitForSingleObject(event, 60000);
    CloseHandle(event);
    if (waited != WAIT_OBJECT_0) return 3;
  }
  return 0;
}
