// The updater's three windows in this test program, which carries their
// stored forms and texts: what they say in two languages, how they answer
// keys, what closing the wizard does, and, in child processes at other
// DPIs, that no text in any language is cut off.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/driver_win.h"
#include "ui/application_win.h"
#include "upgrader/upgrade_windows_win.h"

namespace tallivo {
namespace {

namespace drv = test;
using L = TupUpdaterLanguage;

class FakeUpgrader final : public UpgradeWindowsHost {
 public:
  const TupUpdaterWizard& Wizard() const override { return wizard; }
  std::string URLFileName() const override { return "setup.exe"; }
  std::string HTTPUsername() const override { return user; }
  void SetHTTPUsername(std::string v) override { user = std::move(v); }
  void SetHTTPPassword(std::string v) override { password = std::move(v); }
  HANDLE& CompletionEvent() override { return event; }
  void AbortUpgrade() override { ++aborts; }

  TupUpdaterWizard wizard;
  std::string user;
  std::string password;
  HANDLE event = INVALID_HANDLE_VALUE;
  int aborts = 0;
};

template <typename F>
struct Freed {
  void operator()(F* form) const { ui::Free(form); }
};
template <typename F>
std::unique_ptr<F, Freed<F>> Make() {
  return std::unique_ptr<F, Freed<F>>(ui::TForm::Create<F>(nullptr));
}

HWND Control(const ui::TForm& form, const char* name) {
  return drv::FindChildById(form.Handle(), ui::ControlIdFromName(name));
}

std::string Text(const ui::TForm& form, const char* name) {
  return drv::WindowText(Control(form, name));
}

class UpgradeWindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application().Initialize();
    ui::Application().SetTitle("Tallivo");
    RegisterUpgradeWindowClasses();
  }
  void SetUp() override { SetLanguageBase(LanguageBaseOf(L::wlEnglish)); }

  // Runs `show` on this thread (it opens a modal window of class
  // `className`) while `act` drives that window from another thread.
  template <typename R>
  R WhileShown(const char* className, R (*show)(), const std::function<void(HWND)>& act) {
    std::thread actor([&] {
      HWND window = drv::WaitForWindow({className, "", GetCurrentProcessId(), true});
      if (!window) return;
      act(window);
      // A key that did not close it must not hang the test.
      if (!drv::WaitGone(window)) PostMessageW(window, WM_CLOSE, 0, 0);
    });
    const R result = show();
    actor.join();
    return result;
  }
};

// Clicks the title bar's close box of `window`, found where the window
// says it is.
void ClickCloseBox(HWND window) {
  const RECT r = drv::WindowRect(window);
  for (LONG y = r.top; y < r.top + 40; ++y) {
    for (LONG x = r.right - 1; x > r.right - 60; --x) {
      if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) != HTCLOSE) continue;
      POINT p{x, y};
      ScreenToClient(window, &p);
      ASSERT_TRUE(drv::Click(window, p));
      return;
    }
  }
  FAIL() << "no close box";
}

// Presses `keys` in `window` once it has the focus, one chord per entry;
// "CloseBox" clicks its close box.
void Press(HWND window, const std::vector<const char*>& keys) {
  ASSERT_TRUE(drv::BringToForeground(window));
  ASSERT_TRUE(drv::WaitForInputProcessed(window));
  for (const char* k : keys) {
    if (std::string_view(k) == "CloseBox") {
      ClickCloseBox(window);
    } else {
      ASSERT_TRUE(drv::PressKeys(k)) << k;
    }
  }
}

