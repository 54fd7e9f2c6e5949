// File > Kelvor Website hands the company's address to whatever this user's
// system opens web addresses with, and F1 hands it a help page. For the test
// that is a recorder registered for https addresses and for HTML files, so
// what was opened can be checked without a network or a browser.
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/tallivo_fixture.h"

namespace tallivo::test {
namespace {

constexpr char kWebSite[] = "https://www.kelvor.example/tallivo/";
// The shell starts a new program for the address, which can take seconds on a loaded machine.
constexpr Timeout kBrowserTimeout{60000};

// Tallivo with a recorder as the program the shell opens `kind` with (a key
// under HKEY_CLASSES_ROOT such as "https").
class RecordedOpen : public ShownTallivoTest {
 protected:
  explicit RecordedOpen(const wchar_t* kind) : kind_(kind) {}
  void SetUp() override {
    record_ = std::filesystem::temp_directory_path() /
              ("tallivo-website-" + std::to_string(GetCurrentProcessId()) + ".txt");
    std::filesystem::remove(record_);
    // The merged classes view: Wine's shell does not look in the user's own classes.
    const std::wstring command =
        BuildCommandLine(ExecutableDir() + "url_recorder.exe", {Narrow(record_.wstring())}) + L" \"%1\"";
    browser_.emplace(ScopedRegistryValue::String(
        HKEY_CLASSES_ROOT, std::wstring(kind_) + L"\\shell\\open\\command", L"", command));
    ASSERT_TRUE(browser_->Set());
    ShownTallivoTest::SetUp();
  }
  void TearDown() override {
    ShownTallivoTest::TearDown();
    browser_.reset();
    std::error_code ignored;
    std::filesystem::remove(record_, ignored);
  }

  // What the recorder was given, one argument a line, once it has run. The file
  // appears whole, but the rename that makes it appear may still hold it open.
  std::optional<std::string> Recorded() {
    std::optional<std::string> recorded;
    WaitUntil(
        [&] {
          std::ifstream in(record_, std::ios::binary);
          if (!in) return false;
          std::ostringstream text;
          text << in.rdbuf();
          recorded = text.str();
          return true;
        },
        kBrowserTimeout);
    // Ready for the next one.
    std::error_code ignored;
    if (recorded) std::filesystem::remove(record_, ignored);
    return recorded;
  }

  const wchar_t* kind_;
  std::filesystem::path record_;
  std::optional<ScopedRegistryValue> browser_;
};

class WebSite : public RecordedOpen {
 protected:
  WebSite() : RecordedOpen(L"https") {}
};

// ".html" files as Windows classes them; a Wine prefix without its HTML
// engine has no such class at all.
class HelpPages : public RecordedOpen {
 protected:
  HelpPages() : RecordedOpen(L"htmlfile") {}
  void SetUp() override {
    extension_.emplace(ScopedRegistryValue::String(HKEY_CLASSES_ROOT, L".html", L"", L"htmlfile"));
    ASSERT_TRUE(extension_->Set());
    RecordedOpen::SetUp();
  }
  void TearDown() override {
    RecordedOpen::TearDown();
    extension_.reset();
  }

  std::optional<ScopedRegistryValue> extension_;
};

TEST_F(WebSite, FileMenuOpensTheAddressWithTheUsersBrowser) {
  ChooseFromMenu("Alt+F", "K");
  EXPECT_EQ(Recorded(), std::optional<std::string>(std::string(kWebSite) + "\n"));
  // The calculator carries on; the fixture ends it with File > Terminate.
  EXPECT_TRUE(WaitForInputProcessed(main_));
  EXPECT_TRUE(IsVisible(main_));
}

TEST_F(HelpPages, F1OpensThePageAboutTheFieldInUseAndTheMenuTheContents) {
  const std::string help = ExecutableDir() + "help\\";
  struct Case {
    const char* where;
    std::function<void()> focus;
    const char* page;
  };
  const std::vector<Case> cases = {
      {"euro field", [&] { FocusBy("Ctrl+E", "CEuro"); }, "converter.html"},
      {"pound field", [&] { FocusBy("Ctrl+Y", "CCyp"); }, "converter.html"},
      {"amount payable", [&] { FocusBy("Ctrl+H", "EdAmtEur"); }, "change-calculator.html"},
      {"euro paid",
       [&] {
         FocusBy("Ctrl+H", "EdAmtEur");
         Press("Tab");
         Press("Tab");
         ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("EdPaidEUR"); }));
       },
       "change-calculator.html"},
      {"Minimise button",
       [&] {
         FocusBy("Ctrl+E", "CEuro");
         Press("Shift+Tab");  // back from the first field to the button, the last
         ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("Button1"); })) << Describe(Focused());
       },
       "tray.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    ASSERT_TRUE(BringToForeground(main_));
    ASSERT_NO_FATAL_FAILURE(c.focus());
    Press("F1");
    EXPECT_EQ(Recorded(), std::optional<std::string>(help + c.page + "\n"));
  }
  // Help > Help topics: the contents, wherever the focus is.
  ASSERT_TRUE(BringToForeground(main_));
  ChooseFromMenu("Alt+H", "H");
  EXPECT_EQ(Recorded(), std::optional<std::string>(help + "index.html\n"));
}

}  // namespace
}  // namespace tallivo::test
