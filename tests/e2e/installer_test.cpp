// The setup program (installer/tallivo.nsi), built from the update tests'
// two programs: a silent install for one user, the start-up entry, an
// install over a running copy, uninstalling back to the prefix as it was,
// and an update that downloads and runs the next version's setup.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/tallivo_fixture.h"
#include "tests/e2e/update_fixture.h"
#include "ui/control_win.h"

namespace tallivo::test {
namespace {

namespace fs = std::filesystem;

constexpr char kReleased[] = TALLIVO_TEST_RELEASED_VERSION;
constexpr char kNext[] = TALLIVO_TEST_NEXT_VERSION;
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallivo";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// A setup runs in a few seconds; the bound is for a loaded machine.
constexpr Timeout kSetupTimeout{120000};

fs::path SetupOf(const char* version) {
  return Widen(ExecutableDir() + "setup\\Tallivo-Setup-" + version + ".exe");
}

fs::path ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

std::optional<std::wstring> RegString(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

std::optional<DWORD> RegDword(HKEY root, const wchar_t* key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

// Every value under `key` and its subkeys, as "path\name=type:data" lines.
void DumpKey(HKEY root, const std::wstring& key, std::vector<std::string>& out) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
  const UniqueRegistryKey open(raw);
  out.push_back(Narrow(key) + "\\");
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD name_size = 512;
    DWORD type = 0;
    BYTE data[4096];
    DWORD data_size = sizeof(data);
    if (RegEnumValueW(open.Get(), i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS)
      break;
    std::string text;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      text = Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(data), data_size / sizeof(wchar_t)));
    } else {
      for (DWORD b = 0; b < data_size; ++b) text += std::to_string(data[b]) + ",";
    }
    out.push_back(Narrow(key) + "\\" + Narrow(name) + "=" + std::to_string(type) + ":" + text);
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    DWORD name_size = 512;
    if (RegEnumKeyExW(open.Get(), i, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    DumpKey(root, key + L"\\" + name, out);
  }
}

// What an installation may touch: what lies in the folders it installs into
// and in the start-menu folders (which are Windows' own, shared, and may be
// made on first use), and the keys of the installed-programs list and the
// start-up entries, for the user and for the machine.
std::vector<std::string> PrefixState() {
  std::vector<std::string> state;
  for (const fs::path& folder : {ShellFolder(CSIDL_LOCAL_APPDATA) / "Programs", ShellFolder(CSIDL_PROGRAMS),
                                 ShellFolder(CSIDL_COMMON_PROGRAMS), ShellFolder(CSIDL_PROGRAM_FILES)}) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      // Program Files holds Wine's own programs: only ours matters there.
      if (folder == ShellFolder(CSIDL_PROGRAM_FILES) && it.depth() == 0 &&
          it->path().filename() != "Tallivo") {
        it.disable_recursion_pending();
        continue;
      }
      state.push_back(Narrow(it->path().wstring()));
    }
  }
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const std::string name = root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\";
    std::vector<std::string> keys;
    DumpKey(root, kUninstallKey, keys);
    DumpKey(root, kRunKey, keys);
    for (const std::string& line : keys) state.push_back(name + line);
  }
  std::sort(state.begin(), state.end());
  return state;
}

std::string Difference(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  std::string out;
  for (const std::string& line : after)
    if (!std::binary_search(before.begin(), before.end(), line)) out += "\n  + " + line;
  for (const std::string& line : before)
    if (!std::binary_search(after.begin(), after.end(), line)) out += "\n  - " + line;
  return out;
}

// A program started from a whole command line, as the shell starts a
// start-up entry or an uninstall string: the line is not re-quoted.
struct Started {
  UniqueKernelHandle process;
  DWORD id = 0;
};
std::optional<Started> StartCommandLine(std::wstring line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return std::nullopt;
  CloseHandle(info.hThread);
  return Started{UniqueKernelHandle(info.hProcess), info.dwProcessId};
}

