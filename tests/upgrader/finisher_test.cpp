// The real UpdFinish.exe on a folder whose name has a space and a "+", with a
// stand-in for the program (finisher_standin.exe) that records how it was
// started. The finisher's 120-second limit is not waited for here.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

#include "tests/driver/driver_win.h"

namespace tallivo::test {
namespace {

std::wstring Bin(const wchar_t* name) {
  return Widen(ExecutableDir()) + name;
}

std::string ReadAll(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  const bool ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return ok ? bytes.substr(0, read) : "<unreadable>";
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE &&
                  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return ok && written == bytes.size();
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// How the stand-in was started, one a start:
// "<path>|<current folder>|<attributes>|<UPDFINISH_FILES set or unset>|<command line>".
std::vector<std::vector<std::wstring>> Starts(const std::wstring& folder) {
  const std::string bytes = ReadAll(folder + L"started.txt");
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  std::vector<std::vector<std::wstring>> starts;
  for (std::size_t begin = 0, end; (end = text.find(L'\n', begin)) != std::wstring::npos; begin = end + 1) {
    starts.emplace_back();
    for (std::size_t from = begin, bar; starts.back().size() < 5; from = bar + 1) {
      bar = starts.back().size() < 4 ? text.find(L'|', from) : end;
      starts.back().push_back(text.substr(from, bar - from));
    }
  }
  return starts;
}

// A fresh folder in the temporary folder, emptied and removed afterwards.
struct TempFolder {
  TempFolder() {
    static int count = 0;
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    path = temp + L"fin test+" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count) +
           L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((path + L"*").c_str(), &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
      SetFileAttributesW((path + found.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW((path + found.cFileName).c_str());
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    RemoveDirectoryW(path.c_str());
  }
  std::wstring path;  // with a trailing backslash
};

// No replacement of the program here, and no file that cannot be replaced: a
// finisher that did not wait would have nothing to retry, and would replace
// everything before it could be seen idle.
TEST(UpdateFinisher, WaitsForTheProgramToCloseThenReplacesFilesAndRestartsIt) {
  const TempFolder folder;
  const std::wstring& dir = folder.path;
  const std::wstring program = dir + L"Tallivo.exe";
  ASSERT_TRUE(WriteAll(program, ReadAll(Bin(L"finisher_standin.exe"))));
  const struct {
    std::wstring name;
    DWORD attributes;  // of the old file; 0: none yet
  } files[] = {{L"README.TXT", FILE_ATTRIBUTE_READONLY},
               {L"HIDDEN.TXT", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
               {L"SETUP.EXE", FILE_ATTRIBUTE_NORMAL},  // upper case: not the program
               {L"added.txt", 0}};
  for (const auto& f : files) {
    if (f.attributes != 0) {
      ASSERT_TRUE(WriteAll(dir + f.name, "old"));
      ASSERT_TRUE(SetFileAttributesW((dir + f.name).c_str(), f.attributes));
    }
    ASSERT_TRUE(WriteAll(dir + f.name + L".uTMP", "new"));
  }
  const std::wstring event_name = L"TallivoFinisherTest-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
  auto running = Process::Start(Narrow(program), {"/hold:" + Narrow(event_name)});
  ASSERT_TRUE(running);
  ASSERT_TRUE(WaitUntil([&] { return Starts(dir).size() == 1; }));

  auto finisher = Process::Start(Narrow(Bin(L"UpdFinish.exe")), {Narrow(program), "+/afterupgrade0"});
  ASSERT_TRUE(finisher);
  // Idle: it has reached its waiting loop, having found the program's file in use.
  ASSERT_TRUE(finisher->WaitForInputIdle());
  EXPECT_TRUE(finisher->IsRunning());
  for (const auto& f : files) {
    SCOPED_TRACE(Narrow(f.name));
    EXPECT_EQ(ReadAll(dir + f.name), f.attributes != 0 ? "old" : "<missing>");
  }

  SetEvent(release);
  EXPECT_EQ(running->WaitForExit(), 0u);
  EXPECT_EQ(finisher->WaitForExit(), 0u);
  CloseHandle(release);
  for (const auto& f : files) {
    SCOPED_TRACE(Narrow(f.name));
    EXPECT_EQ(ReadAll(dir + f.name), "new");
    EXPECT_FALSE(Exists(dir + f.name + L".uTMP"));
    EXPECT_EQ(GetFileAttributesW((dir + f.name).c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  }
  ASSERT_TRUE(WaitUntil([&] { return Starts(dir).size() == 2; })) << "the program was not restarted";
  const std::vector<std::wstring> restart = Starts(dir)[1];
  EXPECT_EQ(restart[0], program);
  EXPECT_EQ(restart[1] + L"\\", dir);
  EXPECT_EQ(restart[4], L"\"" + program + L"\" /afterupgrade");
}

// A finisher ended while it waits (shut down, killed) has changed nothing:
// the program is whole and starts, and the download stays for a later try.
TEST(UpdateFinisher, KilledWhileWaitingItLeavesTheProgramAsItWas) {
  const TempFolder folder;
  const std::wstring& dir = folder.path;
  const std::wstring program = dir + L"Tallivo.exe";
  const std::string old_program = ReadAll(Bin(L"finisher_standin.exe"));
  ASSERT_TRUE(WriteAll(program, old_program));
  ASSERT_TRUE(WriteAll(dir + L"Tallivo.exe.uTMP", old_program + "the new version"));
  const std::wstring event_name = L"TallivoFinisherKill-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
  auto running = Process::Start(Narrow(program), {"/hold:" + Narrow(event_name)});
  ASSERT_TRUE(running);
  ASSERT_TRUE(WaitUntil([&] { return Starts(dir).size() == 1; }));
  auto finisher = Process::Start(Narrow(Bin(L"UpdFinish.exe")), {Narrow(program), "+/afterupgrade0"});
  ASSERT_TRUE(finisher);
  ASSERT_TRUE(finisher->WaitForInputIdle());
  ASSERT_TRUE(finisher->Terminate());
  SetEvent(release);
  EXPECT_EQ(running->WaitForExit(), 0u);
  CloseHandle(release);
  EXPECT_TRUE(ReadAll(program) == old_program);
  EXPECT_TRUE(Exists(dir + L"Tallivo.exe.uTMP"));
  auto again = Process::Start(Narrow(program));
  ASSERT_TRUE(again);
  EXPECT_TRUE(WaitUntil([&] { return Starts(dir).size() == 2; })) << "the old program does not start";
  EXPECT_EQ(again->WaitForExit(), 0u);
}

// The program named by its short path; its new version downloaded under another name.
TEST(UpdateFinisher, ReplacesTheProgramButNotAFileInUse) {
  const TempFolder folder;
  const std::wstring& dir = folder.path;
  const std::wstring program = dir + L"Tallivo Program.exe";
  const std::string new_program = ReadAll(Bin(L"finisher_standin.exe")) + "the new version";
  ASSERT_TRUE(WriteAll(program, ReadAll(Bin(L"finisher_standin.exe"))));
  ASSERT_TRUE(WriteAll(dir + L"new.exe.uTMP", new_program));
  ASSERT_TRUE(WriteAll(dir + L"locked.dat", "old"));
  ASSERT_TRUE(WriteAll(dir + L"locked.dat.uTMP", "new"));
  std::wstring short_program(program.size() + 1, L'\0');
  short_program.resize(GetShortPathNameW(program.c_str(), short_program.data(), program.size() + 1));
  ASSERT_FALSE(short_program.empty());
  ASSERT_NE(short_program, program);
  // Held without FILE_SHARE_DELETE, as another program might: it cannot be replaced now.
  const HANDLE locked = CreateFileW((dir + L"locked.dat").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);

  auto finisher = Process::Start(Narrow(Bin(L"UpdFinish.exe")), {Narrow(short_program), "+/afterupgrade0"});
  ASSERT_TRUE(finisher);
  EXPECT_EQ(finisher->WaitForExit(), 0u);
  CloseHandle(locked);
  EXPECT_TRUE(ReadAll(program) == new_program) << "the program was not replaced";
  EXPECT_FALSE(Exists(dir + L"new.exe.uTMP"));
  EXPECT_FALSE(Exists(dir + L"new.exe"));
  EXPECT_EQ(ReadAll(dir + L"locked.dat"), "old");
  EXPECT_EQ(ReadAll(dir + L"locked.dat.uTMP"), "new");
  ASSERT_TRUE(WaitUntil([&] { return Starts(dir).size() == 1; })) << "the program was not restarted";
  EXPECT_EQ(Starts(dir)[0][4], L"\"" + short_program + L"\" /afterupgrade");
}

TEST(UpdateFinisher, RunsTheSetupProgramToItsEndThenRestartsTheProgram) {
  const TempFolder folder;
  const std::wstring& dir = folder.path;
  const std::wstring program = dir + L"Tallivo.exe";
  const std::string stand_in = ReadAll(Bin(L"finisher_standin.exe"));
  ASSERT_TRUE(WriteAll(program, stand_in));
  ASSERT_TRUE(WriteAll(dir + L"README.TXT.uTMP", "new"));
  ASSERT_TRUE(WriteAll(dir + L"setup.exe.uTMP", stand_in));
  // As older programs start it: the program's path unquoted, spaces and all.
  std::vector<std::string> arguments;
  for (std::size_t from = 0, space; from <= program.size(); from = space + 1) {
    space = std::min(program.find(L' ', from), program.size());
    arguments.push_back(Narrow(program.substr(from, space - from)));
  }
  arguments.push_back("+/afterupgrade1");
  ASSERT_GT(arguments.size(), 2u);

  auto finisher = Process::Start(Narrow(Bin(L"UpdFinish.exe")), arguments);
  ASSERT_TRUE(finisher);
  EXPECT_EQ(finisher->WaitForExit(), 0u);
  EXPECT_EQ(ReadAll(dir + L"README.TXT"), "new");
  EXPECT_FALSE(Exists(dir + L"setup.exe")) << "the setup program was not deleted";
  EXPECT_FALSE(Exists(dir + L"setup.exe.uTMP"));
  ASSERT_TRUE(WaitUntil([&] { return Starts(dir).size() == 2; }));
  const auto starts = Starts(dir);
  EXPECT_EQ(starts[0][0], dir + L"setup.exe");
  EXPECT_EQ(starts[0][2], std::to_wstring(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(starts[0][4], L"\"" + dir + L"setup.exe\" /afterupgrade");
  EXPECT_EQ(starts[1][4], L"\"" + program + L"\" /afterupgrade");
  EXPECT_EQ(ReadAll(program), stand_in);
}

// Digests of fixed contents, as `printf 'abc' | sha256sum` gives them.
constexpr wchar_t kAbcSha256[] = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr wchar_t kEmptySha256[] = L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr wchar_t kMillionASha256[] = L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

// UPDFINISH_FILES for the processes started while it lives.
struct ChecksVariable {
  explicit ChecksVariable(const std::wstring& value) {
    SetEnvironmentVariableW(L"UPDFINISH_FILES", value.c_str());
  }
  ~ChecksVariable() { SetEnvironmentVariableW(L"UPDFINISH_FILES", nullptr); }
};

std::size_t CountPending(const std::wstring& dir) {
  std::size_t count = 0;
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((dir + L"*.uTMP").c_str(), &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) ++count;
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  return count;
}

// Runs the finisher on `dir`'s Tallivo.exe (the stand-in, not running) to its end.
void Finish(const std::wstring& dir, const std::string& params = "+/afterupgrade0") {
  auto finisher = Process::Start(Narrow(Bin(L"UpdFinish.exe")), {Narrow(dir + L"Tallivo.exe"), params});
  ASSERT_TRUE(finisher);
  EXPECT_EQ(finisher->WaitForExit(), 0u);
}

// Then the program is started once more, as after any self-upgrade, and without the checks.
void ExpectRestartedWithoutChecks(const std::wstring& dir) {
  ASSERT_TRUE(WaitUntil([&] { return Starts(dir).size() == 1; })) << "the program was not restarted";
  const std::vector<std::wstring> start = Starts(dir)[0];
  EXPECT_EQ(start[0], dir + L"Tallivo.exe");
  EXPECT_EQ(start[3], L"unset");
  EXPECT_EQ(start[4], L"\"" + dir + L"Tallivo.exe\" /afterupgrade");
}

TEST(UpdateFinisher, WithChecksMovesFilesThatAllMatch) {
  const TempFolder folder;
  const std::wstring& dir = folder.path;
  ASSERT_TRUE(WriteAll(dir + L"Tallivo.exe", ReadAll(Bin(L"finisher_standin.exe"))));
  const struct {
    std::wstring name;
    std::string content;
  } files[] = {{L"read me.txt", "abc"}, {L"DATA.BIN", std::string(1000000, 'a')}, {L"empty", ""}};
  for (const auto& f : files) ASSERT_TRUE(WriteAll(dir + f.name + L".uTMP", f.content));
  ASSERT_TRUE(WriteAll(dir + L"read me.txt", "old"));
  ASSERT_TRUE(SetFileAttributesW((dir + L"read me.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  std::wstring upper_abc = kAbcSha256;
  for (wchar_t& c : upper_abc) c = static_cast<wchar_t>(towupper(c));
  {
    const ChecksVariable checks(L"3 " + upper_abc + L" READ ME.TXT\n1000000 " + kMillionASha256 +
                                L" data.bin\n0 " + kEmptySha256 + L" empty\n");
    Finish(dir);
  }
  for (const auto& f : files) {
    SCOPED_TRACE(Narrow(f.name));
    EXPECT_TRUE(ReadAll(dir + f.name) == f.content);
    EXPECT_EQ(GetFileAttributesW((dir + f.name).c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  }
  EXPECT_EQ(CountPending(dir), 0u);
  ExpectRestartedWithoutChecks(dir);
}

TEST(UpdateFinisher, WithChecksOneFailingFileMovesNoneAndDeletesAll) {
  const std::wstring listed = std::wstring(L"3 ") + kAbcSha256 + L" a.txt\n";
  const struct {
    const char* what;
    std::string content;  // of a.txt.uTMP
    std::wstring extra;   // another downloaded file, not listed
    std::wstring checks;
    const char* params;
    bool held;  // a.txt.uTMP open for writing meanwhile
  } cases[] = {
      {"wrong digest", "abd", L"", listed, "+/afterupgrade0", false},
      {"wrong size", "abc", L"", std::wstring(L"4 ") + kAbcSha256 + L" a.txt\n", "+/afterupgrade0", false},
      {"unlisted file", "abc", L"evil.dll", listed, "+/afterupgrade0", false},
      {"unlisted setup", "abc", L"setup.exe", listed, "+/afterupgrade1", false},
      {"nothing listed", "abc", L"", L"", "+/afterupgrade0", false},
      {"file being written", "abc", L"", listed, "+/afterupgrade0", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TempFolder folder;
    const std::wstring& dir = folder.path;
    ASSERT_TRUE(WriteAll(dir + L"Tallivo.exe", ReadAll(Bin(L"finisher_standin.exe"))));
    ASSERT_TRUE(WriteAll(dir + L"a.txt", "old"));
    ASSERT_TRUE(WriteAll(dir + L"a.txt.uTMP", c.content));
    if (!c.extra.empty()) {
      ASSERT_TRUE(WriteAll(dir + c.extra + L".uTMP", ReadAll(Bin(L"finisher_standin.exe"))));
    }
    HANDLE writer = INVALID_HANDLE_VALUE;
    if (c.held) {
      writer = CreateFileW((dir + L"a.txt.uTMP").c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
      ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    }
    {
      const ChecksVariable checks(c.checks);
      Finish(dir, c.params);
    }
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_EQ(ReadAll(dir + L"a.txt"), "old");
    EXPECT_TRUE(c.extra.empty() || !Exists(dir + c.extra)) << "moved";
    EXPECT_EQ(CountPending(dir), 0u) << "not deleted";
    ExpectRestartedWithoutChecks(dir);
  }
}

TEST(UpdateFinisher, WithoutArgumentsSaysWhatItIs) {
  auto finisher = Process::Start(Narrow(Bin(L"UpdFinish.exe")));
  ASSERT_TRUE(finisher);
  const HWND box = WaitForWindow({"#32770", "Update finisher v1.0", finisher->Id()});
  ASSERT_NE(box, nullptr);
  bool explained = false;
  for (HWND child : ChildWindows(box)) {
    explained |= WindowText(child).starts_with("Self-upgrading mechanism for the updater component.\n");
  }
  EXPECT_TRUE(explained);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(finisher->WaitForExit(), 0u);
}

}  // namespace
}  // namespace tallivo::test
