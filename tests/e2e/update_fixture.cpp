#include "tests/e2e/update_fixture.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ui/control_win.h"

namespace tallivo::test {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The servers hand their folders over as Unix paths; Wine knows the drive.
fs::path DosPath(const std::string& unix_path) {
  using Convert = WCHAR*(CDECL*)(const char*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!convert) return {};
  WCHAR* dos = convert(unix_path.c_str());
  if (!dos) return {};
  fs::path path(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return path;
}

std::wstring LongPath(const fs::path& path) {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return path.wstring();
  buffer.resize(length);
  return buffer;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// Ends whatever still runs from `program`: a failed update must not leave a
// program behind that holds the single-instance mutex or a finisher that waits forever.
void EndAll(const fs::path& program) {
  WaitUntil([&] {
    for (DWORD id : ProcessesOf(program)) {
      UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (process && TerminateProcess(process.Get(), Process::kTerminatedExitCode)) {
        WaitForSingleObject(process.Get(), static_cast<DWORD>(kDefaultTimeout.count()));
      }
    }
    return ProcessesOf(program).empty();
  });
}

std::vector<BYTE> VersionResource(const fs::path& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::vector<BYTE> data(size);
  if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) data.clear();
  return data;
}

}  // namespace

std::string FileVersionOf(const fs::path& file) {
  std::vector<BYTE> data = VersionResource(file);
  void* found = nullptr;
  UINT length = 0;
  if (data.empty() || !VerQueryValueW(data.data(), L"\\", &found, &length) ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(found);
  std::ostringstream out;
  out << HIWORD(fixed->dwFileVersionMS) << '.' << LOWORD(fixed->dwFileVersionMS) << '.'
      << HIWORD(fixed->dwFileVersionLS) << '.' << LOWORD(fixed->dwFileVersionLS);
  return out.str();
}

std::string FileVersionTextOf(const fs::path& file) {
  std::vector<BYTE> data = VersionResource(file);
  void* found = nullptr;
  UINT length = 0;
  if (data.empty() || !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &found, &length) ||
      length < 2 * sizeof(WORD)) {
    return {};
  }
  const WORD* language = static_cast<const WORD*>(found);
  wchar_t key[64];
  swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", language[0], language[1]);
  if (!VerQueryValueW(data.data(), key, &found, &length) || length == 0) return {};
  return Narrow(static_cast<const wchar_t*>(found));
}

std::optional<std::string> ReadFileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<DWORD> ProcessesOf(const fs::path& program) {
  std::vector<DWORD> ids;
  UniqueHandle<FileTraits> snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  const std::wstring wanted = LongPath(program);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process) continue;
    std::wstring image(32768, L'\0');
    DWORD length = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(process.Get(), 0, image.data(), &length)) continue;
    image.resize(length);
    DWORD exit_code = 0;
    if (GetExitCodeProcess(process.Get(), &exit_code) && exit_code != STILL_ACTIVE) continue;
    if (SamePath(image, wanted) || SamePath(LongPath(image), wanted)) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

std::optional<std::vector<std::string>> ArgumentsOf(HANDLE process) {
  // The command line lives in the process's parameters block, which its parent wrote.
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) {
    return std::nullopt;
  }
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr)) {
    return std::nullopt;
  }
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length,
                         nullptr)) {
    return std::nullopt;
  }
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
  if (!argv) return std::nullopt;
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return arguments;
}

