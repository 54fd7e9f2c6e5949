// The released Tallivo, installed in a folder of its own, updating itself from
// the update server as a user sees it: the check on its own or from the menu,
// the prompt, the download wizard, and the program started again from its
// replaced file.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/internet_handle_win.h"
#include "tests/e2e/tallivo_fixture.h"
#include "tests/e2e/update_fixture.h"
#include "ui/control_win.h"

namespace tallivo::test {
namespace {

namespace fs = std::filesystem;

// What the build gave the released program and the one it publishes.
constexpr char kReleased[] = TALLIVO_TEST_RELEASED_VERSION;
constexpr char kNext[] = TALLIVO_TEST_NEXT_VERSION;
constexpr char kCaption[] = "Application update wizard";
constexpr char kNothingNewer[] =
    "Newer version not found. You actually are\rusing most recent version of this program.";

std::string InfoFile(const std::string& version) {
  return "Tallivo, published for the update tests\r\n#version=" + version +
         "\r\n#method=0\r\n#message={Faster start.}\r\n#url=" + kPublishedProgramURL + "\r\n";
}

HWND Child(HWND window, const char* name) {
  return FindChildById(window, ui::ControlIdFromName(name));
}

// The released program keeps its version; the published one is one up.
TEST(UpdatePrograms, EachCarriesTheVersionItWasBuiltWith) {
  const struct {
    std::string program;
    const char* version;
  } cases[] = {{"Tallivo.exe", kReleased}, {"next\\Tallivo.exe", kNext}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    const fs::path program = Widen(ExecutableDir() + c.program);
    EXPECT_EQ(FileVersionOf(program), c.version);
    EXPECT_EQ(FileVersionTextOf(program), c.version);
  }
}

using SelfUpdate = UpdateTest;

// The harness itself: the program's address reaches the test server through
// the proxy setting, as the program's own WinInet requests will.
TEST_F(SelfUpdate, ServerAnswersAtTheProgramsAddress) {
  const std::string published = InfoFile(kNext);
  ASSERT_NO_FATAL_FAILURE(PublishInfoFile(published));
  UniqueInternetHandle session(
      InternetOpenW(L"update test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  ASSERT_TRUE(session) << GetLastError();
  UniqueInternetHandle request(InternetOpenUrlW(session.Get(), Widen(kPublishedInfoURL).c_str(), nullptr, 0,
                                                INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  ASSERT_TRUE(request) << "error " << GetLastError();
  std::string body;
  char buffer[4096];
  DWORD read = 0;
  while (InternetReadFile(request.Get(), buffer, sizeof(buffer), &read) && read > 0)
    body.append(buffer, read);
  EXPECT_EQ(body, published);
}

TEST_F(SelfUpdate, AcceptedUpdateReplacesTheProgramAndStartsItAgain) {
  ASSERT_NO_FATAL_FAILURE(InstallSigned());
  ASSERT_EQ(FileVersionOf(installed_), kReleased);
  ASSERT_NO_FATAL_FAILURE(PublishSignedNextProgram());
  ASSERT_NO_FATAL_FAILURE(ReportOnline(true));
  ASSERT_NO_FATAL_FAILURE(StartInstalled());
  const DWORD old_id = process_->Id();

  // Nobody asks for it: the check comes ten seconds after the start.
  HWND prompt = WaitForWindow({"TupUpdaterUpgradeMessageForm", "", old_id, true}, kUpdateTimeout);
  ASSERT_NE(prompt, nullptr) << "no prompt";
  EXPECT_EQ(WindowText(Child(prompt, "Label1")),
            "A newer version of Tallivo was released.\n\nFaster start.\n\nDo you want to update your version "
            "with the latest one?");
  DWORD new_id = 0;
  ASSERT_NO_FATAL_FAILURE(AcceptUpdate(new_id));
  UniqueKernelHandle restarted(OpenProcess(
      PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE | PROCESS_TERMINATE, FALSE, new_id));
  ASSERT_TRUE(restarted);
  EXPECT_EQ(ArgumentsOf(restarted.Get()), std::optional<std::vector<std::string>>({"/afterupgrade"}));
  ASSERT_NE(WaitForWindow({"TFmMain", "Tallivo", new_id, false}, kUpdateTimeout), nullptr)
      << "the new program has no main window";

  EXPECT_EQ(FileVersionOf(installed_), kNext);
  const auto published = ReadFileBytes(published_ / "Tallivo.exe");
  ASSERT_TRUE(published);
  EXPECT_TRUE(ReadFileBytes(installed_) == published) << "the installed file is not the published one";
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(install_dir_)) {
    if (entry.path().extension() == L".uTMP") left.push_back(Narrow(entry.path().filename().wstring()));
  }
  EXPECT_EQ(left, std::vector<std::string>{});
  EXPECT_EQ(ProcessesOf(installed_), std::vector<DWORD>{new_id});
  // The new program removes the finisher as it starts.
  EXPECT_TRUE(WaitUntil([&] { return !fs::exists(temp_dir_ / "UpdFinish.exe"); }))
      << Narrow((temp_dir_ / "UpdFinish.exe").wstring()) << " is still there";
}

// A program changed on the server after the maker signed it: the user is told,
// nothing is handed over and the program runs on as it was.
TEST_F(SelfUpdate, AChangedProgramIsRefusedAndNothingIsLeftBehind) {
  ASSERT_NO_FATAL_FAILURE(InstallSigned());
  const auto released = ReadFileBytes(installed_);
  ASSERT_NO_FATAL_FAILURE(PublishSignedNextProgram());
  {
    std::fstream program(published_ / "Tallivo.exe", std::ios::binary | std::ios::in | std::ios::out);
    program.seekp(4096);
    program.put('\xCC');
  }
  ASSERT_NO_FATAL_FAILURE(ReportOnline(true));
  ASSERT_NO_FATAL_FAILURE(StartInstalled());
  HWND prompt = WaitForWindow({"TupUpdaterUpgradeMessageForm", "", process_->Id(), true}, kUpdateTimeout);
  ASSERT_NE(prompt, nullptr) << "no prompt";
  ASSERT_TRUE(BringToForeground(prompt));
  ASSERT_TRUE(PressKeys("Enter"));
  HWND shown = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (shown = QuestionOrMessage()) != nullptr && ClassName(shown) == "#32770"; },
                kUpdateTimeout))
      << "no message; " << Situation();
  EXPECT_EQ(
      DialogText(shown),
      "The update could not be verified, so it was not installed.\r\rIts files may have been changed on the "
      "way or on the server. Try again later.");
  CloseMessageBox(shown);
  ASSERT_TRUE(WaitGone(shown));
  EXPECT_TRUE(process_->IsRunning());
  EXPECT_TRUE(ReadFileBytes(installed_) == released) << "the installed program changed";
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(install_dir_))
    files.push_back(Narrow(entry.path().filename().wstring()));
  EXPECT_EQ(files, std::vector<std::string>{"Tallivo.exe"});
  EXPECT_FALSE(fs::exists(temp_dir_ / "UpdFinish.exe"));
}

TEST_F(SelfUpdate, CheckFromTheMenuComparesTheFourNumbers) {
  ASSERT_NO_FATAL_FAILURE(PublishInfoFile(InfoFile(kReleased)));
  // Offline, so no check of its own gets in the way of the menu's.
  ASSERT_NO_FATAL_FAILURE(ReportOnline(false));
  ASSERT_NO_FATAL_FAILURE(StartInstalled());
  ASSERT_TRUE(WaitVisible(main_));
  const struct {
    const char* published;
    bool newer;
  } cases[] = {
      {"1.0.4.5", false},    {"1.0.4.05", false}, {"1.0.4", false},   {"1.0.3.99", false},
      {"0.10.10.10", false}, {"1.0.4.6", true},   {"1.0.10.0", true}, {"2", true},
  };
  ASSERT_EQ(std::string(kReleased), "1.0.4.5") << "the cases are written for 1.0.4.5";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.published);
    ASSERT_NO_FATAL_FAILURE(PublishInfoFile(InfoFile(c.published)));
    const int requests = InfoFileRequests();
    ASSERT_TRUE(BringToForeground(main_));
    ASSERT_TRUE(PressKeys("Alt+F"));
    ASSERT_NE(WaitForWindow({"#32768", "", process_->Id(), true}), nullptr) << "no File menu";
    ASSERT_TRUE(PressKeys("U"));
    // Each check fetches the file anew, whatever was fetched before.
    EXPECT_TRUE(WaitUntil([&] { return InfoFileRequests() == requests + 1; }, kUpdateTimeout))
        << InfoFileRequests() - requests << " requests";
    HWND shown = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (shown = QuestionOrMessage()) != nullptr; }, kUpdateTimeout))
        << "neither a prompt nor a message";
    if (c.newer) {
      ASSERT_EQ(ClassName(shown), "TupUpdaterUpgradeMessageForm");
      ASSERT_TRUE(BringToForeground(shown));
      ASSERT_TRUE(PressKeys("Escape"));  // Later
    } else {
      ASSERT_EQ(ClassName(shown), "#32770");
      EXPECT_EQ(WindowText(shown), kCaption);
      EXPECT_EQ(DialogText(shown), kNothingNewer);
      CloseMessageBox(shown);
    }
    ASSERT_TRUE(WaitGone(shown));
    EXPECT_EQ(QuestionOrMessage(), nullptr) << Describe(QuestionOrMessage());
  }
  EXPECT_EQ(ProcessesOf(installed_), std::vector<DWORD>{process_->Id()});
}

TEST_F(SelfUpdate, CheckOfItsOwnSaysNothingWhenNothingIsNewer) {
  ASSERT_NO_FATAL_FAILURE(PublishInfoFile(InfoFile(kReleased)));
  ASSERT_NO_FATAL_FAILURE(ReportOnline(true));
  const int requests = InfoFileRequests();
  ASSERT_NO_FATAL_FAILURE(StartInstalled());
  ASSERT_TRUE(WaitUntil([&] { return InfoFileRequests() > requests; }, kUpdateTimeout))
      << "the program did not check";
  // Nothing to wait for but the absence of a window: the program has had the
  // answer since the server logged it, and shows any message within moments.
  EXPECT_FALSE(WaitUntil([&] { return QuestionOrMessage() != nullptr; }, Timeout(15000)))
      << Describe(QuestionOrMessage());
  EXPECT_TRUE(process_->IsRunning());
}

}  // namespace
}  // namespace tallivo::test
