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

}  // namespace tallivo
