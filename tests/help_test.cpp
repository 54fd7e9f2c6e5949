// Help > Help topics and F1: what ShowHelp starts for each installation, seen
// through a recording viewer instead of the real ones; and the help pages
// built beside the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/help_win.h"
#include "ui/application_win.h"
#include "ui/text_win.h"

namespace tallivo {
namespace {

namespace fs = std::filesystem;

struct Call {
  std::string viewer;  // "winhelp" or "open"
  std::string file;
  UINT command = 0;
  ULONG_PTR data = 0;
  HWND owner = nullptr;
  bool operator==(const Call&) const = default;
};

// Records what help would have started.
struct Recorder {
  std::vector<Call> calls;
  HelpViewer Viewer() {
    HelpViewer v;
    v.winHelp = [this](HWND owner, const std::string& file, UINT command, ULONG_PTR data) {
      calls.push_back({"winhelp", file, command, data, owner});
      return true;
    };
    v.open = [this](HWND owner, const std::string& file) {
      calls.push_back({"open", file, 0, 0, owner});
      return true;
    };
    return v;
  }
};

std::string ProgramDir() {
  const std::string exe = ui::Application().ExeName();
  return exe.substr(0, exe.find_last_of('\\') + 1);
}

// A fresh folder that stands in for an installation; removed afterwards.
class Installation {
 public:
  explicit Installation(const std::vector<std::string>& files) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    dir_ = fs::path(temp) /
           ("tallivo-help-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(next_++));
    fs::create_directories(dir_ / "help");
    for (const std::string& f : files) std::ofstream(dir_ / ui::Widen(f)) << "help";
  }
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;
  ~Installation() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return ui::Narrow((dir_ / ui::Widen(name)).wstring()); }

 private:
  static inline int next_ = 0;
  fs::path dir_;
};

TEST(ShowHelp, StartsTheViewerOfTheHelpInstalled) {
  struct Case {
    const char* name;
    std::vector<std::string> files;
    UINT command;
    ULONG_PTR data;
    bool shown;
    std::vector<Call> expected;  // file names relative to the installation
  };
  const HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  const std::vector<Case> cases = {
      {"old help file: contents through WinHelp",
       {"Tallivo.hlp", "help\\index.html", "Tallivo.chm"},
       HELP_FINDER,
       0,
       true,
       {{"winhelp", "Tallivo.hlp", HELP_FINDER, 0, owner}}},
      {"old help file: context passed on",
       {"Tallivo.hlp"},
       HELP_CONTEXT,
       1003,
       true,
       {{"winhelp", "Tallivo.hlp", HELP_CONTEXT, 1003, owner}}},
      {"old help file: quit passed on",
       {"Tallivo.hlp"},
       HELP_QUIT,
       0,
       true,
       {{"winhelp", "Tallivo.hlp", HELP_QUIT, 0, owner}}},
      {"pages: contents in the browser",
       {"help\\index.html", "Tallivo.chm"},
       HELP_FINDER,
       0,
       true,
       {{"open", "help\\index.html", 0, 0, owner}}},
      {"pages: a context opens its page",
       {"help\\index.html"},
       HELP_CONTEXT,
       1009,
       true,
       {{"open", "help\\change-calculator.html", 0, 0, owner}}},
      {"pages: other commands open the contents",
       {"help\\index.html"},
       HELP_INDEX,
       0,
       true,
       {{"open", "help\\index.html", 0, 0, owner}}},
      {"compiled help: a context opens its topic",
       {"Tallivo.chm"},
       HELP_CONTEXT,
       1003,
       true,
       {{"open", "Tallivo.chm::/converter.html", 0, 0, owner}}},
      {"pages: quit has nothing to close", {"help\\index.html"}, HELP_QUIT, 0, true, {}},
      {"compiled help only", {"Tallivo.chm"}, HELP_FINDER, 0, true, {{"open", "Tallivo.chm", 0, 0, owner}}},
      {"no help installed", {}, HELP_FINDER, 0, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Installation installation(c.files);
    Recorder recorder;
    EXPECT_EQ(ShowHelp(owner, c.command, c.data, installation.Path("Tallivo.hlp"), recorder.Viewer()),
              c.shown);
    std::vector<Call> expected = c.expected;
    for (Call& call : expected) call.file = installation.Path(call.file);
    EXPECT_EQ(recorder.calls, expected);
  }
}

TEST(ShowHelp, AViewerThatFailsIsReported) {
  const Installation installation({"help\\index.html"});
  HelpViewer failing;
  failing.open = [](HWND, const std::string&) { return false; };
  EXPECT_FALSE(ShowHelp(nullptr, HELP_FINDER, 0, installation.Path("Tallivo.hlp"), failing));
}

// The build puts the pages and Tallivo.chm beside the program (and so beside
// this test), with no old help file: F1 opens the pages' contents.
TEST(ShowHelp, TheProgramsFolderOpensTheBuiltPages) {
  for (const std::string& helpFile : {ProgramDir() + "Tallivo.hlp", std::string()}) {
    SCOPED_TRACE(helpFile);
    Recorder recorder;
    EXPECT_TRUE(ShowHelp(nullptr, HELP_FINDER, 0, helpFile, recorder.Viewer()));
    EXPECT_EQ(recorder.calls,
              (std::vector<Call>{{"open", ProgramDir() + "help\\index.html", 0, 0, nullptr}}));
  }
  EXPECT_TRUE(fs::is_regular_file(fs::path(ui::Widen(ProgramDir() + "Tallivo.chm"))));
}

// Every page the contents reach, and every picture and style sheet they use,
// is there; each page has a title.
TEST(HelpPages, LinksAndPicturesResolve) {
  const fs::path root = fs::path(ui::Widen(ProgramDir())) / "help";
  const std::regex reference(R"re((?:href|src)="([^"#:]+)(?:#[^"]*)?")re");
  const std::regex title("<title>[^<]+</title>");
  std::set<fs::path> seen;
  std::vector<fs::path> pending = {root / "index.html"};
  const std::vector<std::string> topics = {"converter.html", "change-calculator.html", "shortcuts.html",
                                           "tray.html", "updates.html"};
  while (!pending.empty()) {
    const fs::path page = pending.back();
    pending.pop_back();
    if (!seen.insert(page.lexically_normal()).second) continue;
    std::ifstream in(page, std::ios::binary);
    ASSERT_TRUE(in) << page.string();
    std::stringstream text;
    text << in.rdbuf();
    const std::string html = text.str();
    EXPECT_TRUE(std::regex_search(html, title)) << page.string();
    for (std::sregex_iterator it(html.begin(), html.end(), reference), end; it != end; ++it) {
      const fs::path target = (page.parent_path() / (*it)[1].str()).lexically_normal();
      EXPECT_TRUE(fs::is_regular_file(target)) << page.string() << " -> " << (*it)[1].str();
      if (target.extension() == ".html" && fs::is_regular_file(target)) pending.push_back(target);
    }
  }
  for (const std::string& topic : topics) EXPECT_TRUE(seen.count((root / topic).lexically_normal())) << topic;
}

}  // namespace
}  // namespace tallivo