std::optional<DWORD> WaitExit(HANDLE process, Timeout timeout) {
  if (WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  return GetExitCodeProcess(process, &code) ? std::optional<DWORD>(code) : std::nullopt;
}

// Runs a setup program (or an uninstaller) with `arguments` and waits for it; its exit code.
std::optional<DWORD> RunSetup(const fs::path& setup, const std::wstring& arguments) {
  std::optional<Started> run = StartCommandLine(L"\"" + setup.wstring() + L"\" " + arguments);
  if (!run) return std::nullopt;
  return WaitExit(run->process.Get(), kSetupTimeout);
}

// Ends a running Tallivo as the setup program does.
std::optional<DWORD> EndByExitMessage(DWORD id) {
  UniqueKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  HWND main = FindTopLevel({"TFmMain", "Tallivo", id, false});
  const UINT message = RegisterWindowMessageW(L"TallivoExit");
  if (!process || !main || message == 0 || !PostMessageW(main, message, 0, 0)) return std::nullopt;
  return WaitExit(process.Get(), kDefaultTimeout);
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file()) files.push_back(Narrow(fs::relative(it->path(), folder).wstring()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Names of the help the build puts beside the program, which the setup carries.
std::vector<std::string> ExpectedFiles() {
  std::vector<std::string> files{"Tallivo.exe", "Uninstall.exe"};
  const fs::path bin = Widen(ExecutableDir());
  if (fs::exists(bin / "Tallivo.chm")) files.push_back("Tallivo.chm");
  for (const std::string& help : FilesIn(bin / "help")) files.push_back("help\\" + help);
  std::sort(files.begin(), files.end());
  return files;
}

// The setups are there: the tree found makensis.
void RequireSetups() {
  const char* unavailable = std::getenv("TALLIVO_SETUP_UNAVAILABLE");
  ASSERT_TRUE(unavailable == nullptr || *unavailable == '\0') << "no setup programs: " << unavailable;
  for (const char* version : {kReleased, kNext})
    ASSERT_TRUE(fs::exists(SetupOf(version))) << Narrow(SetupOf(version).wstring()) << " was not built";
}

// Under Wine, a shortcut made in the prefix is copied into the desktop's
// menus outside it by winemenubuilder; disabled while the tests install.
// Elsewhere the key means nothing.
ScopedRegistryValue KeepShortcutsInThePrefix() {
  return ScopedRegistryValue::String(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides",
                                     L"winemenubuilder.exe", L"");
}

// Removes what a failed test may have left: the uninstall entries are the
// installations' own uninstallers, run as an administrator would.
void UninstallAll() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const std::optional<std::wstring> quiet = RegString(root, kUninstallKey, L"QuietUninstallString");
    const std::optional<std::wstring> folder = RegString(root, kUninstallKey, L"InstallLocation");
    if (!quiet) continue;
    if (std::optional<Started> run = StartCommandLine(*quiet)) WaitExit(run->process.Get(), kSetupTimeout);
    WaitUntil([&] { return !RegString(root, kUninstallKey, L"DisplayName"); }, kSetupTimeout);
    if (folder) {
      for (DWORD id : ProcessesOf(fs::path(*folder) / "Tallivo.exe")) EndByExitMessage(id);
      WaitUntil([&] { return !fs::exists(*folder); }, kSetupTimeout);
    }
  }
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(RequireSetups());
    ASSERT_TRUE(no_host_menus_.Set());
    UninstallAll();
    before_ = PrefixState();
  }
  void TearDown() override {
    for (DWORD id : ProcessesOf(per_user_dir_ / "Tallivo.exe")) EndByExitMessage(id);
    UninstallAll();
    // Everything the test did is undone, whatever it checked.
    std::vector<std::string> after;
    EXPECT_TRUE(WaitUntil([&] { return (after = PrefixState()) == before_; }, kSetupTimeout))
        << "left behind:" << Difference(before_, after);
  }

  const fs::path per_user_dir_ = ShellFolder(CSIDL_LOCAL_APPDATA) / "Programs" / "Tallivo";
  std::vector<std::string> before_;
  const ScopedRegistryValue no_host_menus_ = KeepShortcutsInThePrefix();
};