TEST_F(UpgradeWindowsTest, PromptSaysWhatIsNewInTheChosenLanguageAndGrowsWithIt) {
  const struct {
    L language;
    const char* message;
    const char* caption;
    const char* text;
    const char* yes;
    const char* later;
  } cases[] = {
      {L::wlEnglish, "Rounding fixed.", "Application update wizard",
       "A newer version of Tallivo was released.\n\nRounding fixed.\n\nDo you want to update your version "
       "with the "
       "latest one?",
       "&Yes", "&Later"},
      {L::wlEnglish, "", "Application update wizard",
       "A newer version of Tallivo was released.\n\nDo you want to update your version with the latest one?",
       "&Yes", "&Later"},
      {L::wlRussian, "Исправлено округление.", "Мастер обновления приложений",
       "Вышла новая версия Tallivo.\n\nИсправлено округление.\n\nОбновить вашу версию до последней?", "&Да",
       "&Позже"},
  };
  std::vector<int> heights;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    FakeUpgrader upgrader;
    upgrader.wizard.SetLanguage(c.language);
    const auto form = Make<TupUpdaterUpgradeMessageForm>();
    form->Prepare(c.message);
    EXPECT_EQ(drv::WindowText(form->Handle()), c.caption);
    EXPECT_EQ(Text(*form, "Label1"), c.text);
    EXPECT_EQ(Text(*form, "YesBtn"), c.yes);
    EXPECT_EQ(Text(*form, "LaterBtn"), c.later);
    EXPECT_TRUE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    // The label's last line sits above the buttons' panel, which stays at the bottom.
    RECT label = drv::WindowRect(Control(*form, "Label1"));
    RECT panel = drv::WindowRect(Control(*form, "BottomPanel"));
    RECT client = drv::ClientRectOnScreen(form->Handle());
    EXPECT_LE(label.bottom, panel.top);
    EXPECT_EQ(panel.bottom, client.bottom);
    EXPECT_EQ(panel.bottom - panel.top, form->Scale(45));
    EXPECT_LE(label.right, client.right);
    heights.push_back(client.bottom - client.top);
  }
  // The maker's note takes room of its own.
  EXPECT_GT(heights[0], heights[1]);
}

TEST_F(UpgradeWindowsTest, PromptAnswersYesOnlyToEnterOrYes) {
  const struct {
    std::vector<const char*> keys;
    bool yes;
  } cases[] = {
      {{"Enter"}, true},   {{"Alt+Y"}, true},  {{"Escape"}, false},
      {{"Alt+F4"}, false}, {{"Alt+L"}, false}, {{"Tab", "Enter"}, false},  // Enter presses the focused button
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys.back());
    const bool yes = WhileShown<bool>(
        "TupUpdaterUpgradeMessageForm", [] { return ShowUpgradeMessage("Rounding fixed."); },
        [&](HWND window) { Press(window, c.keys); });
    EXPECT_EQ(yes, c.yes);
  }
}

FakeUpgrader* passwordUpgrader = nullptr;

TEST_F(UpgradeWindowsTest, PasswordWindowStoresWhatIsTypedOnlyOnOk) {
  const char* const english =
      "Access to remote file \"setup.exe\" is password protected.\n\nPlease enter your username and password "
      "(received after registration) to continue software upgrade.";
  const char* const russian =
      "Доступ к удалённому файлу «setup.exe» защищён паролем.\n\nВведите имя пользователя и пароль "
      "(полученные "
      "после регистрации), чтобы продолжить обновление программы.";
  const struct {
    std::vector<const char*> keys;
    bool ok;
    const char* password;
    L language;
    const char* text;
  } cases[] = {
      {{"Tab", "S", "3", "Enter"}, true, "s3", L::wlEnglish, english},
      {{"Tab", "S", "3", "Escape"}, false, "old", L::wlEnglish, english},
      {{"Tab", "S", "3", "CloseBox"}, false, "old", L::wlRussian, russian},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys.back());
    SetLanguageBase(LanguageBaseOf(c.language));
    FakeUpgrader upgrader;
    upgrader.user = "anna";
    upgrader.password = "old";
    passwordUpgrader = &upgrader;
    std::string label, shownUser, shownPassword;
    wchar_t mask = 0;
    const bool ok = WhileShown<bool>(
        "TupUpdaterPasswordForm", [] { return ShowPasswordDialog(*passwordUpgrader); },
        [&](HWND window) {
          label = drv::WindowText(drv::FindChildById(window, ui::ControlIdFromName("Label1")));
          HWND userEdit = drv::FindChildById(window, ui::ControlIdFromName("UsernameEdit"));
          HWND passwordEdit = drv::FindChildById(window, ui::ControlIdFromName("PasswordEdit"));
          shownUser = drv::WindowText(userEdit);
          shownPassword = drv::WindowText(passwordEdit);
          mask = static_cast<wchar_t>(SendMessageW(passwordEdit, EM_GETPASSWORDCHAR, 0, 0));
          Press(window, c.keys);
        });
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(upgrader.user, "anna");
    EXPECT_EQ(upgrader.password, c.password);
    // Each window is new: the user name comes from the updater, the password field is empty.
    EXPECT_EQ(shownUser, "anna");
    EXPECT_EQ(shownPassword, "");
    EXPECT_EQ(mask, L'*');
    EXPECT_EQ(label, c.text);
  }
}

