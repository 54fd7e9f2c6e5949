// The updater in a program that carries the tests' keys, against what the
// maker's tool published (publish-signed-cases): only what the maker signed,
// unexpired and newer, is downloaded, and a file that differs from its
// signed size or digest, on arrival or at the hand-over, is refused with
// nothing left behind and no finisher started.
#include <string>
#include <vector>

#include "tests/upgrader/updater_fixture.h"
#include "upgrader/finisher/finisher.h"

namespace tallivo {
namespace {

constexpr const char* kNotVerified = "The update could not be verified, so it was not installed.";
constexpr const char* kNothingNewer = "Newer version not found.";
constexpr const char* kPrompt = "TupUpdaterUpgradeMessageForm";

std::string Case(const std::string& name) {
  return Http("/file/signed/" + name + "/Tallivo.inf");
}

std::string Published(const std::string& name) {
  std::ifstream in(fs::path(drv::Widen(Env("TALLIVO_SERVER_ROOT"))) / "signed" / name / "a.bin",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool AnyPendingFile() {
  for (const auto& entry : fs::directory_iterator(Beside("")))
    if (entry.path().extension() == L".uTMP") return true;
  return false;
}

class SignedUpdaterTest : public UpdaterTest {
 protected:
  void SetUp() override {
    UpdaterTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(fs::exists(fs::path(drv::Widen(Env("TALLIVO_SERVER_ROOT"))) / "signed" / "valid"))
        << "the signed cases are not published (publish-signed-cases)";
    TupUpdaterShowMessages shows = kDefaultShowMessages;
    updater_->SetShowMessages(shows.Include(M::mNoUpdateAvailable));
  }
};

TEST_F(SignedUpdaterTest, OnlyWhatTheMakerSignedIsDownloaded) {
  const Step prompt{kPrompt, kCaption, {"Enter"}};
  const Step box{kBox, kCaption, {"Enter"}};
  const struct {
    const char* name;
    std::vector<Step> script;
    const char* shows;  // in the last window; nullptr: the download goes through
    std::vector<std::string> events;
  } cases[] = {
      {"valid", {prompt}, nullptr, {"done a.bin.uTMP", "end"}},
      {"rotated", {prompt}, nullptr, {"done a.bin.uTMP", "end"}},
      {"unknown", {box}, kNotVerified, {"aborted"}},
      {"stripped", {box}, kNotVerified, {"aborted"}},
      {"expired", {box}, kNotVerified, {"aborted"}},
      {"expired-same", {box}, kNothingNewer, {"no update"}},
      {"older", {box}, kNothingNewer, {"no update"}},
      {"same", {box}, kNothingNewer, {"no update"}},
      {"tampered", {prompt, box}, kNotVerified, {"aborted"}},
      {"larger", {prompt, box}, kNotVerified, {"aborted"}},
      {"endless", {prompt, box}, kNotVerified, {"aborted"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    events_.clear();
    shown_.clear();
    updater_->SetInfoFileURL(Case(c.name));
    Run([&] { updater_->CheckForUpgrade(); }, c.events.back(), c.script);
    EXPECT_EQ(events_, c.events);
    ASSERT_EQ(shown_.size(), c.script.size());
    if (c.shows) {
      EXPECT_NE(shown_.back().find(c.shows), std::string::npos) << shown_.back();
      EXPECT_FALSE(AnyPendingFile());
    } else {
      std::ifstream in(Beside("a.bin.uTMP"), std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Published(c.name));
      in.close();
      fs::remove(Beside("a.bin.uTMP"));
    }
  }
}

TEST_F(SignedUpdaterTest, AFileChangedBeforeTheHandOverIsRefused) {
  bool closed = false;
  updater_->OnDoOwnCloseAppMethod = [&](TupUpdater*) { closed = true; };
  updater_->SetInfoFileURL(Case("valid"));
  Run([&] { updater_->CheckForUpgrade(); }, "end", {{kPrompt, kCaption, {"Enter"}}});
  ASSERT_TRUE(fs::exists(Beside("a.bin.uTMP")));
  // Someone with write access to the program's folder swaps the file while
  // the wizard waits for the user's OK.
  std::string swapped = Published("valid");
  swapped[0] = static_cast<char>(swapped[0] ^ 1);
  std::ofstream(Beside("a.bin.uTMP"), std::ios::binary | std::ios::trunc) << swapped;
  std::error_code ignored;
  fs::remove(drv::Widen(TupUpdater::FinisherPath()), ignored);
  shown_.clear();
  Run([&] { updater_->RestartApplication(std::string()); }, "aborted", {{kBox, kCaption, {"Enter"}}});
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_NE(shown_[0].find(kNotVerified), std::string::npos) << shown_[0];
  EXPECT_FALSE(closed);
  EXPECT_FALSE(AnyPendingFile());
  EXPECT_FALSE(fs::exists(drv::Widen(TupUpdater::FinisherPath())));
  EXPECT_EQ(GetEnvironmentVariableW(finisher::kChecksVariable, nullptr, 0), 0u);
}

}  // namespace
}  // namespace tallivo
