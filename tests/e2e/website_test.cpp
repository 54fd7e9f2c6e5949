// File > Kelvor Website hands the company's address to whatever this user's
// system opens web addresses with. For the test that is a recorder registered
// for https addresses, so the address can be checked without a network.
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/e2e/tallivo_fixture.h"

namespace tallivo::test {
namespace {

constexpr char kWebSite[] = "https://www.kelvor.example/tallivo/";
// The shell starts a new program for the address, which can take seconds on a loaded machine.
constexpr Timeout kBrowserTimeout{60000};

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// Sets the default value of a registry key while it lives, then puts back what
// was there before: the old value, no value, or no key at all.
class RegistryDefault {
 public:
  RegistryDefault(HKEY root, const std::wstring& path, const std::wstring& value) : root_(root), path_(path) {
    Key key;
    for (std::size_t end = 0; end != std::wstring::npos;) {
      end = path.find(L'\\', end + 1);
      const std::wstring level = path.substr(0, end);
      HKEY raw = nullptr;
      DWORD disposition = 0;
      if (RegCreateKeyExW(root, level.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &raw,
                          &disposition) != ERROR_SUCCESS) {
        return;
      }
      key.reset(raw);
      if (disposition == REG_CREATED_NEW_KEY && created_.empty()) created_ = level;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (created_.empty() &&
        RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::vector<BYTE> data(size);
      if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return;
      data.resize(size);
      previous_ = Previous{type, std::move(data)};
    }
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    changing_ = true;
    set_ = RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes) == ERROR_SUCCESS;
  }
  RegistryDefault(const RegistryDefault&) = delete;
  RegistryDefault& operator=(const RegistryDefault&) = delete;
  ~RegistryDefault() {
    if (!created_.empty()) {
      RegDeleteTreeW(root_, created_.c_str());
      return;
    }
    if (!changing_) return;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_WRITE, &raw) != ERROR_SUCCESS) return;
    const Key key(raw);
    if (previous_) {
      RegSetValueExW(key.get(), nullptr, 0, previous_->type, previous_->data.data(),
                     static_cast<DWORD>(previous_->data.size()));
    } else {
      RegDeleteValueW(key.get(), nullptr);
    }
  }
  // True when the value was set.
  bool Set() const { return set_; }

 private:
  struct Previous {
    DWORD type;
    std::vector<BYTE> data;
  };
  HKEY root_;
  std::wstring path_;
  std::wstring created_;  // the outermost key this object created
  std::optional<Previous> previous_;
  bool changing_ = false;  // the value was (or may have been) overwritten
  bool set_ = false;
};

class WebSite : public ShownTallivoTest {
 protected:
  void SetUp() override {
    record_ = std::filesystem::temp_directory_path() /
              ("tallivo-website-" + std::to_string(GetCurrentProcessId()) + ".txt");
    std::filesystem::remove(record_);
    // The merged classes view: Wine's shell does not look in the user's own classes.
    const std::wstring command =
        BuildCommandLine(ExecutableDir() + "url_recorder.exe", {Narrow(record_.wstring())}) + L" \"%1\"";
    browser_.emplace(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", command);
    ASSERT_TRUE(browser_->Set());
    ShownTallivoTest::SetUp();
  }
  void TearDown() override {
    ShownTallivoTest::TearDown();
    browser_.reset();
    std::error_code ignored;
    std::filesystem::remove(record_, ignored);
  }

  // What the recorder was given, one argument a line, once it has run.
  std::optional<std::string> Recorded() const {
    if (!WaitUntil([&] { return std::filesystem::exists(record_); }, kBrowserTimeout)) return std::nullopt;
    std::ifstream in(record_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path record_;
  std::optional<RegistryDefault> browser_;
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