// A 1 x 1 BMP file of one red pixel.
ui::Bytes RedPixel() {
  return {'B', 'M', 58, 0, 0, 0, 0, 0,  0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1,   0, 0,
          0,   1,   0,  0, 0, 1, 0, 24, 0, 0, 0,  0, 0, 4, 0,  0, 0, 0, 0,   0, 0,
          0,   0,   0,  0, 0, 0, 0, 0,  0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 255, 0};
}

TEST_F(UpgradeWindowsTest, WizardLaysOutItsDownloadPageWithOrWithoutTheSource) {
  const struct {
    bool hide;
    int groupTop, groupHeight;
    int tops[4];  // LFileSize, LTransferRate, LEstimatedTime, ProgressCurrentFile
    L language;
    std::vector<const char*> texts;  // caption, WizardTitle, LCurrentFile, LAllFiles, LEstimatedTime, buttons
  } cases[] = {
      {false,
       34,
       125,
       {44, 60, 76, 96},
       L::wlEnglish,
       {"Application update wizard", "Downloading files...", " Current file ", " All files ",
        "Preparing. . .", "&Next >", "&Cancel"}},
      {true,
       44,
       95,
       {14, 30, 46, 66},
       L::wlRussian,
       {"Мастер обновления приложений", "Загрузка файлов...", " Текущий файл ", " Все файлы ",
        "Подготовка. . .", "&Далее >", "О&тмена"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hide);
    FakeUpgrader upgrader;
    upgrader.wizard.SetHideFileLocation(c.hide);
    upgrader.wizard.SetStayOnTop(false);
    upgrader.wizard.SetLanguage(c.language);
    if (c.hide) upgrader.wizard.Pic118x218()->SetData(RedPixel());
    const auto form = Make<TupUpdaterWizardForm>();
    form->Prepare(upgrader);
    form->Prepare(upgrader);  // prepared again by the next download: no further move
    const char* names[] = {"WizardTitle",    "LCurrentFile", "LAllFiles",
                           "LEstimatedTime", "FinishBtn",    "CancelBtn"};
    EXPECT_EQ(drv::WindowText(form->Handle()), c.texts[0]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Text(*form, names[i]), c.texts[i + 1]) << names[i];
    EXPECT_EQ(Text(*form, "AboutLabel"), " Updater ");
    EXPECT_FALSE(IsWindowEnabled(Control(*form, "FinishBtn")));
    EXPECT_EQ((GetWindowLongPtrW(Control(*form, "FileURL"), GWL_STYLE) & WS_VISIBLE) != 0, !c.hide);
    EXPECT_EQ(form->LCurrentFile->Top(), c.groupTop);
    EXPECT_EQ(form->LCurrentFile->Height(), c.groupHeight);
    const ui::TWinControl* moved[] = {form->LFileSize, form->LTransferRate, form->LEstimatedTime,
                                      form->ProgressCurrentFile};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(moved[i]->Top(), c.tops[i]) << moved[i]->Name();
    // The settings' picture replaces the wizard's own; without one it keeps its own.
    EXPECT_EQ(form->Image1->Picture()->Data() == RedPixel(), c.hide);
    EXPECT_FALSE(form->Image1->Picture()->Empty());
  }
}

// Lets `act` drive the open wizard from another thread while this thread
// runs the program's message loop, which turns Enter and Esc into buttons.
void DriveWizard(const std::function<void(HWND)>& act) {
  HWND window = UpgradeWizard()->Handle();
  std::atomic<bool> done{false};
  const DWORD loopThread = GetCurrentThreadId();
  std::thread actor([&] {
    act(window);
    done = true;
    PostThreadMessageW(loopThread, WM_NULL, 0, 0);  // wakes the loop to see it
  });
  ui::Application().RunModalLoop([&] { return done.load(); });
  actor.join();
}

// Waits for the wizard's question and answers it with `key`.
void Answer(HWND wizard, const char* key) {
  HWND box = drv::WaitForWindow({"#32770", "Tallivo", GetCurrentProcessId(), true});
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), wizard);
  bool asks = false;
  for (HWND child : drv::ChildWindows(box))
    asks =
        asks || drv::WindowText(child) == "The update is not completed.\rWould you like to abort upgrading?";
  EXPECT_TRUE(asks);
  ASSERT_TRUE(drv::WaitForInputProcessed(box));
  ASSERT_TRUE(drv::PressKeys(key));
  ASSERT_TRUE(drv::WaitGone(box));
}

