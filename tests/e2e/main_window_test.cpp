// The calculator driven as a cashier would: real keys into the focused field,
// real menu shortcuts, and what the window shows read back.
#include "tests/e2e/tallivo_fixture.h"
#include "ui/control_win.h"

namespace tallivo::test {
namespace {

using MainWindow = ShownTallivoTest;

TEST_F(MainWindow, StartsWithZeroInEveryField) {
  // The first field has the focus and shows its value for editing.
  EXPECT_TRUE(WaitUntil([&] { return Focused() == Control("CEuro"); }));
  EXPECT_TRUE(ShowsText("CEuro", "0"));
  for (const char* name : {"EdAmtEur", "EdPaidEUR", "EdChgEUR"}) {
    EXPECT_TRUE(ShowsText(name, Localized("€0.00")));
  }
  for (const char* name : {"CCyp", "EdPaidCYP"}) {
    EXPECT_TRUE(ShowsText(name, Localized("£0.00")));
  }
}

TEST_F(MainWindow, TypingEurosConvertsAfterEveryKeystroke) {
  FocusBy("Ctrl+E", "CEuro");
  const struct {
    const char* key;
    const char* typed;
    const char* pounds;
  } steps[] = {{"1", "1", "£0.59"},
               {"0", "10", "£5.85"},
               {"0", "100", "£58.53"},
               // Letters (a half-typed exponent) and thousands separators are
               // refused: neither blanks the other side.
               {"e", "100", "£58.53"},
               {",", "100", "£58.53"},
               {"5", "1005", "£588.20"}};
  Press("Delete");
  for (const auto& s : steps) {
    SCOPED_TRACE(s.typed);
    Type(s.key);
    EXPECT_TRUE(ShowsText("CCyp", Localized(s.pounds)));
    // The field being typed in is never rewritten by the program.
    EXPECT_EQ(Text("CEuro"), s.typed);
  }
  // Leaving the field shows its value in the display format.
  Press("Tab");
  EXPECT_TRUE(ShowsText("CEuro", Localized("€1,005.00")));
}

TEST_F(MainWindow, TypingPoundsConvertsToEuros) {
  FocusBy("Ctrl+Y", "CCyp");
  Press("Delete");
  Type("100");
  EXPECT_TRUE(ShowsText("CEuro", Localized("€170.86")));
  EXPECT_EQ(Text("CCyp"), "100");
  Press("Ctrl+A");
  Type(Localized("1234.5"));
  EXPECT_TRUE(ShowsText("CEuro", Localized("€2,109.27")));
  Press("Ctrl+E");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£1,234.50")));
}

TEST_F(MainWindow, EmptyingTheEuroFieldSetsPoundsToZero) {
  FocusBy("Ctrl+E", "CEuro");
  Type("12");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£7.02")));
  Type("c");  // the clear key empties the field and is not typed
  EXPECT_TRUE(ShowsText("CEuro", ""));
  EXPECT_TRUE(ShowsText("CCyp", Localized("£0.00")));
  Type("5");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£2.93")));
  Press("Backspace");
  EXPECT_TRUE(ShowsText("CEuro", ""));
  EXPECT_TRUE(ShowsText("CCyp", Localized("£0.00")));
  Press("Tab");
  EXPECT_TRUE(ShowsText("CEuro", ""));
}

TEST_F(MainWindow, ChangeShowsMoneyStillOwedInRed) {
  FocusBy("Ctrl+H", "EdAmtEur");
  Type("20");
  Press("Tab");
  Type("5");
  Press("Tab");
  Type("10");
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("-€1.46")));
  EXPECT_TRUE(WaitUntil([&] { return DominantTextColor(Control("EdChgEUR")) == kRed; }))
      << DominantTextColor(Control("EdChgEUR")).value_or(Color{});
  Press("Ctrl+A");
  Type("12");
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€0.54")));
  EXPECT_TRUE(WaitUntil([&] { return DominantTextColor(Control("EdChgEUR")) == kBlack; }))
      << DominantTextColor(Control("EdChgEUR")).value_or(Color{});
}

