#include "app/help_win.h"

#include <shellapi.h>

#include "app/help_files.h"
#include "ui/application_win.h"
#include "ui/text_win.h"

namespace tallivo {
namespace {

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(ui::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string DefaultHelpFile() {
  const std::string exe = ui::Application().ExeName();
  return exe.substr(0, exe.find_last_of('\\') + 1) + "Tallivo.hlp";
}

}  // namespace

HelpViewer SystemHelpViewer() {
  HelpViewer viewer;
  viewer.winHelp = [](HWND owner, const std::string& helpFile, UINT command, ULONG_PTR data) {
    return WinHelpW(owner, ui::Widen(helpFile).c_str(), command, data) != FALSE;
  };
  viewer.open = [](HWND owner, const std::string& document) {
    // A topic inside a compiled help file is no file of its own: the HTML
    // Help viewer opens it.
    const bool topic = document.find("::/") != std::string::npos;
    const std::wstring path = ui::Widen(document);
    const std::wstring quoted = L"\"" + path + L"\"";
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", topic ? L"hh.exe" : path.c_str(),
                                                topic ? quoted.c_str() : nullptr, nullptr, SW_SHOWNORMAL));
    // ShellExecute reports success as a value above 32.
    return result > 32;
  };
  return viewer;
}

bool ShowHelp(HWND owner, UINT command, ULONG_PTR data) {
  return ShowHelp(owner, command, data, ui::Application().HelpFile(), SystemHelpViewer());
}

bool ShowHelp(HWND owner, UINT command, ULONG_PTR data, const std::string& helpFile,
              const HelpViewer& viewer) {
  const std::optional<HelpDocument> document =
      ChooseHelpDocument(helpFile.empty() ? DefaultHelpFile() : helpFile, FileExists);
  if (!document) return false;
  if (document->format == HelpFormat::kWinHelp) return viewer.winHelp(owner, document->path, command, data);
  // A browser or the HTML Help viewer stays open on its own; nothing to quit.
  if (command == HELP_QUIT) return true;
  if (command == HELP_CONTEXT) return viewer.open(owner, HelpTopicPath(*document, HelpPageFor(data)));
  return viewer.open(owner, document->path);
}

}  // namespace tallivo
