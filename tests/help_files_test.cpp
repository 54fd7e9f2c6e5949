#include "app/help_files.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace tallivo {
namespace {

TEST(ChooseHelpDocument, PrefersWinHelpThenPagesThenCompiledHelp) {
  struct Case {
    const char* name;
    std::string helpFile;
    std::set<std::string> existing;
    std::optional<HelpFormat> format;
    std::string path;
  };
  const std::string dir = "C:\\Program Files\\Tallivo\\";
  const std::string hlp = dir + "Tallivo.hlp";
  const std::string pages = dir + "help\\index.html";
  const std::string chm = dir + "Tallivo.chm";
  const std::vector<Case> cases = {
      {"everything installed", hlp, {hlp, pages, chm}, HelpFormat::kWinHelp, hlp},
      {"pages and compiled help", hlp, {pages, chm}, HelpFormat::kHtml, pages},
      {"compiled help only", hlp, {chm}, HelpFormat::kCompiled, chm},
      {"nothing", hlp, {}, std::nullopt, ""},
      {"only unrelated files",
       hlp,
       {dir + "help.html", dir + "Other.chm", "C:\\help\\index.html"},
       std::nullopt,
       ""},
      {"no help file set", "", {pages, chm}, std::nullopt, ""},
      {"dotted folder, no extension",
       "C:\\v1.0\\Tallivo",
       {"C:\\v1.0\\Tallivo.chm"},
       HelpFormat::kCompiled,
       "C:\\v1.0\\Tallivo.chm"},
      {"forward slashes",
       "C:/Tallivo/Tallivo.hlp",
       {"C:/Tallivo/help\\index.html"},
       HelpFormat::kHtml,
       "C:/Tallivo/help\\index.html"},
      {"bare file name", "Tallivo.hlp", {"help\\index.html"}, HelpFormat::kHtml, "help\\index.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> asked;
    const auto document = ChooseHelpDocument(c.helpFile, [&](const std::string& path) {
      asked.push_back(path);
      return c.existing.count(path) > 0;
    });
    ASSERT_EQ(document.has_value(), c.format.has_value());
    if (!document) continue;
    EXPECT_EQ(document->format, *c.format);
    EXPECT_EQ(document->path, c.path);
    // Nothing further is looked at once a format is found.
    EXPECT_EQ(asked.back(), c.path);
  }
}

// F1 on a control opens the page that explains it: the main window's help
// contexts, as its form gives them, against the pages that explain them.
TEST(HelpPageFor, EachControlOfTheMainWindowGetsItsPage) {
  struct Case {
    unsigned long context;
    const char* what;
    std::string_view page;
  };
  const std::vector<Case> cases = {
      {1000, "the window itself", "index.html"},
      {1001, "the euro label", "converter.html"},
      {1002, "the pound label", "converter.html"},
      {1003, "the converter fields", "converter.html"},
      {1005, "the change calculator group", "change-calculator.html"},
      {1006, "the amount payable label", "change-calculator.html"},
      {1009, "the amount payable field", "change-calculator.html"},
      {1010, "the pounds paid field", "change-calculator.html"},
      {1011, "the change field", "change-calculator.html"},
      {1012, "the euro paid field", "change-calculator.html"},
      {1013, "the euro paid label", "change-calculator.html"},
      {1014, "the Minimise button", "tray.html"},
      {0, "no context", "index.html"},
      {1015, "a number no page explains", "index.html"},
      {999, "below the window's numbers", "index.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(HelpPageFor(c.context), c.page);
  }
}

TEST(HelpTopicPath, ThePageInEachFormat) {
  const std::string dir = "C:\\Program Files\\Tallivo\\";
  EXPECT_EQ(HelpTopicPath({HelpFormat::kHtml, dir + "help\\index.html"}, "converter.html"),
            dir + "help\\converter.html");
  EXPECT_EQ(HelpTopicPath({HelpFormat::kHtml, "help/index.html"}, "tray.html"), "help/tray.html");
  EXPECT_EQ(HelpTopicPath({HelpFormat::kCompiled, dir + "Tallivo.chm"}, "tray.html"),
            dir + "Tallivo.chm::/tray.html");
  EXPECT_EQ(HelpTopicPath({HelpFormat::kWinHelp, dir + "Tallivo.hlp"}, "tray.html"), dir + "Tallivo.hlp");
}

}  // namespace
}  // namespace tallivo
