#include "net/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallivo {
namespace {

TEST(CommandLine, SplitAtTokenPlacesTheToken) {
  struct Case {
    std::string token, text;
    bool missingGoesRight;
    TokenPlacement placement;
    std::string left, right;
  };
  const std::vector<Case> cases = {
      {",", "a,b,c", false, {}, "a", "b,c"},
      {" -", "x -y", false, {false, true}, "x", " -y"},
      {" -", "x -y", false, {true, false}, "x -", "y"},
      {" -", "x -y", true, {true, true}, "x -", " -y"},
      {"ab", "ab", false, {}, "", ""},
      {"|", "abc", false, {true, true}, "abc", ""},
      {"|", "abc", true, {true, true}, "", "abc"},
      {"", "abc", false, {}, "abc", ""},
      {"", "abc", true, {}, "", "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token + " in " + c.text);
    std::string left = "stale", right = "stale";
    SplitAtToken(c.token, c.text, left, right, c.missingGoesRight, c.placement);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(right, c.right);
  }
}

TEST(CommandLine, SplitAtTokenMayWriteOverItsOwnText) {
  std::string text = "left,right";
  std::string right;
  SplitAtToken(",", text, text, right, false, {});
  EXPECT_EQ(text, "left");
  EXPECT_EQ(right, "right");
}

TEST(CommandLine, SplitsProgramFromParameters) {
  struct Case {
    std::string command, program, parameters;
  };
  const std::vector<Case> cases = {
      {R"("C:\Program Files\App\app.exe" -x "file")", R"(C:\Program Files\App\app.exe)", "-x file"},
      {R"(  "C:\Program Files\App\app.exe"  )", R"(C:\Program Files\App\app.exe)", ""},
      // Only two further quotes go.
      {R"("C:\a b\app.exe" "%1" "%2")", R"(C:\a b\app.exe)", R"(%1 "%2")"},
      {R"(C:\PROGRA~1\APP\APP.EXE "%1")", R"(C:\PROGRA~1\APP\APP.EXE)", "%1"},
      {R"(C:\WINDOWS\NOTEPAD.EXE %1)", R"(C:\WINDOWS\NOTEPAD.EXE)", "%1"},
      {R"(C:\app.exe -a -b)", R"(C:\app.exe)", "-a -b"},
      {R"(C:\Tools\x.exe \\server\share)", R"(C:\Tools\x.exe)", R"(\\server\share)"},
      {"prog.exe,arg", "prog.exe", "arg"},
      {"app -x", "app", "-x"},
      // A separator inside a path with an extension is no separator.
      {R"(C:\My -Programs\app.exe)", R"(C:\My -Programs\app.exe)", ""},
      {R"(C:\My -Programs\app.exe /s)", R"(C:\My -Programs\app.exe)", "/s"},
      // A lone quote is dropped.
      {R"(C:\app.exe "x)", R"(C:\app.exe x)", ""},
      {"rundll32.exe shell32.dll,OpenAs_RunDLL %1", "rundll32.exe", "shell32.dll,OpenAs_RunDLL %1"},
      {"", "", ""},
      {" \t ", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    std::string program = c.command;
    std::string parameters = "stale";
    SplitCommandLine(program, parameters);
    EXPECT_EQ(program, c.program);
    EXPECT_EQ(parameters, c.parameters);
  }
}

}  // namespace
}  // namespace tallivo
