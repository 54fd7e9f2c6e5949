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

}  // namespace
}  // namespace tallivo