TEST_F(MainWindow, EmptyInputsCountAsZeroWithTheirOwnNullRules) {
  // What the cashier types stays as typed, even where it reads as nothing
  // ("0" is the null string here): it counts as 0. Only the clear key puts
  // the 0 in, selected, so the next key replaces it.
  const struct {
    const char* action;
    const char* shown;
  } cases[] = {{"0", "0"}, {"\b", ""}, {"-", "-"}, {"c", "0.00"}};
  FocusBy("Ctrl+H", "EdAmtEur");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    Press("Ctrl+A");
    Type("7");
    EXPECT_TRUE(ShowsText("EdChgEUR", Localized("-€7.00")));
    if (std::string_view(c.action) == "\b") {
      Press("Backspace");
    } else {
      Press("Ctrl+A");
      Type(c.action);
    }
    EXPECT_TRUE(ShowsText("EdAmtEur", Localized(c.shown)));
    EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€0.00")));
  }
  // After the clear key the 0 is selected: the next key replaces it.
  Type("3");
  EXPECT_TRUE(ShowsText("EdAmtEur", "3"));
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("-€3.00")));
  // Left reading as nothing, a field shows the 0 it counted as.
  Press("Backspace");
  Press("Tab");
  ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("EdPaidCYP"); }));
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("€0.00")));
  // In the paid-euro field "0" is an ordinary zero; an empty one counts as 0 too.
  Press("Tab");
  ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("EdPaidEUR"); }));
  Type("0");
  EXPECT_TRUE(ShowsText("EdPaidEUR", "0"));
  Type("4");
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€4.00")));
  Press("Ctrl+A");
  Press("Delete");
  EXPECT_TRUE(ShowsText("EdPaidEUR", ""));
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€0.00")));
  Press("Ctrl+H");
  EXPECT_TRUE(ShowsText("EdPaidEUR", Localized("€0.00")));
}

TEST_F(MainWindow, ANumberBegunWithASignOrSeparatorIsKept) {
  // "." and "-" alone read as no number; they must not be reset to 0, or
  // ".75" would become 75 and a negative amount could not be typed.
  const struct {
    const char* shortcut;
    const char* field;
    const char* typed;
    const char* shown;
    const char* change;
  } cases[] = {
      {"Ctrl+H", "EdAmtEur", ".75", ".75", "-€0.75"},
      {"Ctrl+H", "EdAmtEur", "-5", "-5", "€5.00"},
      {"Ctrl+H", "EdAmtEur", ",5", ".5", "-€0.50"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    FocusBy(c.shortcut, c.field);
    Press("Ctrl+A");
    Press("Delete");
    Type(c.typed);
    EXPECT_TRUE(ShowsText(c.field, Localized(c.shown)));
    EXPECT_TRUE(ShowsText("EdChgEUR", Localized(c.change)));
  }
}

TEST_F(MainWindow, ChangeIsClampedToItsBounds) {
  FocusBy("Ctrl+H", "EdAmtEur");
  Press("Tab");
  Type("9999999999");
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€999,999,999.00")));
  FocusBy("Ctrl+H", "EdAmtEur");
  Type("9999999999");
  Press("Tab");
  Press("Ctrl+A");
  Press("Delete");
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("-€999,999,999.00")));
}

TEST_F(MainWindow, ValueOutOfBoundsKeepsTheFocus) {
  FocusBy("Ctrl+H", "EdAmtEur");
  Type("12345678901");
  PressKeys("Tab");
  EXPECT_EQ(AcceptMessageBox(), "Value out of bounds");
  ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("EdAmtEur"); })) << Describe(Focused());
  // No second refusal: the value is not asked for again until it changes.
  EXPECT_TRUE(WaitForInputProcessed(main_));
  EXPECT_EQ(FindTopLevel({"#32770", "", process_->Id(), true}), nullptr);
  EXPECT_EQ(Text("EdAmtEur"), "12345678901");
  // Its text is selected: typing replaces it.
  Type("5");
  EXPECT_TRUE(ShowsText("EdAmtEur", "5"));
  Press("Tab");
  EXPECT_TRUE(WaitUntil([&] { return Focused() == Control("EdPaidCYP"); }));
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("€5.00")));
}

TEST_F(MainWindow, FocusShortcuts) {
  const struct {
    const char* chord;
    const char* field;
  } cases[] = {{"Ctrl+Y", "CCyp"}, {"Ctrl+H", "EdAmtEur"}, {"Ctrl+E", "CEuro"}, {"Ctrl+Y", "CCyp"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chord);
    FocusBy(c.chord, c.field);
  }
}