TEST_F(UpgradeWindowsTest, WizardAsksBeforeGivingUpAndSignalsWhenItCloses) {
  FakeUpgrader upgrader;
  upgrader.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ShowUpgradeWizard(upgrader);
  DriveWizard([&](HWND wizard) {
    ASSERT_TRUE(drv::BringToForeground(wizard));
    // Esc and the close box ask; No keeps the download going.
    ASSERT_TRUE(drv::WaitForInputProcessed(wizard));
    ASSERT_TRUE(drv::PressKeys("Escape"));
    Answer(wizard, "N");
    ASSERT_TRUE(drv::PressKeys("Alt+F4"));
    Answer(wizard, "N");
  });
  ASSERT_NE(UpgradeWizard(), nullptr);
  EXPECT_EQ(upgrader.aborts, 0);
  EXPECT_EQ(WaitForSingleObject(upgrader.event, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  // Done: OK in place of Next, the note in place of the progress.
  UpgradeWizard()->ShowCompleted();
  const TupUpdaterWizardForm& done = *UpgradeWizard();
  EXPECT_EQ(Text(done, "WizardTitle"), "Upgrade completed!");
  EXPECT_EQ(
      Text(done, "AfterNote"),
      "The update of Tallivo has been successfully completed.\r\rPress the OK button to restart program.");
  EXPECT_EQ(Text(done, "FinishBtn"), "&OK");
  EXPECT_TRUE(IsWindowEnabled(Control(done, "FinishBtn")));
  EXPECT_FALSE(IsWindowEnabled(Control(done, "CancelBtn")));
  EXPECT_FALSE(drv::IsVisible(Control(done, "LCurrentFile")));
  EXPECT_FALSE(drv::IsVisible(Control(done, "LAllFiles")));
  EXPECT_EQ(GetFocus(), Control(done, "FinishBtn"));

  // The close box on the last page still asks; Yes gives the upgrade up.
  DriveWizard([&](HWND wizard) {
    ASSERT_TRUE(drv::BringToForeground(wizard));
    ASSERT_TRUE(drv::WaitForInputProcessed(wizard));
    ASSERT_TRUE(drv::PressKeys("Alt+F4"));
    Answer(wizard, "Y");
    EXPECT_TRUE(drv::WaitGone(wizard));
  });
  EXPECT_EQ(UpgradeWizard(), nullptr);
  EXPECT_EQ(upgrader.aborts, 1);
  EXPECT_EQ(WaitForSingleObject(upgrader.event, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(upgrader.event);
}

TEST_F(UpgradeWindowsTest, WizardsOkClosesItWithoutGivingUp) {
  FakeUpgrader upgrader;
  upgrader.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ShowUpgradeWizard(upgrader);
  UpgradeWizard()->ShowCompleted();
  DriveWizard([&](HWND wizard) {
    ASSERT_TRUE(drv::BringToForeground(wizard));
    ASSERT_TRUE(drv::WaitForInputProcessed(wizard));
    ASSERT_TRUE(drv::PressKeys("Enter"));
    EXPECT_TRUE(drv::WaitGone(wizard));
  });
  EXPECT_EQ(UpgradeWizard(), nullptr);
  EXPECT_EQ(upgrader.aborts, 0);
  EXPECT_EQ(WaitForSingleObject(upgrader.event, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(upgrader.event);
}

// What a person could not read in `form`: a control outside its parent, a
// text larger than its control, controls on top of one another (but the
// etched signature and its line, drawn so on purpose). Hidden controls and
// what they hold do not count.
std::vector<std::string> CutOff(HWND form) {
  const auto shown = [form](HWND h) {
    for (; h && h != form; h = GetParent(h)) {
      if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE)) return false;
    }
    return true;
  };
  const auto etched = [](HWND h) {
    const int id = GetDlgCtrlID(h);
    return id == ui::ControlIdFromName("AboutLabel") || id == ui::ControlIdFromName("AboutShadow") ||
           id == ui::ControlIdFromName("Bevel1");
  };
  std::vector<std::string> problems;
  std::vector<HWND> controls;
  for (HWND h : drv::ChildWindows(form)) {
    if (shown(h)) controls.push_back(h);
  }
  const UINT dpi = GetDpiForWindow(form);
  for (HWND h : controls) {
    RECT r = drv::WindowRect(h);
    RECT parent = drv::ClientRectOnScreen(GetParent(h));
    RECT inside{};
    if (!IntersectRect(&inside, &r, &parent) || !EqualRect(&inside, &r))
      problems.push_back("outside its parent: " + drv::Describe(h));
    for (HWND other : controls) {
      RECT o = drv::WindowRect(other), overlap{};
      if (other > h && GetParent(other) == GetParent(h) && IntersectRect(&overlap, &r, &o) &&
          !(etched(h) && etched(other)))
        problems.push_back("overlaps " + drv::Describe(other) + ": " + drv::Describe(h));
    }
    RECT client{};
    GetClientRect(h, &client);
    const std::wstring text = drv::Widen(drv::WindowText(h));
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    RECT need{0, 0, client.right, 0};
    const std::string kind = drv::ClassName(h);
    const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    if (kind == "Static") {
      DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
      if (need.bottom > client.bottom) problems.push_back("text taller than its label: " + drv::Describe(h));
    } else if (kind == "Button") {
      DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
      // Room for the frame: a group box's caption starts a little in, a
      // button's text keeps off its edges.
      const int margin = MulDiv((style & BS_TYPEMASK) == BS_GROUPBOX ? 16 : 8, static_cast<int>(dpi), 96);
      if (need.right + margin > client.right || tm.tmHeight > client.bottom)
        problems.push_back("caption wider than its control: " + drv::Describe(h));
    } else if (kind == "Edit" && tm.tmHeight > client.bottom) {
      problems.push_back("font taller than its field: " + drv::Describe(h));
    }
    DeleteDC(dc);
  }
  return problems;
}

// Each language in turn, in every window and on every page, with the texts a
// download shows; run by NothingIsCutOffAtAnyDpi in a process of its own.
TEST_F(UpgradeWindowsTest, DISABLED_NothingIsCutOffAtThisDpi) {
  SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const char* expected = std::getenv("TALLIVO_TEST_DPI");
  ASSERT_NE(expected, nullptr);
  const auto check = [&](const ui::TForm& form, const char* page) {
    ASSERT_EQ(form.Dpi(), std::atoi(expected));
    for (const std::string& problem : CutOff(form.Handle())) ADD_FAILURE() << page << ": " << problem;
  };
  for (int language = 1; language <= kLanguageCount; ++language) {
    const auto l = static_cast<L>(language);
    SCOPED_TRACE(ui::EnumNamesOf<L>().names.at(static_cast<std::size_t>(language)));
    SetLanguageBase(LanguageBaseOf(l));
    FakeUpgrader upgrader;
    upgrader.wizard.SetStayOnTop(false);
    const auto prompt = Make<TupUpdaterUpgradeMessageForm>();
    prompt->Prepare("Change in euro is rounded to the cent again.");
    check(*prompt, "prompt");
    const auto password = Make<TupUpdaterPasswordForm>();
    password->Prepare(upgrader);
    check(*password, "password");
    for (const bool hide : {false, true}) {
      upgrader.wizard.SetHideFileLocation(hide);
      const auto wizard = Make<TupUpdaterWizardForm>();
      wizard->Prepare(upgrader);
      wizard->FileURL->SetText("http://updates.example/tallivo/Tallivo.exe");
      wizard->LFileSize->SetCaption(FmtLangStr(6, {1234.5}));
      wizard->LTransferRate->SetCaption(FmtLangStr(7, {98765.4}));
      wizard->LEstimatedTime->SetCaption(FmtLangStr(8, {10, 59, 59}));
      wizard->AllDownloading->SetCaption(FmtLangStr(9, {12, 12}));
      check(*wizard, hide ? "download, source hidden" : "download");
      wizard->ShowCompleted();
      check(*wizard, "completed");
    }
  }
}

TEST(UpgradeWindowsLayout, NothingIsCutOffAtAnyDpi) {
  for (const int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    const auto logPixels = drv::ScopedRegistryValue::Dword(HKEY_CURRENT_USER, L"Control Panel\\Desktop",
                                                           L"LogPixels", static_cast<DWORD>(dpi));
    ASSERT_TRUE(logPixels.Set());
    SetEnvironmentVariableW(L"TALLIVO_TEST_DPI", std::to_wstring(dpi).c_str());
    std::string error;
    auto child = drv::Process::Start(drv::ExecutableDir() + "upgrade_windows_test.exe",
                                     {"--gtest_brief=1", "--gtest_also_run_disabled_tests",
                                      "--gtest_filter=UpgradeWindowsTest.DISABLED_NothingIsCutOffAtThisDpi"},
                                     &error);
    ASSERT_TRUE(child) << error;
    EXPECT_EQ(child->WaitForExit(std::chrono::minutes(3)), DWORD{0});
  }
}

// The pictures of the windows in docs/updater, taken by tools/shoot-updater
// with the snapshot program beside this one.
FakeUpgrader* pictureUpgrader = nullptr;

TEST_F(UpgradeWindowsTest, DISABLED_TakesPicturesOfTheWindows) {
  const char* dir = std::getenv("TALLIVO_PICTURE_DIR");
  ASSERT_NE(dir, nullptr);
  const auto shoot = [&](const char* className, const std::string& file) {
    auto snapshot = drv::Process::Start(drv::ExecutableDir() + "snapshot.exe",
                                        {className, std::string(dir) + "\\" + file + ".png"});
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->WaitForExit(), DWORD{0}) << file;
  };
  for (const auto& [language, suffix] : {std::pair{L::wlEnglish, "en"}, std::pair{L::wlRussian, "ru"}}) {
    SetLanguageBase(LanguageBaseOf(language));
    FakeUpgrader upgrader;
    upgrader.user = "anna";
    pictureUpgrader = &upgrader;
    const auto shootThenPress = [&](const char* className, const std::string& file) {
      return [=, &shoot](HWND w) {
        shoot(className, file);
        Press(w, {"Escape"});
      };
    };
    WhileShown<bool>(
        "TupUpdaterUpgradeMessageForm",
        [] { return ShowUpgradeMessage("Change in euro is rounded to the cent again."); },
        shootThenPress("TupUpdaterUpgradeMessageForm", std::string("prompt-") + suffix));
    WhileShown<bool>(
        "TupUpdaterPasswordForm", [] { return ShowPasswordDialog(*pictureUpgrader); },
        shootThenPress("TupUpdaterPasswordForm", std::string("password-") + suffix));
    ShowUpgradeWizard(upgrader);
    TupUpdaterWizardForm& wizard = *UpgradeWizard();
    wizard.FileURL->SetText("http://updates.example/tallivo/Tallivo.exe");
    wizard.LFileSize->SetCaption(FmtLangStr(6, {812.4}));
    wizard.LTransferRate->SetCaption(FmtLangStr(7, {96.3}));
    wizard.LEstimatedTime->SetCaption(FmtLangStr(8, {0, 0, 5}));
    wizard.AllDownloading->SetCaption(FmtLangStr(9, {1, 2}));
    wizard.ProgressCurrentFile->SetPosition(41);
    wizard.ProgressAllFiles->SetPosition(20);
    DriveWizard([&](HWND) { shoot("TupUpdaterWizardForm", std::string("wizard-") + suffix); });
    wizard.ShowCompleted();
    DriveWizard([&](HWND) { shoot("TupUpdaterWizardForm", std::string("wizard-done-") + suffix); });
    FreeUpgradeWizard();
  }
}

}  // namespace
}  // namespace tallivo
