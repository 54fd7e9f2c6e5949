#include "tests/e2e/tallivo_fixture.h"

#include "ui/control_win.h"

namespace tallivo::test {

std::string Localized(std::string_view text) {
  auto locale = [](LCTYPE type, const char* fallback) {
    wchar_t buffer[16] = {};
    return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 16) > 1 ? Narrow(buffer)
                                                                           : std::string(fallback);
  };
  const std::string decimal = locale(LOCALE_SDECIMAL, ".");
  const std::string thousands = locale(LOCALE_STHOUSAND, ",");
  std::string out;
  for (char c : text) {
    if (c == '.') {
      out += decimal;
    } else if (c == ',') {
      out += thousands;
    } else {
      out += c;
    }
  }
  return out;
}

void CloseMessageBox(HWND box) {
  // A click needs the button uncovered; the keyboard needs the box in front.
  if (PressDialogButton(box, "OK")) return;
  if (BringToForeground(box)) PressKeys("Enter");
}

MessageBoxTexts AcceptMessageBox(DWORD process_id) {
  HWND box = WaitForDialog(process_id);
  if (!box) return {"", "(no message box)"};
  MessageBoxTexts texts{WindowText(box), DialogText(box)};
  CloseMessageBox(box);
  WaitGone(box);
  return texts;
}

std::string TallivoPath() {
  return ExecutableDir() + "Tallivo.exe";
}

void TallivoTest::SetUp() {}

void TallivoTest::TearDown() {
  if (process_ && process_->IsRunning()) process_->Terminate();
  process_.reset();
}

void TallivoTest::Start(const std::vector<std::string>& arguments) {
  std::string error;
  process_ = Process::Start(TallivoPath(), arguments, &error);
  ASSERT_TRUE(process_) << error;
  main_ = WaitForWindow({"TFmMain", "Tallivo", process_->Id(), false});
  ASSERT_NE(main_, nullptr) << "no main window";
}

std::optional<DWORD> TallivoTest::Terminate() {
  if (!BringToForeground(main_)) return std::nullopt;
  PressKeys("Ctrl+X");
  return process_->WaitForExit();
}

void TallivoTest::FocusBy(std::string_view chord, std::string_view field) {
  Press(chord);
  ASSERT_TRUE(WaitUntil([&] { return Focused() == Control(field); })) << field;
}

HWND TallivoTest::Control(std::string_view name) const {
  return FindChildById(main_, ui::ControlIdFromName(name));
}

::testing::AssertionResult TallivoTest::ShowsText(std::string_view name, const std::string& text) const {
  std::string last;
  if (WaitUntil([&] { return (last = Text(name)) == text; })) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << std::string(name) << " shows \"" << last << "\", expected \"" << text << "\"";
}

void TallivoTest::Press(std::string_view chord) {
  ASSERT_TRUE(PressKeys(chord)) << chord;
  ASSERT_TRUE(WaitForInputProcessed(main_));
}

void TallivoTest::ChooseFromMenu(std::string_view menuChord, std::string_view itemKey) {
  ASSERT_TRUE(PressKeys(menuChord)) << menuChord;
  ASSERT_NE(WaitForWindow({"#32768", "", process_->Id(), true}), nullptr) << "no menu after " << menuChord;
  ASSERT_TRUE(PressKeys(itemKey)) << itemKey;
}

void TallivoTest::Type(std::string_view text) {
  ASSERT_TRUE(TypeKeys(text)) << text;
  ASSERT_TRUE(WaitForInputProcessed(main_));
}

std::string TallivoTest::AcceptMessageBox() {
  return test::AcceptMessageBox(process_->Id()).text;
}

void ShownTallivoTest::SetUp() {
  Start();
  ASSERT_TRUE(WaitVisible(main_));
  ASSERT_TRUE(BringToForeground(main_));
  ASSERT_TRUE(WaitForInputProcessed(main_));
}

void ShownTallivoTest::TearDown() {
  if (process_ && process_->IsRunning()) {
    EXPECT_EQ(Terminate(), std::optional<DWORD>(0));
  }
  TallivoTest::TearDown();
}

}  // namespace tallivo::test
