// The updater in process against the local test server (tests/server): each
// outcome of a check with the message it shows, the silent automatic check,
// and downloads with lost files, log-ins, unchanged files, a folder that
// refuses them and a wizard closed before the end. Dialogs are answered with
// real keys from another thread while this one runs the program's loop.
// Downloads land beside this program as .uTMP files, as they would beside
// Tallivo.exe; no case hands over to the finisher.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/upgrader/updater_fixture.h"
#include "ui/form_text.h"

namespace tallivo {
namespace {

TEST_F(UpdaterTest, EachOutcomeOfACheckSaysWhatHappened) {
  Publish("outcome", {{"old.inf", Info("1.0.4.5", {Http("/file/outcome/a.txt")})},
                      {"new.inf", Info("1.0.5.0", {Http("/file/outcome/a.txt")})}});
  const struct {
    const char* info;
    std::vector<Step> script;
    const char* shows;  // part of what the window shows
    const char* last;
  } cases[] = {
      {"/file/outcome/old.inf",
       {{kBox, kCaption, {"Enter"}}},
       "Newer version not found. You actually are\rusing most recent version of this program.",
       "no update"},
      {"/file/outcome/none.inf",
       {{kBox, kCaption, {"Enter"}}},
       "File which contains upgrade information was not found on developer's site.",
       "no info file"},
      // Port 1 on this machine has no listener.
      {"http://127.0.0.1:1/Tallivo.inf",
       {{kBox, kCaption, {"Enter"}}},
       "Host http://127.0.0.1 unreachable.\r\rPlease check your Internet connection",
       "unreachable"},
      {"https://127.0.0.1:1/Tallivo.inf",
       {{kBox, kCaption, {"Enter"}}},
       "Host https://127.0.0.1 unreachable.",
       "unreachable"},
      {"/file/outcome/new.inf",
       {{"TupUpdaterUpgradeMessageForm", kCaption, {"Escape"}}},
       "A newer version of Tallivo was released.\n\nRounding fixed.\n\n",
       "later"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.info);
    events_.clear();
    shown_.clear();
    TupUpdaterShowMessages shows = kDefaultShowMessages;
    shows.Include(M::mNoUpdateAvailable).Include(M::mNoInfoFile).Include(M::mHostUnreachable);
    updater_->SetShowMessages(shows);
    updater_->SetInfoFileURL(c.info[0] == '/' ? Http(c.info) : c.info);
    Run([&] { updater_->CheckForUpgrade(); }, c.last, c.script);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find(c.shows), std::string::npos) << shown_[0];
    EXPECT_EQ(events_, std::vector<std::string>{c.last});
  }
}

// An automatic check says nothing of a missing update or an unreachable
// host; the unreachable one is tried again after the delay.
TEST_F(UpdaterTest, AnAutomaticCheckIsSilentAndRetriesAnUnreachableHost) {
  const auto online =
      drv::ScopedRegistryValue(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\RemoteAccess",
                               L"Remote Connection", REG_BINARY, {1, 0, 0, 0});
  ASSERT_TRUE(online.Set());
  Publish("automatic", {{"old.inf", Info("1.0.4.5", {Http("/file/automatic/a.txt")})}});
  const struct {
    std::string info;
    std::vector<std::string> events;
  } cases[] = {
      {Http("/file/automatic/old.inf"), {"no update"}},
      {"http://127.0.0.1:1/Tallivo.inf", {"unreachable", "unreachable"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.info);
    events_.clear();
    TupUpdater updater(nullptr);
    updater.SetVersionControl(TupVersionControl::byNumber);
    updater.SetVersionNumber("1.0.4.5");
    TupUpdaterShowMessages all = kDefaultShowMessages;
    all.Include(M::mNoUpdateAvailable).Include(M::mHostUnreachable);
    updater.SetShowMessages(all);
    updater.SetInfoFileURL(c.info);
    updater.OnNoUpdateAvailable = [this](TupUpdater*) { Note("no update"); };
    updater.OnHostUnreachable = [this](TupUpdater*, const std::string&, const std::string&) {
      Note("unreachable");
    };
    updater.SetAutoCheckDelay(100);
    bool boxSeen = false;
    Run([&] { updater.SetAutoCheck(true); }, c.events.back(), {});
    // Another round of the loop until the events are all there, looking out for a box.
    const ULONGLONG deadline = GetTickCount64() + 30000;
    const UINT_PTR tick = SetTimer(nullptr, 0, 20, nullptr);
    ui::Application().RunModalLoop([&] {
      boxSeen = boxSeen || drv::FindTopLevel({kBox, "", GetCurrentProcessId(), true});
      return events_.size() >= c.events.size() || GetTickCount64() > deadline;
    });
    KillTimer(nullptr, tick);
    EXPECT_EQ(std::vector<std::string>(events_.begin(),
                                       events_.begin() + std::min(events_.size(), c.events.size())),
              c.events);
    EXPECT_FALSE(boxSeen);
  }
}

TEST_F(UpdaterTest, DownloadsTheListedFilesBesideTheProgram) {
  Publish("dl", {{"a.txt", std::string(3000, 'a')}, {"b.txt", std::string(2000, 'b')}, {"c.txt", "c"}});
  const std::string fileA = Http("/file/dl/a.txt"), fileB = Http("/file/dl/b.txt"),
                    fileC = Http("/file/dl/c.txt");
  const std::string lost = Http("/status/404");
  const std::string guarded = Http("/auth/anna/s3cret/file/dl/b.txt");
  const struct {
    const char* name;
    std::vector<std::string> files;
    std::vector<Step> script;
    std::vector<std::string> events;
    std::vector<std::string> left;  // .uTMP files beside the program afterwards
    bool onlyIfSizeDiffers = false;
  } cases[] = {
      {"all",
       {fileA, fileC},
       {},
       {"done a.txt.uTMP", "done c.txt.uTMP", "end"},
       {"a.txt.uTMP", "c.txt.uTMP"}},
      {"lost file skipped",
       {fileA, lost, fileC},
       {{kBox, "Error #404", {"Y"}}},
       {"done a.txt.uTMP", "done c.txt.uTMP", "end"},
       {"a.txt.uTMP", "c.txt.uTMP"}},
      {"lost file ends it",
       {fileA, lost, fileC},
       {{kBox, "Error #404", {"N"}}},
       {"done a.txt.uTMP", "aborted"},
       {}},
      {"log-in, wrong then right",
       {guarded},
       {{"TupUpdaterPasswordForm", "Enter password", {"Tab", "X", "Enter"}},
        {"TupUpdaterPasswordForm", "Enter password", {"Tab", "S", "3", "C", "R", "E", "T", "Enter"}}},
       {"done b.txt.uTMP", "end"},
       {"b.txt.uTMP"}},
      {"log-in refused",
       {guarded},
       {{"TupUpdaterPasswordForm", "Enter password", {"Escape"}}},
       {"aborted"},
       {}},
      // b.txt beside the program already has the published size.
      {"unchanged file skipped", {fileA, fileB}, {}, {"done a.txt.uTMP", "end"}, {"a.txt.uTMP"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    events_.clear();
    shown_.clear();
    fs::remove(Beside("b.txt"));
    if (c.onlyIfSizeDiffers) std::ofstream(Beside("b.txt"), std::ios::binary) << std::string(2000, 'x');
    updater_->SetMiscFilesUpgrade(c.onlyIfSizeDiffers ? TupMiscFilesUpgradeBehavior::mfuOnlyIfSizeDifferent
                                                      : TupMiscFilesUpgradeBehavior::mfuAlwaysDownload);
    updater_->SetHTTPUsername("anna");
    updater_->SetHTTPPassword("");
    std::string info = Info("1.0.5.0", c.files);
    Publish("dl", {{std::string(c.name) + ".inf", info}});
    updater_->SetInfoFileURL(Http("/file/dl/" + std::string(c.name) + ".inf"));
    TupUpdaterShowMessages shows = kDefaultShowMessages;
    shows.Exclude(M::mAskUpgrade);
    updater_->SetShowMessages(shows);
    Run([&] { updater_->CheckForUpgrade(); }, c.events.back(), c.script);
    EXPECT_EQ(events_, c.events);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Beside(""))) {
      if (entry.path().extension() == L".uTMP") left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.left);
    if (!c.left.empty()) {
      EXPECT_EQ(fs::file_size(Beside(c.left.front())), c.left.front()[0] == 'a' ? 3000u : 2000u);
    }
    for (const std::string& name : left) fs::remove(Beside(name));
  }
  fs::remove(Beside("b.txt"));
  EXPECT_EQ(shown_.size(), 0u) << "the last case shows nothing";
}

// A folder that refuses the download is named as the reason; nothing of the
// download is left behind.
TEST_F(UpdaterTest, AFolderThatCannotBeWrittenToIsToldAsSuch) {
  Publish("ro", {{"a.txt", "new"}, {"b.txt", "new"}});
  Publish("ro", {{"ro.inf", Info("1.0.5.0", {Http("/file/ro/a.txt"), Http("/file/ro/b.txt")})}});
  // Where b.txt.uTMP would go stands a folder: the system refuses the file.
  fs::create_directory(Beside("b.txt.uTMP"));
  updater_->SetInfoFileURL(Http("/file/ro/ro.inf"));
  TupUpdaterShowMessages shows = kDefaultShowMessages;
  shows.Exclude(M::mAskUpgrade);
  updater_->SetShowMessages(shows);
  Run([&] { updater_->CheckForUpgrade(); }, "aborted", {{kBox, kCaption, {"Enter"}}});
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_NE(shown_[0].find("The update cannot be installed because the folder " + drv::ExecutableDir() +
                           " cannot be written to."),
            std::string::npos)
      << shown_[0];
  EXPECT_FALSE(fs::exists(Beside("a.txt.uTMP")));
}

// A finisher that cannot be written out or started would leave the user with
// no program at all once this one closed: it stays, says why, and keeps the
// download for a later hand-over.
TEST_F(UpdaterTest, AFinisherThatCannotRunLeavesTheProgramRunning) {
  Publish("fin", {{"a.txt", "new"}, {"fin.inf", Info("1.0.5.0", {Http("/file/fin/a.txt")})}});
  TupUpdaterShowMessages shows = kDefaultShowMessages;
  updater_->SetShowMessages(shows.Exclude(M::mAskUpgrade));
  updater_->SetInfoFileURL(Http("/file/fin/fin.inf"));
  Run([&] { updater_->CheckForUpgrade(); }, "end", {});
  ASSERT_TRUE(fs::exists(Beside("a.txt.uTMP")));
  bool closed = false;
  updater_->OnDoOwnCloseAppMethod = [&](TupUpdater*) { closed = true; };
  const fs::path room = Beside("finisher room");
  std::wstring temp(MAX_PATH, L'\0');
  temp.resize(GetEnvironmentVariableW(L"TMP", temp.data(), MAX_PATH));
  const struct {
    const char* name;
    bool blocked;
  } cases[] = {
      {"a folder stands where the finisher would go", true},
      {"this test program carries no finisher to write out", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(room);
    fs::create_directories(c.blocked ? room / "UpdFinish.exe" : room);
    SetEnvironmentVariableW(L"TMP", room.c_str());
    shown_.clear();
    events_.clear();
    Run(
        [&] {
          updater_->RestartApplication(std::string());
          Note("returned");
        },
        "returned", {{kBox, kCaption, {"Enter"}}});
    SetEnvironmentVariableW(L"TMP", temp.empty() ? nullptr : temp.c_str());
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find("The update cannot be installed because the folder " + drv::ExecutableDir() +
                             "finisher room\\ cannot be written to."),
              std::string::npos)
        << shown_[0];
    EXPECT_FALSE(closed);
    EXPECT_EQ(fs::exists(room / "UpdFinish.exe"), c.blocked) << "an unusable finisher is not left behind";
    EXPECT_TRUE(fs::exists(Beside("a.txt.uTMP")));
  }
  fs::remove_all(room);
}

// Over HTTPS the check and the download go through when the certificate
// checks out; a certificate error ends the check unless the settings say to
// overlook that kind of error.
TEST_F(UpdaterTest, HttpsIsTrustedOnlyWithAGoodCertificate) {
  Publish("tls", {{"a.txt", "over tls"}});
  const auto https = [](const char* portVariable) {
    return "https://localhost:" + Env(portVariable) + "/file/tls/";
  };
  const struct {
    const char* port;
    TupInternetOptions options;
    std::vector<std::string> events;
  } cases[] = {
      {"TALLIVO_HTTPS_PORT", kDefaultInternetOptions, {"done a.txt.uTMP", "end"}},
      {"TALLIVO_HTTPS_UNTRUSTED_PORT", kDefaultInternetOptions, {"unreachable"}},
      {"TALLIVO_HTTPS_UNTRUSTED_PORT", {TupInternetOption::ioIgnoreCertificateInvalid}, {"unreachable"}},
      {"TALLIVO_HTTPS_WRONGHOST_PORT", kDefaultInternetOptions, {"unreachable"}},
      {"TALLIVO_HTTPS_WRONGHOST_PORT",
       {TupInternetOption::ioIgnoreCertificateInvalid},
       {"done a.txt.uTMP", "end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port +
                 std::string(c.options.Has(TupInternetOption::ioIgnoreCertificateInvalid) ? " ignored" : ""));
    ASSERT_FALSE(Env(c.port).empty()) << "no HTTPS test server";
    events_.clear();
    Publish("tls", {{"a.inf", Info("1.0.5.0", {https(c.port) + "a.txt"})}});
    updater_->SetInternetOptions(c.options);
    updater_->SetInfoFileURL(https(c.port) + "a.inf");
    TupUpdaterShowMessages shows = kDefaultShowMessages;
    updater_->SetShowMessages(shows.Exclude(M::mAskUpgrade));
    Run([&] { updater_->CheckForUpgrade(); }, c.events.back(), {});
    EXPECT_EQ(events_, c.events);
    EXPECT_EQ(fs::exists(Beside("a.txt.uTMP")), c.events.size() > 1);
    fs::remove(Beside("a.txt.uTMP"));
  }
}

// Closing the finished wizard with its close box and confirming gives the
// upgrade up; its OK goes on to the end.
TEST_F(UpdaterTest, TheFinishedWizardEndsOrAbortsTheUpgrade) {
  Publish("wiz", {{"a.txt", "new"}, {"wiz.inf", Info("1.0.5.0", {Http("/file/wiz/a.txt")})}});
  const struct {
    std::vector<Step> script;
    std::vector<std::string> events;
    bool left;
  } cases[] = {
      {{{"TupUpdaterWizardForm", kCaption, {"Enter"}, "FinishBtn"}}, {"done a.txt.uTMP", "end"}, true},
      {{{"TupUpdaterWizardForm", kCaption, {"Alt+F4"}, "FinishBtn"}, {kBox, "Tallivo", {"Y"}}},
       {"done a.txt.uTMP", "aborted"},
       false},
  };
  for (const auto& c : cases) {
    events_.clear();
    shown_.clear();
    updater_->WizardSettings()->SetEnabled(true);
    updater_->WizardSettings()->SetStayOnTop(false);
    updater_->SetInfoFileURL(Http("/file/wiz/wiz.inf"));
    TupUpdaterShowMessages shows = kDefaultShowMessages;
    shows.Exclude(M::mAskUpgrade);
    updater_->SetShowMessages(shows);
    Run([&] { updater_->CheckForUpgrade(); }, c.events.back(), c.script);
    EXPECT_EQ(events_, c.events);
    EXPECT_EQ(fs::exists(Beside("a.txt.uTMP")), c.left);
    EXPECT_EQ(UpgradeWizard(), nullptr);
    fs::remove(Beside("a.txt.uTMP"));
  }
}

// The redirect method downloads nothing: it opens the first listed address
// in the browser (a recorder registered for web addresses here).
TEST_F(UpdaterTest, TheRedirectMethodOpensTheFirstAddressInTheBrowser) {
  const fs::path record = Beside("opened-by-updater.txt");
  fs::remove(record);
  const std::wstring recorder =
      drv::BuildCommandLine(drv::ExecutableDir() + "url_recorder.exe", {drv::Narrow(record.wstring())}) +
      L" \"%1\"";
  const auto http =
      drv::ScopedRegistryValue::String(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"", recorder);
  const auto html =
      drv::ScopedRegistryValue::String(HKEY_CLASSES_ROOT, L".html", L"", L"TallivoTest.Missing");
  ASSERT_TRUE(http.Set() && html.Set());
  const std::string landing = "http://www.kelvor.example/tallivo/new.html";
  Publish("redirect",
          {{"r.inf", Info("1.0.5.0", {landing, Http("/file/redirect/r.inf")}) + "#method=2\r\n"}});
  updater_->SetInfoFileURL(Http("/file/redirect/r.inf"));
  TupUpdaterShowMessages shows = kDefaultShowMessages;
  shows.Exclude(M::mAskUpgrade);
  updater_->SetShowMessages(shows);
  updater_->CheckForUpgrade();
  const UINT_PTR tick = SetTimer(nullptr, 0, 50, nullptr);
  const ULONGLONG deadline = GetTickCount64() + 60000;
  ui::Application().RunModalLoop([&] { return fs::exists(record) || GetTickCount64() > deadline; });
  KillTimer(nullptr, tick);
  std::string recorded;
  EXPECT_TRUE(drv::WaitUntil([&] {
    std::ifstream in(record, std::ios::binary);
    recorded.assign(std::istreambuf_iterator<char>(in), {});
    return !recorded.empty();
  }));
  EXPECT_EQ(recorded, landing + "\n");
  EXPECT_TRUE(events_.empty()) << "neither the end nor a later upgrade";
  fs::remove(record);
}

// What a stored form holds of the updater: the settings that differ from
// their defaults, the date and its auto-set flag always, and a restart
// argument that is never empty.
TEST(UpdaterSettings, AreStoredByTheirRules) {
  ui::RegisterComponentClass(TupUpdater::StaticClass());
  ui::TComponent form(nullptr);
  form.SetName("FmMain");
  auto* updater = new TupUpdater(&form);
  updater->SetName("AutoUpd");
  updater->SetVersionDate("12/27/2007");
  EXPECT_EQ(ui::WriteForm(ui::SaveForm(form)),
            "object FmMain: TComponent\n  object AutoUpd: TupUpdater\n    VersionDate = \"12/27/2007\"\n"
            "    VersionDateAutoSet = True\n  end\nend\n");
  updater->SetRestartParams("");
  EXPECT_EQ(updater->RestartParams(), " ");
  updater->SetThreadPriority(TThreadPriority::tpLower);
  updater->SetInternetOptions({TupInternetOption::ioNoCookies});
  updater->Proxy().SetAccessType(TupHTTPAccessType::atDirect);
  TupUpdaterShowMessages shows;
  shows.Include(M::mAskUpgrade);
  updater->SetShowMessages(shows);
  const std::string text = ui::WriteForm(ui::SaveForm(form));
  for (const char* line : {"    Proxy.AccessType = atDirect\n", "    InternetOptions = [ioNoCookies]\n",
                           "    ThreadPriority = tpLower\n", "    RestartParams = \" \"\n",
                           "    ShowMessages = [mAskUpgrade]\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  }
  // Read back into a fresh form, every setting survives.
  ui::TComponent copy(nullptr);
  copy.SetName("FmMain");
  ui::LoadFormText(copy, text);
  EXPECT_EQ(ui::WriteForm(ui::SaveForm(copy)), text);
}

}  // namespace
}  // namespace tallivo
