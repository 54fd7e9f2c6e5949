// The Win32 utilities against the real system: the registry, files in a
// scratch folder, the test's own resources and its message queue.
#include <gtest/gtest.h>
// FSCTL_SET_SPARSE: not in <windows.h> when it is lean.
#include <windows.h>
#include <winioctl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "base/handles_win.h"
#include "net/date_time.h"
#include "net/file_utils_win.h"
#include "net/internet_utils_win.h"
#include "tests/driver/driver_win.h"
#include "ui/application_win.h"
#include "ui/thread_call_win.h"

namespace tallivo {
namespace {

namespace fs = std::filesystem;
using test::ScopedRegistryValue;

// A fresh folder for one test, removed with everything in it afterwards.
class ScratchFolder {
 public:
  ScratchFolder()
      : path_(fs::temp_directory_path() / ("tallivo-utils-" + std::to_string(GetCurrentProcessId()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(path_, ignored);
  }
  // A file of `size` bytes in the folder, by its UTF-8 path.
  std::string File(const std::string& name, std::size_t size) const {
    std::ofstream(path_ / name, std::ios::binary) << std::string(size, 'x');
    return Path(name);
  }
  std::string Path(const std::string& name) const { return test::Narrow((path_ / name).wstring()); }

 private:
  fs::path path_;
};

TEST(InternetUtils, OnlyTheLastAddressOfTheHostCounts) {
  const std::vector<std::pair<std::vector<std::string>, bool>> cases = {
      {{}, false},
      {{"127.0.0.1"}, false},
      {{""}, false},
      {{"192.168.1.20", "127.0.0.1"}, false},
      {{"127.0.0.1", "192.168.1.20"}, true},
      {{"127.0.0.2"}, true}};  // only "127.0.0.1" is loopback
  for (const auto& [addresses, online] : cases) {
    SCOPED_TRACE(::testing::PrintToString(addresses));
    EXPECT_EQ(HostOnlineFromAddresses(addresses), online);
  }
}

// The dial-up flag decides when it reads into 4 bytes; Winsock decides otherwise.
TEST(InternetUtils, TheRemoteConnectionFlagIsItsFirstByte) {
  struct Case {
    DWORD type;
    std::vector<BYTE> data;
    std::optional<bool> connected;  // nullopt: whatever IsHostOnline says
  };
  const std::vector<Case> cases = {
      {REG_DWORD, {1, 0, 0, 0}, true},  {REG_DWORD, {0, 0, 0, 0}, false},
      {REG_DWORD, {2, 0, 0, 0}, false}, {REG_DWORD, {0, 1, 0, 0}, false},
      {REG_BINARY, {1}, true},          {REG_BINARY, {1, 0, 0, 0, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.data));
    const ScopedRegistryValue value(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\RemoteAccess",
                                    L"Remote Connection", c.type, c.data);
    if (!value.Set()) GTEST_SKIP() << "HKEY_LOCAL_MACHINE cannot be written here";
    EXPECT_EQ(IsConnectedToInternet(), c.connected.value_or(IsHostOnline()));
  }
}

// The program behind a file type registered while the case runs. Straight into
// HKEY_CLASSES_ROOT: Wine's does not show the user's own classes.
TEST(InternetUtils, TheAssociatedProgramComesFromTheOpenVerb) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::wstring, std::wstring>> values;  // key below the classes, default value
    std::string extension;
    std::string program;
  };
  const std::wstring type = L"TallivoTest.File";
  const std::pair<std::wstring, std::wstring> extension{L".tallivotest", type};
  const auto verb = [&](const wchar_t* name, const wchar_t* command) {
    return std::pair{type + L"\\shell\\" + name + L"\\command", std::wstring(command)};
  };
  const std::vector<Case> cases = {
      {"quoted path",
       {extension, verb(L"open", L"\"C:\\Some Dir\\prog.exe\" \"%1\"")},
       ".tallivotest",
       "C:\\Some Dir\\prog.exe"},
      {"a verb with open in its name before the first",
       {extension, verb(L"edit", L"edit.exe"), verb(L"ReOpen", L"reopen.exe %1")},
       ".tallivotest",
       "reopen.exe"},
      {"an open verb without a command ends the search",
       {extension, verb(L"edit", L"edit.exe"), {type + L"\\shell\\OpenNew", L"x"}},
       ".tallivotest",
       ""},
      {"no open verb: the first non-empty command",
       {extension, verb(L"amend", L""), verb(L"print", L"print.exe"), verb(L"view", L"view.exe")},
       ".tallivotest",
       "print.exe"},
      {"no file type", {{L".tallivotest", L""}}, ".tallivotest", ""},
      {"a file type without its key", {{L".tallivotest", L"TallivoTest.Missing"}}, ".tallivotest", ""},
      {"no extension", {}, "", ""},
      {"only a dot", {}, ".", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ScopedRegistryValue> values;
    values.reserve(c.values.size());
    for (const auto& [key, value] : c.values) {
      values.push_back(ScopedRegistryValue::String(HKEY_CLASSES_ROOT, key, L"", value));
      ASSERT_TRUE(values.back().Set());
    }
    EXPECT_EQ(GetAssociatedProgram(c.extension), c.program);
  }
}

// The shell opens web addresses with a recorder registered for "http" while
// the test runs; it writes its arguments to a file.
TEST(InternetUtils, OpenURLAddsTheSchemeAndFallsBackToTheShell) {
  const ScratchFolder folder;
  const std::string record = folder.Path("opened.txt");
  const ScopedRegistryValue http = ScopedRegistryValue::String(
      HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"",
      test::BuildCommandLine(test::ExecutableDir() + "url_recorder.exe", {record}) + L" \"%1\"");
  ASSERT_TRUE(http.Set());
  // No program for HTML files: the associated browser is not there to take it.
  const ScopedRegistryValue html =
      ScopedRegistryValue::String(HKEY_CLASSES_ROOT, L".html", L"", L"TallivoTest.Missing");
  ASSERT_TRUE(html.Set());
  const std::vector<std::tuple<std::string, bool, std::string>> cases = {
      {"www.kelvor.example/a", false, "http://www.kelvor.example/a"},
      {"http://www.kelvor.example/b?c=d", false, "http://www.kelvor.example/b?c=d"},
      {"www.kelvor.example/e", true, "http://www.kelvor.example/e"}};
  for (const auto& [url, associated, opened] : cases) {
    SCOPED_TRACE(url);
    OpenURL(url, associated);
    std::string recorded;
    // The file appears whole, but the rename that makes it appear may still hold it open.
    EXPECT_TRUE(test::WaitUntil(
        [&] {
          std::ifstream in(fs::u8path(record), std::ios::binary);
          if (!in) return false;
          recorded.assign(std::istreambuf_iterator<char>(in), {});
          return true;
        },
        std::chrono::milliseconds(60000)));
    EXPECT_EQ(recorded, opened + "\n");
    std::error_code ignored;
    fs::remove(fs::u8path(record), ignored);
  }
}

TEST(InternetUtils, TheLocalTimeBiasIsTheZonesBiasNowInDays) {
  TIME_ZONE_INFORMATION zone{};
  const DWORD which = GetTimeZoneInformation(&zone);
  ASSERT_NE(which, TIME_ZONE_ID_INVALID);
  const LONG extra = which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias;
  EXPECT_DOUBLE_EQ(LocalTimeBias(), (zone.Bias + extra) / 1440.0);
}

TEST(FileUtils, FileSizeOfIsTheSizeOrMinusOne) {
  const ScratchFolder folder;
  const std::string big = folder.Path("big");
  {
    // Past 32 bits, so the high part counts; sparse, so it takes no disk space.
    const UniqueFile file(
        CreateFileW(test::Widen(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD ignored = 0;
    DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = (std::int64_t{5} << 30) + 3;
    ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.Get()));
  }
  const std::vector<std::pair<std::string, std::int64_t>> cases = {{folder.Path("missing"), -1},
                                                                   {folder.File("empty", 0), 0},
                                                                   {folder.File("\xC3\xA9t\xC3\xA9", 7), 7},
                                                                   {big, (std::int64_t{5} << 30) + 3}};
  for (const auto& [path, size] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(FileSizeOf(path), size);
  }
}

std::uint64_t Ticks(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

std::uint64_t Ticks(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  const SYSTEMTIME fields{year, month, 0, day, hour, minute, second, 0};
  FILETIME time{};
  EXPECT_TRUE(SystemTimeToFileTime(&fields, &time));
  return Ticks(time);
}

double DateTime(int year, int month, int day, int hour, int minute, int second) {
  return *EncodeDate(year, month, day) + *EncodeTime(hour, minute, second, 0);
}

// Creation times cannot be set on every file system under Wine: the cases
// check the write and access times.
TEST(FileUtils, SetFileTimesLeavesATimeThatIsMinusOneOrOutOfRange) {
  const ScratchFolder folder;
  const std::uint64_t before = Ticks(2001, 2, 3, 4, 5, 6);
  struct Case {
    const char* name;
    double lastWrite, lastAccess;
    std::uint64_t expectedWrite, expectedAccess;
  };
  const std::vector<Case> cases = {
      {"both left", -1, -1, before, before},
      {"odd seconds round down", DateTime(2007, 12, 27, 13, 45, 31), -1, Ticks(2007, 12, 27, 13, 45, 30),
       before},
      {"first DOS day", -1, DateTime(1980, 1, 1, 0, 0, 0), before, Ticks(1980, 1, 1, 0, 0, 0)},
      {"before 1980", DateTime(1979, 12, 31, 23, 59, 58), DateTime(1899, 12, 30, 0, 0, 0), before, before},
      {"after 2107", DateTime(2108, 1, 1, 0, 0, 0), DateTime(2107, 12, 31, 23, 59, 59), before,
       Ticks(2107, 12, 31, 23, 59, 58)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File("times", 1);
    {
      const UniqueFile file(CreateFileW(test::Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
      FILETIME old{static_cast<DWORD>(before), static_cast<DWORD>(before >> 32)};
      ASSERT_TRUE(SetFileTime(file.Get(), nullptr, &old, &old));
    }
    ASSERT_TRUE(SetFileTimes(path, -1, c.lastWrite, c.lastAccess));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(test::Widen(path).c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(Ticks(data.ftLastWriteTime), c.expectedWrite);
    EXPECT_EQ(Ticks(data.ftLastAccessTime), c.expectedAccess);
  }
  EXPECT_FALSE(SetFileTimes(folder.Path("missing"), -1, -1, -1));
  const std::string locked = folder.File("locked", 1);
  const UniqueFile exclusive(
      CreateFileW(test::Widen(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(exclusive);
  EXPECT_FALSE(SetFileTimes(locked, -1, -1, -1)) << "a file that cannot be opened for writing";
}

TEST(FileUtils, TheTempDirectoryEndsInABackslashAndFallsBackToTheProgramsFolder) {
  const ScratchFolder folder;
  const std::string existing = folder.Path("temp");
  fs::create_directory(fs::u8path(existing));
  wchar_t saved[32767];
  const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, 32767);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {existing, existing + "\\"},
      {existing + "\\", existing + "\\"},
      {folder.Path("missing"), test::ExecutableDir()}};
  for (const auto& [tmp, expected] : cases) {
    SCOPED_TRACE(tmp);
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", test::Widen(tmp).c_str()));
    EXPECT_EQ(GetTempDirectory(), expected);
  }
  SetEnvironmentVariableW(L"TMP", savedLength ? saved : nullptr);
  EXPECT_TRUE(FolderExists(existing));
  EXPECT_FALSE(FolderExists(folder.File("file", 1)));
  EXPECT_FALSE(FolderExists(folder.Path("missing")));
}

TEST(FileUtils, ApplyFileAttributesSetsExactlyTheSet) {
  const ScratchFolder folder;
  const std::string path = folder.File("attributes", 1);
  using enum TupFileAttribute;
  // The attributes Wine keeps on every file system; read-only alone must also go again.
  const std::vector<std::pair<TupFileAttributes, DWORD>> cases = {
      {{atrReadOnly}, FILE_ATTRIBUTE_READONLY},
      {{}, 0},
      {{atrArchive, atrReadOnly}, FILE_ATTRIBUTE_READONLY},
      {{}, 0}};
  for (const auto& [set, expected] : cases) {
    SCOPED_TRACE(set.Bits());
    EXPECT_TRUE(ApplyFileAttributes(path, set));
    EXPECT_EQ(GetFileAttributesW(test::Widen(path).c_str()) & FILE_ATTRIBUTE_READONLY, expected);
  }
  EXPECT_FALSE(ApplyFileAttributes(folder.Path("missing"), {atrArchive}));
}

TEST(FileUtils, CopyResourceToStreamWritesTheWholeResource) {
  const HMODULE self = GetModuleHandleW(nullptr);
  const std::string expected("Tallivo\0finisher\x02\x01", 18);
  TupMemoryStream out;
  EXPECT_TRUE(CopyResourceToStream(self, "UPDFIN", "UPDFIN", &out));
  EXPECT_EQ(out.Data(), expected);
  TupMemoryStream unused;
  EXPECT_FALSE(CopyResourceToStream(self, "MISSING", "UPDFIN", &unused));
  EXPECT_FALSE(CopyResourceToStream(self, "UPDFIN", "OTHER", &unused));
  EXPECT_FALSE(CopyResourceToStream(self, "UPDFIN", "UPDFIN", nullptr));
  EXPECT_EQ(unused.Data(), "");
  // A stream that can take nothing, refusing or throwing.
  struct Full : TupMemoryStream {
    bool throws = false;
    bool Write(const void*, std::size_t) override {
      if (throws) throw std::runtime_error("disk full");
      return false;
    }
  };
  for (const bool throws : {false, true}) {
    Full broken;
    broken.throws = throws;
    EXPECT_FALSE(CopyResourceToStream(self, "UPDFIN", "UPDFIN", &broken)) << "a failed write";
  }
}

HANDLE* timedEvent = nullptr;
void CALLBACK SignalTimedEvent(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  SignalEvent(*timedEvent);
}

// The wait ends by the event set from a callback that only its own message
// handling can run, or by its limit; afterwards the variable says "no event".
TEST(EventUtils, WaitForEventPumpingEndsWhenACallbackSignalsIt) {
  ui::Application().Initialize();
  const ui::ThreadCallWindow calls(L"TallivoUtilsTestCalls", WM_APP + 11);
  for (const bool timed : {false, true}) {
    SCOPED_TRACE(timed ? "timer" : "posted call");
    HANDLE event = nullptr;
    bool wasSet = false;
    timedEvent = &event;
    if (timed) {
      ASSERT_NE(SetTimer(nullptr, 0, 1, SignalTimedEvent), 0u);
    } else {
      ASSERT_TRUE(calls.Post([&] {
        SignalEvent(event);
        wasSet = WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
      }));
    }
    const auto start = std::chrono::steady_clock::now();
    WaitForEventPumping(event, 60000, false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30))
        << "ended by its time limit";
    EXPECT_EQ(event, INVALID_HANDLE_VALUE);
    EXPECT_EQ(wasSet, !timed);
    for (HANDLE none : {event, HANDLE{}}) {
      SetLastError(ERROR_SUCCESS);
      SignalEvent(none);
      EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS}) << "no call was made";
    }
  }
  timedEvent = nullptr;
  // Nothing signals: the messages are handled and the limit ends the wait.
  HANDLE event = nullptr;
  int ran = 0;
  ASSERT_TRUE(calls.Post([&] { ++ran; }));
  WaitForEventPumping(event, 50, false);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(event, INVALID_HANDLE_VALUE);
}

// Terminating is for good: it runs in a child process of this test program.
TEST(EventUtils, DISABLED_CloseApplicationEndsAWaitThatStopsWhenTerminating) {
  ui::Application().Initialize();
  CloseApplication();
  ASSERT_TRUE(ui::Application().Terminated());
  HANDLE event = nullptr;
  WaitForEventPumping(event, 0, true);  // no time limit: only the termination ends it
  EXPECT_EQ(event, INVALID_HANDLE_VALUE);
}

TEST(EventUtils, CloseApplicationEndsAWaitThatStopsWhenTerminating) {
  std::string error;
  auto child = test::Process::Start(
      test::ExecutableDir() + "internet_utils_test.exe",
      {"--gtest_also_run_disabled_tests", "--gtest_filter=EventUtils.DISABLED_CloseApplication*"}, &error);
  ASSERT_TRUE(child) << error;
  EXPECT_EQ(child->WaitForExit(), DWORD{0});
}

}  // namespace
}  // namespace tallivo