void UpdateTest::SetUp() {
  const std::string unavailable = Env("TALLIVO_TEST_NET_UNAVAILABLE");
  ASSERT_TRUE(unavailable.empty()) << "the test servers could not be set up: " << unavailable;
  for (const char* name : {"TALLIVO_NGINX_PORT", "TALLIVO_NGINX_LOG", "TALLIVO_SERVER_ROOT"}) {
    ASSERT_FALSE(Env(name).empty()) << name
                                    << " is not set: run this test under tests/server/with-test-servers, "
                                       "with nginx installed";
  }
  const fs::path root = DosPath(Env("TALLIVO_SERVER_ROOT"));
  access_log_ = DosPath(Env("TALLIVO_NGINX_LOG"));
  ASSERT_FALSE(root.empty() || access_log_.empty()) << "the servers' folders have no Windows path";

  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
  // The programs' temporary folder has a space and a "+" in its name, as a
  // user's folder may: the finisher written there must still start.
  temp_dir_ = fs::path(LongPath(temp)) / "Tallivo temp + more";
  fs::create_directories(temp_dir_);
  temp_dir_ = LongPath(temp_dir_);
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    wchar_t old[MAX_PATH + 1] = {};
    saved_temp_.emplace_back(name, GetEnvironmentVariableW(name, old, MAX_PATH + 1) ? old : L"");
    SetEnvironmentVariableW(name, temp_dir_.c_str());
  }
  // A finisher left by an earlier, failed run would pass for this run's.
  std::error_code ignored;
  fs::remove(temp_dir_ / "UpdFinish.exe", ignored);

  const fs::path base = temp_dir_ / ("tallivo-update-" + std::to_string(GetCurrentProcessId()));
  fs::remove_all(base, ignored);
  fs::create_directories(base / "Tallivo install");
  install_dir_ = LongPath(base / "Tallivo install");
  installed_ = install_dir_ / "Tallivo.exe";
  // The program needs nothing beside it to run; its help is only opened on request.
  ASSERT_TRUE(fs::copy_file(Widen(ExecutableDir() + "Tallivo.exe"), installed_));

  published_ = root / "upd" / "Tallivo";
  fs::remove_all(published_, ignored);
  ASSERT_TRUE(fs::create_directories(published_)) << Narrow(published_.wstring());

  const std::wstring internet = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  settings_.push_back(ScopedRegistryValue::Dword(HKEY_CURRENT_USER, internet, L"ProxyEnable", 1));
  settings_.push_back(ScopedRegistryValue::String(HKEY_CURRENT_USER, internet, L"ProxyServer",
                                                  L"127.0.0.1:" + Widen(Env("TALLIVO_NGINX_PORT"))));
  for (const ScopedRegistryValue& setting : settings_) ASSERT_TRUE(setting.Set());
}

