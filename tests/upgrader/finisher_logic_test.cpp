#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "upgrader/finisher/finisher.h"

namespace tallivo::finisher {
namespace {

using enum Method;

std::string Narrow(std::wstring_view text) {
  return std::string(text.begin(), text.end());
}

TEST(FinisherCommandLine, SplitsLikeWindowsPrograms) {
  const struct {
    std::wstring_view line;
    std::vector<std::wstring> arguments;
  } cases[] = {
      {L"", {}},
      {L"  a   \t b\r\nc\x01 ", {L"a", L"b", L"c"}},
      {L"a", {L"a"}},
      {L"\"a  b\" c", {L"a  b", L"c"}},
      {L"x\"a b\"y z", {L"xa by", L"z"}},
      {L"a \"\" b \"\"\"\"", {L"a", L"", L"b", L""}},
      {L"\"unterminated  quote", {L"unterminated  quote"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.line));
    std::vector<wchar_t> buffer(c.line.size() + 2, L'#');  // one guard past the promised size
    const std::size_t count = SplitArguments(c.line, buffer.data());
    EXPECT_EQ(buffer.back(), L'#') << "wrote past line.size() + 1";
    std::vector<std::wstring> arguments;
    for (const wchar_t* p = buffer.data(); arguments.size() < count; p += arguments.back().size() + 1) {
      arguments.emplace_back(p);
    }
    EXPECT_EQ(arguments, c.arguments);
  }
}

TEST(FinisherCommandLine, ReadsTheQuotedAndTheOlderForm) {
  const struct {
    std::wstring_view line;
    std::wstring_view program;
    std::wstring_view params;
    Method method;
  } cases[] = {
      {LR"("C:\Temp dir\U.exe" "C:\Program Files\T\T.exe" "+/afterupgrade0")", LR"(C:\Program Files\T\T.exe)",
       L"/afterupgrade", kSelfUpgrade},
      {LR"("C:\U.exe" "C:\a+b\+c\T.exe" "+/a b1")", LR"(C:\a+b\+c\T.exe)", L"/a b", kSetup},
      {LR"("C:\U.exe" "C:\a +b\T.exe")", LR"(C:\a +b\T.exe)", L"", kSelfUpgrade},
      {LR"(U.exe C:\Program   Files\T.exe +/afterupgrade1)", LR"(C:\Program Files\T.exe)", L"/afterupgrade",
       kSetup},
      // Unquoted, a "+" after a space is taken for the parameters: why the program quotes now.
      {LR"(U.exe C:\a +b\T.exe)", LR"(C:\a)", LR"(b\T.exe)", kSelfUpgrade},
      {LR"(U.exe C:\T.exe +/x)", LR"(C:\T.exe)", L"/x", kSelfUpgrade},
      {LR"(U.exe C:\T.exe +7)", LR"(C:\T.exe)", L"", kSelfUpgrade},
      {LR"(U.exe C:\T.exe +)", LR"(C:\T.exe)", L"", kSelfUpgrade},
      {LR"(U.exe C:\T.exe +/a +/b0)", LR"(C:\T.exe +/a)", L"/b", kSelfUpgrade},
      {LR"(U.exe C:\P F\T.exe /afterupgrade1)", LR"(C:\P F\T.exe /afterupgrade1)", L"", kSelfUpgrade},
      {LR"(U.exe +C:\T.exe)", LR"(+C:\T.exe)", L"", kSelfUpgrade},
      {LR"("C:\U.exe"  )", L"", L"", kSelfUpgrade},
      {L"", L"", L"", kSelfUpgrade},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.line));
    std::vector<wchar_t> buffer(c.line.size() + 1);
    const Request request = ReadRequest(c.line, buffer.data());
    EXPECT_EQ(request.program, c.program);
    EXPECT_EQ(request.params, c.params);
    EXPECT_EQ(request.method, c.method);
  }
}

TEST(FinisherCommandLine, FindsTheFolderAndQuotesTheRestart) {
  const struct {
    std::wstring_view program;
    std::wstring_view folder;
    std::wstring_view params;
    std::wstring_view command;
  } cases[] = {
      {LR"(C:\Program Files\T.exe)", LR"(C:\Program Files\)", L"/a /b", LR"("C:\Program Files\T.exe" /a /b)"},
      {LR"(\\server\a+b\T.exe)", LR"(\\server\a+b\)", L"", LR"("\\server\a+b\T.exe")"},
      {L"T.exe", L"", L"/a", LR"("T.exe" /a)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.command));
    EXPECT_EQ(c.program.substr(0, FolderLength(c.program)), c.folder);
    std::vector<wchar_t> buffer(c.program.size() + c.params.size() + 5, L'#');
    const std::size_t length = BuildCommandLine(c.program, c.params, buffer.data());
    EXPECT_EQ(std::wstring_view(buffer.data(), length + 1), std::wstring(c.command) + L'\0');
    EXPECT_EQ(buffer.back(), L'#') << "wrote past the promised size";
  }
}

TEST(FinisherTargets, NameWhatEachDownloadFileReplaces) {
  const struct {
    std::wstring_view listed;
    Method method;
    bool seen;  // a replacement of the program, before this file
    std::wstring_view name;
    Role role;
    bool seen_after;
  } cases[] = {
      {L"README.TXT.uTMP", kSelfUpgrade, false, L"README.TXT", Role::kFile, false},
      {L"a.b.utmp", kSelfUpgrade, false, L"a.b", Role::kFile, false},
      {L"new.exe.uTMP", kSelfUpgrade, false, L"Tallivo Program.exe", Role::kProgram, true},
      {L"new.exe.uTMP", kSelfUpgrade, true, L"new.exe", Role::kFile, true},
      {L"Tallivo.exe.uTMP", kSelfUpgrade, true, L"Tallivo.exe", Role::kFile, true},
      {L"exe.uTMP", kSelfUpgrade, false, L"Tallivo Program.exe", Role::kProgram, true},
      {L"exe.txt.uTMP", kSelfUpgrade, false, L"exe.txt", Role::kFile, false},
      {L"SETUP.EXE.uTMP", kSelfUpgrade, false, L"SETUP.EXE", Role::kFile, false},
      {L"Setup.Exe.uTMP", kSetup, false, L"Setup.Exe", Role::kFile, false},
      {L"setup.exe.uTMP", kSetup, false, L"setup.exe", Role::kSetup, true},
      {L"setup.exe.uTMP", kSetup, true, L"setup.exe", Role::kFile, true},
      {L"README.TXT.uTMP", kSetup, false, L"README.TXT", Role::kFile, false},
      {L".uTMP", kSelfUpgrade, false, L"", Role::kIgnore, false},
      {L"x.uTMPold", kSelfUpgrade, false, L"", Role::kIgnore, false},
      {L"TALLIV~1.UTM", kSelfUpgrade, false, L"", Role::kIgnore, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.listed));
    bool seen = c.seen;
    const Target target = DecideTarget(c.listed, L"Tallivo Program.exe", c.method, seen);
    EXPECT_EQ(target.role, c.role);
    if (c.role != Role::kIgnore) {
      EXPECT_EQ(target.name, c.name);
    }
    EXPECT_EQ(seen, c.seen_after);
  }
}

}  // namespace
}  // namespace tallivo::finisher
