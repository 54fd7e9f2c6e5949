// Winsock and the registry for "online?", the shell for web addresses, and a
// wait that keeps the user interface alive.
#include <winsock2.h>
// After <winsock2.h>, which must come before <windows.h>.
#include <shellapi.h>
#include <windows.h>

#include <exception>
#include <optional>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "net/command_line.h"
#include "net/internet_utils_win.h"
#include "net/text_util.h"
#include "ui/application_win.h"

namespace tallivo {
namespace {

// WSAStartup and, only when it succeeded, WSACleanup.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  ~WinsockSession() {
    if (started_) WSACleanup();
  }

 private:
  bool started_ = false;
};

UniqueRegistryKey OpenKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return UniqueRegistryKey();
  return UniqueRegistryKey(key);
}

// The default value of `key` as text: empty when there is none, nullopt for a
// value that is not a string or cannot be read (a registry error).
std::optional<std::string> ReadDefaultString(HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::string();
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
    if (status == ERROR_MORE_DATA) {  // it grew meanwhile
      size = got;
      status = ERROR_SUCCESS;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // Stored strings need not end in a null.
    text.resize(got / sizeof(wchar_t));
    if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return Narrow(text);
  }
  return std::nullopt;
}

// The default value of the "command" key at `path` below HKEY_CLASSES_ROOT;
// nullopt when it cannot be opened or read.
std::optional<std::string> ReadCommand(const std::wstring& path) {
  const UniqueRegistryKey key = OpenKey(HKEY_CLASSES_ROOT, path + L"\\command");
  if (!key) return std::nullopt;
  return ReadDefaultString(key.Get());
}

// The names of the subkeys of `key` in list order; what was listed before an error.
std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // a key name has at most 255 characters
    DWORD length = static_cast<DWORD>(std::size(name));
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

// The command line registered for files of `extension`, before splitting.
std::string AssociatedCommand(std::string_view extension) {
  const UniqueRegistryKey extensionKey = OpenKey(HKEY_CLASSES_ROOT, Widen(extension));
  if (!extensionKey) return {};
  const std::optional<std::string> fileTypeText = ReadDefaultString(extensionKey.Get());
  if (!fileTypeText || fileTypeText->empty()) return {};
  const std::wstring fileType = Widen(*fileTypeText);
  if (!OpenKey(HKEY_CLASSES_ROOT, fileType)) return {};
  const std::wstring shell = fileType + L"\\shell\\";
  if (OpenKey(HKEY_CLASSES_ROOT, shell + L"open\\command")) return ReadCommand(shell + L"open").value_or("");

  const UniqueRegistryKey shellKey = OpenKey(HKEY_CLASSES_ROOT, shell);
  if (!shellKey) return {};
  const std::vector<std::wstring> verbs = SubkeyNames(shellKey.Get());
  for (const std::wstring& verb : verbs) {
    if (AsciiLower(Narrow(verb)).find("open") != std::string::npos)
      return ReadCommand(shell + verb).value_or("");
  }
  for (const std::wstring& verb : verbs) {
    const UniqueRegistryKey command = OpenKey(HKEY_CLASSES_ROOT, shell + verb + L"\\command");
    if (!command) continue;
    // A registry error ends the search.
    const std::optional<std::string> program = ReadDefaultString(command.Get());
    if (!program) return {};
    if (!program->empty()) return *program;
  }
  return {};
}

}  // namespace

bool HostOnlineFromAddresses(const std::vector<std::string>& addresses) {
  return !addresses.empty() && !addresses.back().empty() && addresses.back() != "127.0.0.1";
}

bool IsHostOnline() {
  try {
    const WinsockSession winsock;
    // A host name has at most 255 bytes (a 64-byte buffer cuts longer ones off).
    char name[256] = {};
    if (gethostname(name, static_cast<int>(sizeof name)) != 0) return false;
    const hostent* host = gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list) return false;
    std::vector<std::string> addresses;
    for (char** address = host->h_addr_list; *address; ++address) {
      in_addr ip{};
      memcpy(&ip, *address, sizeof ip);
      const char* text = inet_ntoa(ip);
      addresses.emplace_back(text ? text : "");
    }
    return HostOnlineFromAddresses(addresses);
  } catch (...) {
    return false;
  }
}

bool IsConnectedToInternet() {
  const UniqueRegistryKey key =
      OpenKey(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\RemoteAccess");
  if (!key) return IsHostOnline();
  BYTE value[4] = {};
  DWORD size = sizeof value;
  if (RegQueryValueExW(key.Get(), L"Remote Connection", nullptr, nullptr, value, &size) != ERROR_SUCCESS)
    return IsHostOnline();
  return value[0] == 1;
}

std::string GetAssociatedProgram(std::string_view extension) {
  if (extension.empty() || extension == ".") return {};
  try {
    std::string program = AssociatedCommand(extension);
    std::string parameters;
    SplitCommandLine(program, parameters);
    return program;
  } catch (...) {
    return {};
  }
}

void OpenURL(std::string_view url, bool useAssociatedBrowser) {
  try {
    std::string address(url);
    if (address.find("://") == std::string::npos) address.insert(0, "http://");
    const std::wstring wideAddress = Widen(address);
    if (useAssociatedBrowser) {
      const std::string program = GetAssociatedProgram(".html");
      if (!program.empty()) {
        ShellExecuteW(GetDesktopWindow(), L"open", Widen(program).c_str(), wideAddress.c_str(), nullptr,
                      SW_SHOWNORMAL);
        return;
      }
    }
    ShellExecuteW(GetDesktopWindow(), L"open", wideAddress.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } catch (...) {
    // Nothing to report to: opening a page is best effort.
  }
}

double LocalTimeBias() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD which = GetTimeZoneInformation(&zone);
  if (which == TIME_ZONE_ID_INVALID) return 0;
  const LONG minutes = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
  return minutes / 1440.0;
}

void CloseApplication() {
  ui::TApplication& application = ui::Application();
  try {
    if (ui::TForm* form = application.MainForm()) form->Close();
  } catch (const std::exception& e) {
    application.ShowException(e);
  } catch (...) {
  }
  application.Terminate();
}

void WaitForEventPumping(HANDLE& event, DWORD timeoutMs, bool stopWhenTerminating) {
  const UniqueKernelHandle owned(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  event = owned ? owned.Get() : INVALID_HANDLE_VALUE;
  ui::TApplication& application = ui::Application();
  while (owned && !(stopWhenTerminating && application.Terminated())) {
    const HANDLE handle = owned.Get();
    if (MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs == 0 ? INFINITE : timeoutMs, QS_ALLINPUT) !=
        WAIT_OBJECT_0 + 1) {
      break;
    }
    try {
      application.ProcessMessages();
    } catch (const std::exception& e) {
      application.ShowException(e);
    } catch (...) {
    }
  }
  // Whoever still holds the variable sees "no event" from now on.
  event = INVALID_HANDLE_VALUE;
}

void SignalEvent(HANDLE& event) {
  if (event != INVALID_HANDLE_VALUE && event != nullptr) SetEvent(event);
}

}  // namespace tallivo
