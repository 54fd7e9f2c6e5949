// Which of the help formats an installation carries, and which one to show.
// Portable: no Windows headers.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tallivo {

enum class HelpFormat {
  kWinHelp,   // the old help file itself, for the WinHelp viewer
  kHtml,      // the HTML pages, opened in the user's browser
  kCompiled,  // the compiled HTML Help file beside the old help file's place
};

struct HelpDocument {
  HelpFormat format;
  std::string path;
};

// The help pages' folder beside the program, and their first page.
inline constexpr std::string_view kHelpFolder = "help";
inline constexpr std::string_view kHelpContentsPage = "index.html";

// The help to show for the WinHelp file `helpFile` (a Windows path such as
// "C:\Program\Tallivo.hlp"): that file itself when it exists, else the HTML
// pages' contents page in the "help" folder beside it, else the file of the
// same name with the extension ".chm"; nullopt when none exists.
std::optional<HelpDocument> ChooseHelpDocument(std::string_view helpFile,
                                               const std::function<bool(const std::string&)>& fileExists);

// The page that explains the part of the program with help context `context`
// (the numbers the forms give their controls); the contents page for a number
// no page explains.
std::string_view HelpPageFor(unsigned long context);

// Where `document` keeps `page`: the page beside the contents page, or the
// topic inside the compiled file ("C:\Tallivo\Tallivo.chm::/converter.html").
// The old help file has no pages: its own path.
std::string HelpTopicPath(const HelpDocument& document, std::string_view page);

}  // namespace tallivo
