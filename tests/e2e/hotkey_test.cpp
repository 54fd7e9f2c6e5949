// Ctrl-F12 from another program: it copies that program's selection and
// toggles the calculator.
#include <functional>
#include <string>
#include <utility>

#include "tests/e2e/tallivo_fixture.h"

namespace tallivo::test {
namespace {

// `condition`, after handling this thread's messages: waited on, it lets our
// own window take the keys Tallivo sends it.
std::function<bool()> Pumped(std::function<bool()> condition) {
  return [condition = std::move(condition)] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return condition();
  };
}

// Polls, unlike the driver's PumpUntil, which only looks again when a message
// arrives: Tallivo's window changing raises no message here.
bool WaitPumping(std::function<bool()> condition) {
  return WaitUntil(Pumped(std::move(condition)));
}

// Ctrl-F12 held down, as a person holds it, until `done`.
bool HotkeyUntil(std::function<bool()> done) {
  return HoldKeys("Ctrl+F12", Pumped(std::move(done)));
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = Narrow(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// Another program's window: a text field with its text selected.
class OtherProgram {
 public:
  OtherProgram() {
    window_ = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 120, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"copy me", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24,
                            window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~OtherProgram() { DestroyWindow(window_); }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  bool Focus() {
    if (!BringToForeground(window_)) return false;
    SetFocus(edit_);
    SendMessageW(edit_, EM_SETSEL, 0, -1);
    return WaitPumping([&] { return GetFocus() == edit_; });
  }
  HWND Window() const { return window_; }
  HWND Field() const { return edit_; }

 private:
  HWND window_;
  HWND edit_;
};

class Hotkey : public TallivoTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(WaitVisible(main_));
    ASSERT_TRUE(WaitForInputProcessed(main_));
  }
  void TearDown() override {
    if (process_ && process_->IsRunning()) {
      EXPECT_EQ(Terminate(), std::optional<DWORD>(0));
    }
    TallivoTest::TearDown();
  }
};

TEST_F(Hotkey, CopiesFromTheFocusedProgramAndTogglesTheCalculator) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  OtherProgram other;
  ASSERT_TRUE(other.Focus());
  EXPECT_TRUE(HotkeyUntil([&] { return ClipboardText() == "copy me"; })) << ClipboardText();
  EXPECT_EQ(WindowText(other.Field()), "copy me") << "the C went in with Ctrl held";
  EXPECT_TRUE(WaitPumping([&] { return !IsVisible(main_); })) << "hidden into the tray";

  ASSERT_TRUE(other.Focus());
  EXPECT_TRUE(
      HotkeyUntil([&] { return IsVisible(main_) && !IsMinimized(main_) && ForegroundWindow() == main_; }));
}

// The C that Tallivo sends with Ctrl reaches its own field when that has the
// focus: it must copy there, not be taken for the field's clear key.
TEST_F(Hotkey, InOneOfTallivosOwnFieldsItCopiesWithoutClearing) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  ASSERT_TRUE(BringToForeground(main_));
  FocusBy("Ctrl+E", "CEuro");
  Type("123");
  Press("Ctrl+A");
  EXPECT_TRUE(HotkeyUntil([&] { return ClipboardText() == "123"; })) << ClipboardText();
  EXPECT_TRUE(WaitPumping([&] { return !IsVisible(main_); })) << "hidden into the tray";
  EXPECT_TRUE(HotkeyUntil([&] { return IsVisible(main_) && ForegroundWindow() == main_; }));
  EXPECT_EQ(Text("CEuro"), "123");
  EXPECT_EQ(Text("CCyp"), Localized("£71.99"));
}

TEST_F(Hotkey, AMaximisedWindowIsBroughtBackNotHidden) {
  ASSERT_TRUE(BringToForeground(main_));
  ShowWindow(main_, SW_MAXIMIZE);  // as the title bar's maximise button would
  ASSERT_TRUE(WaitUntil([&] { return IsZoomed(main_) != FALSE; }));
  OtherProgram other;
  ASSERT_TRUE(other.Focus());
  EXPECT_TRUE(HotkeyUntil([&] { return ForegroundWindow() == main_; }));
  EXPECT_FALSE(IsMinimized(main_));
  EXPECT_TRUE(IsVisible(main_));
}

TEST_F(Hotkey, OtherIdentifiersChangeNothing) {
  PostMessageW(main_, WM_HOTKEY, 2, MAKELPARAM(MOD_CONTROL, VK_F12));
  ASSERT_TRUE(WaitForInputProcessed(main_));
  EXPECT_TRUE(IsVisible(main_));
  EXPECT_FALSE(IsMinimized(main_));
}

}  // namespace
}  // namespace tallivo::test