TEST_F(Installer, SilentInstallForOneUserPutsEverythingInPlaceAndTheShortcutStartsIt) {
  ASSERT_EQ(RunSetup(SetupOf(kReleased), L"/S"), std::optional<DWORD>(0));
  EXPECT_EQ(FilesIn(per_user_dir_), ExpectedFiles());
  EXPECT_TRUE(ReadFileBytes(per_user_dir_ / "Tallivo.exe") ==
              ReadFileBytes(Widen(ExecutableDir() + "signed\\Tallivo.exe")))
      << "the installed program is not the one packed";

  const std::wstring dir = per_user_dir_.wstring();
  const struct {
    const wchar_t* name;
    std::wstring value;
  } strings[] = {
      {L"DisplayName", L"Tallivo"},
      {L"DisplayVersion", Widen(kReleased)},
      {L"Publisher", L"Brismoor Ltd."},
      {L"DisplayIcon", dir + L"\\Tallivo.exe,0"},
      {L"InstallLocation", dir},
      {L"UninstallString", L"\"" + dir + L"\\Uninstall.exe\""},
      {L"QuietUninstallString", L"\"" + dir + L"\\Uninstall.exe\" /S"},
  };
  for (const auto& s : strings) {
    SCOPED_TRACE(Narrow(s.name));
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUninstallKey, s.name), std::optional<std::wstring>(s.value));
  }
  for (const wchar_t* name : {L"NoModify", L"NoRepair"})
    EXPECT_EQ(RegDword(HKEY_CURRENT_USER, kUninstallKey, name), std::optional<DWORD>(1)) << Narrow(name);
  // In KB: the program alone is larger than 100 KB.
  const std::optional<DWORD> size = RegDword(HKEY_CURRENT_USER, kUninstallKey, L"EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_GT(*size, 100u);
  EXPECT_FALSE(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName")) << "installed for everyone";
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRunKey, L"Tallivo"),
            std::optional<std::wstring>(L"\"" + dir + L"\\Tallivo.exe\" -i"));

  // A user opens the start menu's shortcut.
  const fs::path shortcut = ShellFolder(CSIDL_PROGRAMS) / "Tallivo.lnk";
  ASSERT_TRUE(fs::exists(shortcut)) << Narrow(shortcut.wstring());
  SHELLEXECUTEINFOW open{};
  open.cbSize = sizeof(open);
  open.fMask = SEE_MASK_NOASYNC;
  open.lpFile = shortcut.c_str();
  open.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExW(&open)) << GetLastError();
  std::vector<DWORD> running;
  ASSERT_TRUE(WaitUntil([&] { return (running = ProcessesOf(per_user_dir_ / "Tallivo.exe")).size() == 1; }))
      << "the shortcut did not start the installed program";
  HWND main = WaitForWindow({"TFmMain", "Tallivo", running[0], true});
  ASSERT_NE(main, nullptr) << "no main window shown";
  UniqueKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, running[0]));
  ASSERT_TRUE(BringToForeground(main));
  ASSERT_TRUE(PressKeys("Ctrl+X"));  // File > Terminate
  EXPECT_EQ(WaitExit(process.Get(), kDefaultTimeout), std::optional<DWORD>(0));
}

TEST_F(Installer, TheStartUpEntryStartsItInTheTray) {
  ASSERT_EQ(RunSetup(SetupOf(kReleased), L"/S"), std::optional<DWORD>(0));
  const std::optional<std::wstring> entry = RegString(HKEY_CURRENT_USER, kRunKey, L"Tallivo");
  ASSERT_TRUE(entry) << "no start-up entry";
  // Started as Windows starts the entries: the value is the command line.
  std::optional<Started> run = StartCommandLine(*entry);
  ASSERT_TRUE(run) << Narrow(*entry);
  HWND main = WaitForWindow({"TFmMain", "Tallivo", run->id, false});
  ASSERT_NE(main, nullptr) << "no main window";
  // Read once the process has set itself up.
  UniqueKernelHandle query(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, run->id));
  EXPECT_EQ(ArgumentsOf(query.Get()), std::optional<std::vector<std::string>>({"-i"}));
  EXPECT_EQ(ProcessesOf(per_user_dir_ / "Tallivo.exe"), std::vector<DWORD>{run->id});
  // Drawn once, then only the tray icon is left.
  ASSERT_TRUE(WaitForInputProcessed(main));
  EXPECT_TRUE(WaitHidden(main)) << Describe(main);
  ASSERT_TRUE(WaitForInputProcessed(main));
  EXPECT_FALSE(IsVisible(main));
  EXPECT_EQ(EndByExitMessage(run->id), std::optional<DWORD>(0));
}

TEST_F(Installer, InstallingOverARunningCopyEndsItAndStartsTheNewVersion) {
  ASSERT_EQ(RunSetup(SetupOf(kReleased), L"/S"), std::optional<DWORD>(0));
  const fs::path program = per_user_dir_ / "Tallivo.exe";
  std::string error;
  std::optional<Process> old = Process::Start(Narrow(program.wstring()), {}, &error);
  ASSERT_TRUE(old) << error;
  ASSERT_NE(WaitForWindow({"TFmMain", "Tallivo", old->Id(), true}), nullptr) << "no main window";

  ASSERT_EQ(RunSetup(SetupOf(kNext), L"/S"), std::optional<DWORD>(0));
  // Ended the way its Terminate command ends it.
  EXPECT_EQ(old->WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(FileVersionOf(program), kNext);
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"),
            std::optional<std::wstring>(Widen(kNext)));
  std::vector<DWORD> running;
  ASSERT_TRUE(WaitUntil([&] { return (running = ProcessesOf(program)).size() == 1; }))
      << "the new version was not started; " << running.size() << " running";
  EXPECT_NE(running[0], old->Id());
  EXPECT_NE(WaitForWindow({"TFmMain", "Tallivo", running[0], true}), nullptr)
      << "the new one shows no window";
  EXPECT_EQ(EndByExitMessage(running[0]), std::optional<DWORD>(0));
}