TEST_F(MainWindow, HugeAmountReportsInvalidOperationAndStaysUsable) {
  FocusBy("Ctrl+E", "CEuro");
  Press("Delete");
  Type("1000");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£585.27")));
  // 2 × 10^19 euro is past what the rounding can hold.
  Press("Ctrl+A");
  Type("2000000000000000000");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£1,170,548,000,000,000,000.00")));
  PressKeys("0");
  EXPECT_EQ(AcceptMessageBox(), "Invalid floating point operation");
  EXPECT_EQ(Text("CCyp"), Localized("£1,170,548,000,000,000,000.00"));
  ASSERT_TRUE(BringToForeground(main_));
  Press("Ctrl+E");
  Press("Ctrl+A");
  Type("1");
  EXPECT_TRUE(ShowsText("CCyp", Localized("£0.59")));
}

TEST_F(MainWindow, HelpAboutShowsVersionAndIsFreedOnClose) {
  for (int showing = 0; showing < 2; ++showing) {
    SCOPED_TRACE(showing);
    ASSERT_TRUE(BringToForeground(main_));
    ChooseFromMenu("Alt+H", "A");
    HWND about = WaitForWindow({"TFmAbout", "About Vornel", process_->Id(), true});
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(FindChildById(about, ui::ControlIdFromName("LbPrgName"))), "Tallivo");
    EXPECT_EQ(WindowText(FindChildById(about, ui::ControlIdFromName("LbFVersion"))), "1.0.4.5");
    EXPECT_FALSE(IsWindowEnabled(main_)) << "shown modally";
    ASSERT_TRUE(BringToForeground(about));
    PressKeys("Alt+O");
    EXPECT_TRUE(WaitGone(about));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
  }
}

TEST(Program, TerminateEndsWithZeroAndFreesTheHotkey) {
  std::string error;
  auto process = Process::Start(TallivoPath(), {}, &error);
  ASSERT_TRUE(process) << error;
  HWND main = WaitForWindow({"TFmMain", "Tallivo", process->Id(), true});
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForInputProcessed(main));
  EXPECT_FALSE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_F12)) << "Tallivo should hold Ctrl-F12";
  ASSERT_TRUE(BringToForeground(main));
  PressKeys("Ctrl+X");
  EXPECT_EQ(process->WaitForExit(), std::optional<DWORD>(0));
  EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_F12));
  UnregisterHotKey(nullptr, 1);
}

TEST(Program, SecondInstanceWarnsAndLeavesTheFirstAlone) {
  std::string error;
  auto first = Process::Start(TallivoPath(), {}, &error);
  ASSERT_TRUE(first) << error;
  HWND main = WaitForWindow({"TFmMain", "Tallivo", first->Id(), true});
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitForInputProcessed(main));
  auto second = Process::Start(TallivoPath(), {}, &error);
  ASSERT_TRUE(second) << error;
  ASSERT_NE(WaitForDialog(second->Id()), nullptr);
  EXPECT_EQ(FindTopLevel({"TFmMain", "", second->Id(), false}), nullptr);
  const MessageBoxTexts box = AcceptMessageBox(second->Id());
  EXPECT_EQ(box.text, "Tallivo is already running.\r\nThis instance will terminate.");
  EXPECT_EQ(box.caption, "Warning");
  EXPECT_EQ(second->WaitForExit(), std::optional<DWORD>(0));
  EXPECT_TRUE(first->IsRunning());
  EXPECT_TRUE(IsVisible(main));
  EXPECT_FALSE(IsMinimized(main));
  ASSERT_TRUE(BringToForeground(main));
  PressKeys("Ctrl+X");
  EXPECT_EQ(first->WaitForExit(), std::optional<DWORD>(0));
}

TEST(Program, HotkeyTakenIsReportedOnceAndTheCalculatorWorks) {
  const ScopedHotKey taken(MOD_CONTROL, VK_F12);
  ASSERT_TRUE(taken.Held());
  std::string error;
  auto process = Process::Start(TallivoPath(), {}, &error);
  ASSERT_TRUE(process) << error;
  EXPECT_EQ(AcceptMessageBox(process->Id()).text, "Unable to assign Ctrl-F12 as hotkey.");
  HWND main = WaitForWindow({"TFmMain", "Tallivo", process->Id(), true});
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(BringToForeground(main));
  ASSERT_TRUE(PressKeys("Ctrl+E"));
  ASSERT_TRUE(TypeKeys("1"));
  HWND pounds = FindChildById(main, ui::ControlIdFromName("CCyp"));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(pounds) == Localized("£0.59"); }));
  EXPECT_EQ(FindTopLevel({"#32770", "", process->Id(), true}), nullptr) << "reported twice";
  ASSERT_TRUE(BringToForeground(main));
  PressKeys("Ctrl+X");
  EXPECT_EQ(process->WaitForExit(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace tallivo::test
