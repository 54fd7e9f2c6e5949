#include "app/help_files.h"

namespace tallivo {

std::optional<HelpDocument> ChooseHelpDocument(std::string_view helpFile,
                                               const std::function<bool(const std::string&)>& fileExists) {
  if (helpFile.empty()) return std::nullopt;
  const std::string file(helpFile);
  if (fileExists(file)) return HelpDocument{HelpFormat::kWinHelp, file};

  const std::size_t slash = file.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
  std::string pages = folder;
  pages.append(kHelpFolder).append("\\").append(kHelpContentsPage);
  if (fileExists(pages)) return HelpDocument{HelpFormat::kHtml, pages};

  // The dot must belong to the file name, not to a folder name.
  const std::size_t dot = file.find_last_of('.');
  const std::string stem =
      dot == std::string::npos || (slash != std::string::npos && dot < slash) ? file : file.substr(0, dot);
  const std::string compiled = stem + ".chm";
  if (fileExists(compiled)) return HelpDocument{HelpFormat::kCompiled, compiled};
  return std::nullopt;
}

std::string_view HelpPageFor(unsigned long context) {
  struct Range {
    unsigned long first, last;
    std::string_view page;
  };
  // The main window's numbers: 1001-1004 the converter, 1005-1013 the change
  // calculator and its fields, 1014 the Minimise button.
  static constexpr Range kPages[] = {
      {1001, 1004, "converter.html"},
      {1005, 1013, "change-calculator.html"},
      {1014, 1014, "tray.html"},
  };
  for (const Range& r : kPages) {
    if (context >= r.first && context <= r.last) return r.page;
  }
  return kHelpContentsPage;
}

std::string HelpTopicPath(const HelpDocument& document, std::string_view page) {
  switch (document.format) {
    case HelpFormat::kHtml: {
      const std::size_t slash = document.path.find_last_of("\\/");
      return document.path.substr(0, slash == std::string::npos ? 0 : slash + 1).append(page);
    }
    case HelpFormat::kCompiled:
      return document.path + "::/" + std::string(page);
    case HelpFormat::kWinHelp:
      break;
  }
  return document.path;
}

}  // namespace tallivo
