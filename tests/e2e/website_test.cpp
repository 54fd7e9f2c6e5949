// File > Kelvor Website hands the company's address to whatever this user's
// system opens web addresses with. For the test that is a recorder registered
// for https addresses, so the address can be checked without a network.
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "tests/e2e/tallivo_fixture.h"

namespace tallivo::test {
namespace {

constexpr char kWebSite[] = "https://www.kelvor.example/tallivo/";
// The shell starts a new program for the address, which can take seconds on a loaded machine.
constexpr Timeout kBrowserTimeout{60000};

class WebSite : public ShownTallivoTest {
 protected:
  void SetUp() override {
    record_ = std::filesystem::temp_directory_path() /
              ("tallivo-website-" + std::to_string(GetCurrentProcessId()) + ".txt");
    std::filesystem::remove(record_);
    // The merged classes view: Wine's shell does not look in the user's own classes.
    const std::wstring command =
        BuildCommandLine(ExecutableDir() + "url_recorder.exe", {Narrow(record_.wstring())}) + L" \"%1\"";
    browser_.emplace(
        ScopedRegistryValue::String(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", L"", command));
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
  std::optional<std::string> Recorded() const {
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
    return recorded;
  }

  std::filesystem::path record_;
  std::optional<ScopedRegistryValue> browser_;
};

TEST_F(WebSite, FileMenuOpensTheAddressWithTheUsersBrowser) {
  Press("Alt+F");
  ASSERT_NE(WaitForWindow({"#32768", "", process_->Id(), true}), nullptr) << "no File menu";
  ASSERT_TRUE(PressKeys("K"));
  EXPECT_EQ(Recorded(), std::optional<std::string>(std::string(kWebSite) + "\n"));
  // The calculator carries on; the fixture ends it with File > Terminate.
  EXPECT_TRUE(WaitForInputProcessed(main_));
  EXPECT_TRUE(IsVisible(main_));
}

}  // namespace
}  // namespace tallivo::test
