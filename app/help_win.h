// The program's help: the WinHelp file when an installation still ships one
// (Windows has no WinHelp viewer any more), else the HTML help pages in the
// user's browser, else the compiled HTML Help file.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tallivo {

// How help reaches the screen; tests put their own in.
struct HelpViewer {
  // Shows `helpFile` for a WinHelp command; true when the viewer took it.
  std::function<bool(HWND owner, const std::string& helpFile, UINT command, ULONG_PTR data)> winHelp;
  // Opens `document` with the program the user associated with it; true on success.
  std::function<bool(HWND owner, const std::string& document)> open;
};

// WinHelpW and the shell's "open".
HelpViewer SystemHelpViewer();

// Shows help for a WinHelp command (HELP_CONTEXT opens the page of that
// context, HELP_FINDER and the rest the contents) of the application's help file, through the system's
// viewers; true when a viewer was started. For Application().OnHelp.
bool ShowHelp(HWND owner, UINT command, ULONG_PTR data);

// The same for the help file `helpFile` (empty: "Tallivo.hlp" beside the
// program) through `viewer`.
bool ShowHelp(HWND owner, UINT command, ULONG_PTR data, const std::string& helpFile,
              const HelpViewer& viewer);

}  // namespace tallivo
