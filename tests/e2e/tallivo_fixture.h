// Starts the real Tallivo.exe and finds its window and fields, for the
// end-to-end suites.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/driver/driver_win.h"

namespace tallivo::test {

inline constexpr Color kRed{255, 0, 0};
inline constexpr Color kBlack{0, 0, 0};

// The texts Tallivo shows, with "." and "," replaced by the user's decimal and
// thousands separators.
std::string Localized(std::string_view text);

std::string TallivoPath();

// Presses OK in a message box.
void CloseMessageBox(HWND box);

// What a message box said: its title bar and its message.
struct MessageBoxTexts {
  std::string caption;
  std::string text;
};
// Waits for the message box of process `process_id`, reads it and closes it
// with OK; the text is "(no message box)" when none came.
MessageBoxTexts AcceptMessageBox(DWORD process_id);

class TallivoTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts Tallivo with `arguments` and waits for its main window.
  void Start(const std::vector<std::string>& arguments = {});
  // Ends the program with File > Terminate and returns its exit code.
  std::optional<DWORD> Terminate();

  // The field (or other control) of the main window with this component name.
  HWND Control(std::string_view name) const;
  std::string Text(std::string_view name) const { return WindowText(Control(name)); }
  // Waits until the control shows `text`; the last text read otherwise.
  ::testing::AssertionResult ShowsText(std::string_view name, const std::string& text) const;
  // Presses a chord in the main window and waits until it was handled.
  void Press(std::string_view chord);
  // Opens a menu by its chord and picks an item by its key once the menu is
  // open: a key pressed before that goes to the window instead.
  void ChooseFromMenu(std::string_view menuChord, std::string_view itemKey);
  // Puts the focus into a field by its shortcut and waits until it has it.
  void FocusBy(std::string_view chord, std::string_view field);
  // Types characters with the keyboard and waits until they were handled.
  void Type(std::string_view text);
  // The message box the program shows now: its text; it is closed with OK.
  std::string AcceptMessageBox();
  HWND Focused() const { return FocusedControl(main_); }

  std::optional<Process> process_;
  HWND main_ = nullptr;
};

// Tallivo started and in front for each test, and ended with File > Terminate,
// which must give exit code 0.
class ShownTallivoTest : public TallivoTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace tallivo::test