namespace {

// Ends the program with File > Terminate, as a user would, so that it takes
// its tray icon along: a killed one leaves it behind for the next suites.
// The exit code, or nullopt when it did not end that way.
std::optional<DWORD> EndByMenu(DWORD id) {
  UniqueKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  HWND main = FindTopLevel({"TFmMain", "Tallivo", id, true});
  if (!process || !main || !BringToForeground(main) || !PressKeys("Ctrl+X") ||
      WaitForSingleObject(process.Get(), static_cast<DWORD>(kDefaultTimeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  return GetExitCodeProcess(process.Get(), &code) ? std::optional<DWORD>(code) : std::nullopt;
}

}  // namespace

void UpdateTest::TearDown() {
  if (!installed_.empty()) {
    for (DWORD id : ProcessesOf(installed_)) {
      const std::optional<DWORD> code = EndByMenu(id);
      if (!HasFailure()) {
        EXPECT_EQ(code, std::optional<DWORD>(0)) << "File > Terminate of process " << id;
      }
    }
  }
  if (process_) process_->Terminate();
  process_.reset();
  if (!installed_.empty()) EndAll(installed_);
  if (!temp_dir_.empty()) EndAll(temp_dir_ / "UpdFinish.exe");
  online_.reset();
  settings_.clear();
  std::error_code ignored;
  if (!install_dir_.empty()) {
    // A program just ended may hold its file a moment longer.
    EXPECT_TRUE(WaitUntil([&] {
      std::error_code error;
      fs::remove_all(install_dir_.parent_path(), error);
      return !error;
    })) << "cannot remove "
        << Narrow(install_dir_.wstring());
  }
  if (!published_.empty()) fs::remove_all(published_.parent_path(), ignored);
  if (!temp_dir_.empty()) fs::remove(temp_dir_ / "UpdFinish.exe", ignored);
  for (const auto& [name, value] : saved_temp_)
    SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
  saved_temp_.clear();
  if (!temp_dir_.empty()) fs::remove(temp_dir_, ignored);
}

void UpdateTest::PublishInfoFile(const std::string& text) {
  std::ofstream out(published_ / "Tallivo.inf", std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  ASSERT_TRUE(out) << "cannot write the information file";
}

void UpdateTest::PublishNextProgram() {
  const fs::path next = Widen(ExecutableDir() + "next\\Tallivo.exe");
  std::error_code error;
  fs::copy_file(next, published_ / "Tallivo.exe", fs::copy_options::overwrite_existing, error);
  ASSERT_FALSE(error) << Narrow(next.wstring()) << ": " << error.message();
}

void UpdateTest::InstallSigned() {
  std::error_code error;
  fs::copy_file(Widen(ExecutableDir() + "signed\\Tallivo.exe"), installed_,
                fs::copy_options::overwrite_existing, error);
  ASSERT_FALSE(error) << error.message();
}

void UpdateTest::PublishSignedNextProgram() {
  const fs::path signed_dir = fs::path(Widen(Env("TALLIVO_SERVER_ROOT"))) / "signed" / "e2e";
  for (const char* name : {"Tallivo.exe", "Tallivo.inf"}) {
    std::error_code error;
    fs::copy_file(signed_dir / name, published_ / name, fs::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << Narrow((signed_dir / name).wstring()) << ": " << error.message();
  }
}

void UpdateTest::AcceptUpdate(DWORD& new_id) {
  const DWORD old_id = process_->Id();
  HWND prompt = WaitForWindow({"TupUpdaterUpgradeMessageForm", "", old_id, true}, kUpdateTimeout);
  ASSERT_NE(prompt, nullptr) << "no prompt";
  ASSERT_TRUE(BringToForeground(prompt));
  ASSERT_TRUE(PressKeys("Enter"));

  HWND wizard = WaitForWindow({"TupUpdaterWizardForm", "", old_id, true}, kUpdateTimeout);
  ASSERT_NE(wizard, nullptr) << "no wizard";
  HWND finish = FindChildById(wizard, ui::ControlIdFromName("FinishBtn"));
  ASSERT_NE(finish, nullptr);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return WindowText(finish) == "&OK" && IsWindowEnabled(finish) && FocusedControl(wizard) == finish;
      },
      kUpdateTimeout))
      << Describe(finish) << ", focus on " << Describe(FocusedControl(wizard));
  ASSERT_TRUE(BringToForeground(wizard));
  ASSERT_TRUE(PressKeys("Enter"));
  EXPECT_EQ(process_->WaitForExit(kUpdateTimeout), std::optional<DWORD>(0));

  new_id = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (DWORD id : ProcessesOf(installed_)) {
          if (id != old_id) new_id = id;
        }
        return new_id != 0;
      },
      kUpdateTimeout))
      << "the program was not started again; " << Situation();
}

void UpdateTest::ReportOnline(bool online) {
  online_.reset();
  online_.emplace(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\RemoteAccess",
                  L"Remote Connection", REG_BINARY,
                  std::vector<BYTE>{static_cast<BYTE>(online ? 1 : 0), 0, 0, 0});
  ASSERT_TRUE(online_->Set());
}

void UpdateTest::StartInstalled() {
  std::string error;
  process_ = Process::Start(Narrow(installed_.wstring()), {}, &error);
  ASSERT_TRUE(process_) << error;
  main_ = WaitForWindow({"TFmMain", "Tallivo", process_->Id(), false});
  ASSERT_NE(main_, nullptr) << "no main window";
}

int UpdateTest::InfoFileRequests() const {
  std::ifstream log(access_log_);
  int count = 0;
  for (std::string line; std::getline(log, line);) {
    if (line.find("/upd/Tallivo/Tallivo.inf") != std::string::npos) ++count;
  }
  return count;
}

HWND UpdateTest::QuestionOrMessage() const {
  const DWORD id = process_->Id();
  if (HWND box = FindTopLevel({"#32770", "", id, true})) return box;
  return FindTopLevel({"TupUpdaterUpgradeMessageForm", "", id, true});
}

std::string UpdateTest::Situation() const {
  std::string out = "in " + Narrow(install_dir_.wstring()) + ":";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(install_dir_, error)) {
    out += " " + Narrow(entry.path().filename().wstring());
  }
  const fs::path finisher = temp_dir_ / "UpdFinish.exe";
  const auto size = fs::file_size(finisher, error);
  out += error ? "; no finisher" : "; a finisher of " + std::to_string(size) + " bytes";
  out += ", " + std::to_string(ProcessesOf(finisher).size()) + " running";
  return out;
}

}  // namespace tallivo::test