// Each way of installing, undone by the uninstall string of the
// installed-programs list; the fixture compares the prefix with before.
TEST_F(Installer, UninstallingRemovesEverythingItInstalled) {
  const fs::path chosen = ShellFolder(CSIDL_LOCAL_APPDATA) / "Tallivo test folder" / "my calc";
  const struct {
    const char* name;
    std::wstring arguments;
    HKEY root;
    fs::path folder;
    bool startup;
  } cases[] = {
      {"for the user", L"/S", HKEY_CURRENT_USER, per_user_dir_, true},
      {"in a chosen folder, without start-up", L"/S /NOSTARTUP /D=" + chosen.wstring(), HKEY_CURRENT_USER,
       chosen, false},
      {"for everyone", L"/S /ALLUSERS", HKEY_LOCAL_MACHINE, ShellFolder(CSIDL_PROGRAM_FILES) / "Tallivo",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> before = PrefixState();
    ASSERT_EQ(RunSetup(SetupOf(kReleased), c.arguments), std::optional<DWORD>(0));
    EXPECT_TRUE(fs::exists(c.folder / "Tallivo.exe"));
    EXPECT_EQ(RegString(c.root, kUninstallKey, L"InstallLocation"),
              std::optional<std::wstring>(c.folder.wstring()));
    EXPECT_EQ(RegString(c.root, kRunKey, L"Tallivo").has_value(), c.startup);
    const int programs = c.root == HKEY_CURRENT_USER ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS;
    EXPECT_TRUE(fs::exists(ShellFolder(programs) / "Tallivo.lnk"));

    const std::optional<std::wstring> quiet = RegString(c.root, kUninstallKey, L"QuietUninstallString");
    ASSERT_TRUE(quiet);
    std::optional<Started> run = StartCommandLine(*quiet);
    ASSERT_TRUE(run) << Narrow(*quiet);
    EXPECT_EQ(WaitExit(run->process.Get(), kSetupTimeout), std::optional<DWORD>(0));
    // The uninstaller hands over to a copy of itself, which removes the folder
    // last. Listed only then: a listing holds each folder open for a moment,
    // and a folder held open cannot be removed.
    ASSERT_TRUE(WaitUntil([&] { return !fs::exists(c.folder); }, kSetupTimeout))
        << "the folder stays; left behind:" << Difference(before, PrefixState());
    std::vector<std::string> after;
    EXPECT_TRUE(WaitUntil([&] { return (after = PrefixState()) == before; }, kSetupTimeout))
        << "left behind:" << Difference(before, after);
  }
  std::error_code ignored;
  fs::remove(chosen.parent_path(), ignored);
}

// Taken by tools/shoot-installer: each page of the setup and the uninstaller.
TEST_F(Installer, DISABLED_TakesPicturesOfThePages) {
  const char* folder = std::getenv("TALLIVO_PICTURE_DIR");
  ASSERT_NE(folder, nullptr) << "TALLIVO_PICTURE_DIR names the folder for the pictures";
  const fs::path out = Widen(folder);
  std::optional<Started> setup = StartCommandLine(L"\"" + SetupOf(kReleased).wstring() + L"\"");
  ASSERT_TRUE(setup);
  // Next on each page; the last one installs, then the finish page. A page
  // is ready for its picture once its own control shows.
  const struct {
    const char* picture;
    const char* control_class;
    const char* control_text;  // empty: any
    const char* button;
  } pages[] = {{"installer-welcome.png", "Static", "Welcome to Tallivo Setup", "Next >"},
               {"installer-options.png", "SysTreeView32", "", "Next >"},
               {"installer-folder.png", "Edit", "", "Install"},
               {"installer-finish.png", "Button", "Start Tallivo now", "Finish"}};
  for (const auto& page : pages) {
    SCOPED_TRACE(page.picture);
    HWND window = nullptr;
    HWND control = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
          window = FindTopLevel({"#32770", "", setup->id, true});
          if (!window) return false;
          for (HWND child : ChildWindows(window)) {
            if (IsVisible(child) && _stricmp(ClassName(child).c_str(), page.control_class) == 0 &&
                (*page.control_text == '\0' || WindowText(child) == page.control_text)) {
              control = child;
            }
          }
          HWND button = FindButton(window, page.button);
          return control && button && IsWindowEnabled(button);
        },
        kSetupTimeout))
        << "no page with " << page.control_class << " " << page.control_text;
    ASSERT_TRUE(BringToForeground(window));
    ASSERT_TRUE(WaitForInputProcessed(control));
    ASSERT_TRUE(WaitForInputProcessed(window));
    ASSERT_TRUE(SaveScreenshot(Narrow((out / page.picture).wstring()), window));
    if (std::string(page.button) == "Finish") {
      // Shown ticked; left unticked so that Tallivo does not start.
      HWND run = FindButton(window, "Start Tallivo now");
      ASSERT_NE(run, nullptr);
      if (SendMessageW(run, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        ASSERT_TRUE(Click(run));
      }
      ASSERT_TRUE(WaitUntil([&] { return SendMessageW(run, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
    }
    ASSERT_TRUE(PressDialogButton(window, page.button));
  }
  EXPECT_EQ(WaitExit(setup->process.Get(), kSetupTimeout), std::optional<DWORD>(0));
}

// The installed program finds the next version's setup published, downloads
// it and hands it to the finisher, which runs it in the program's folder.
class InstallerUpdate : public UpdateTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(RequireSetups());
    ASSERT_TRUE(no_host_menus_.Set());
    UninstallAll();
    ASSERT_NO_FATAL_FAILURE(UpdateTest::SetUp());
  }
  void TearDown() override {
    UpdateTest::TearDown();
    // The folder is gone with the fixture's; its entries go here.
    RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Tallivo");
    std::error_code ignored;
    fs::remove(ShellFolder(CSIDL_PROGRAMS) / "Tallivo.lnk", ignored);
  }

  const ScopedRegistryValue no_host_menus_ = KeepShortcutsInThePrefix();
};

TEST_F(InstallerUpdate, TheDownloadedSetupUpgradesTheInstalledProgram) {
  // Installed where the fixture's folder is, whose name has a space.
  ASSERT_EQ(RunSetup(SetupOf(kReleased), L"/S /D=" + install_dir_.wstring()), std::optional<DWORD>(0));
  ASSERT_EQ(FileVersionOf(installed_), kReleased);
  const std::optional<std::wstring> startup = RegString(HKEY_CURRENT_USER, kRunKey, L"Tallivo");
  ASSERT_TRUE(startup);
  const fs::path signed_dir = fs::path(Widen(std::getenv("TALLIVO_SERVER_ROOT"))) / "signed" / "setup";
  const std::string setup_name = std::string("Tallivo-Setup-") + kNext + ".exe";
  for (const std::string& name : {std::string("Tallivo.inf"), setup_name}) {
    std::error_code error;
    fs::copy_file(signed_dir / name, published_ / name, fs::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << "the setup case was not published: " << Narrow((signed_dir / name).wstring());
  }
  const std::optional<std::string> info = ReadFileBytes(published_ / "Tallivo.inf");
  ASSERT_TRUE(info && info->find("#method=1") != std::string::npos) << "not the external-setup method";

  ASSERT_NO_FATAL_FAILURE(ReportOnline(true));
  ASSERT_NO_FATAL_FAILURE(StartInstalled());
  DWORD new_id = 0;
  ASSERT_NO_FATAL_FAILURE(AcceptUpdate(new_id));
  ASSERT_NE(WaitForWindow({"TFmMain", "Tallivo", new_id, false}, kUpdateTimeout), nullptr);
  EXPECT_EQ(FileVersionOf(installed_), kNext);
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"),
            std::optional<std::wstring>(Widen(kNext)));
  // The user's choices stay as they were.
  EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRunKey, L"Tallivo"), startup);
  EXPECT_TRUE(fs::exists(ShellFolder(CSIDL_PROGRAMS) / "Tallivo.lnk"));
  // The finisher deletes the setup once it has ended; nothing else is left.
  std::vector<std::string> files;
  EXPECT_TRUE(WaitUntil([&] { return (files = FilesIn(install_dir_)) == ExpectedFiles(); })) << Situation();
  EXPECT_EQ(ProcessesOf(installed_), std::vector<DWORD>{new_id});
}

}  // namespace
}  // namespace tallivo::test
