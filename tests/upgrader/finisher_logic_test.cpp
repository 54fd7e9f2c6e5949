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

TEST(FinisherChecks, FindsTheOneWellFormedLineOfAName) {
  const std::wstring h = L"00112233445566778899aabbccddeeff0123456789abcdeffedcba9876543210";
  const std::wstring upper = L"00112233445566778899AABBCCDDEEFF0123456789ABCDEFFEDCBA9876543210";
  const unsigned char digest[32] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa,
                                    0xbb, 0xcc, 0xdd, 0xee, 0xff, 0x01, 0x23, 0x45, 0x67, 0x89, 0xab,
                                    0xcd, 0xef, 0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
  const struct {
    std::wstring list;
    std::wstring_view name;
    bool found;
    unsigned long long size;
  } cases[] = {
      {L"3 " + h + L" a.txt\n", L"a.txt", true, 3},
      {L"12 " + upper + L" READ ME.TXT\n", L"read me.txt", true, 12},
      {L"1 " + h + L" a\n0 " + h + L" b c\n", L"b c", true, 0},
      {L"1 " + h + L" a\n0 " + h + L" b c\n", L"b", false, 0},
      {L"007 " + h + L"  a\n", L" a", true, 7},
      {L"9999999999999999999 " + h + L" a\n", L"a", true, 9999999999999999999ULL},
      {L"x " + h + L" a\n5 " + h + L" a\n", L"a", true, 5},  // the first names nothing
      {L"", L"a", false, 0},
      {L"3 " + h + L" a.txt", L"a.txt", false, 0},  // no LF: perhaps cut short
      {L"1 " + h + L" a\n2 " + h + L" b", L"b", false, 0},
      {L"1 " + h + L" a\n1 " + h + L" A\n", L"a", false, 0},
      {L"1 " + h + L" a.txt.bak\n", L"a.txt", false, 0},
      {L"1 " + h + L" a\n", L"a.txt", false, 0},
      {L"1 " + h + L" a\r\n", L"a", false, 0},
      {L"18446744073709551615 " + h + L" a\n", L"a", false, 0},
      {L"18446744073709551616 " + h + L" a\n", L"a", false, 0},
      {L" " + h + L" a\n", L"a", false, 0},
      {L"+3 " + h + L" a\n", L"a", false, 0},
      {L"3  " + h + L" a\n", L"a", false, 0},
      {L"3\t" + h + L" a\n", L"a", false, 0},
      {L"3 " + h + L"\ta\n", L"a", false, 0},
      {L"3 " + h + L" \n", L"", false, 0},
      {L"3 " + h.substr(1) + L" a\n", L"a", false, 0},
      {L"3 " + h + L"0 a\n", L"a", false, 0},
      {L"3 " + h.substr(1) + L"G a\n", L"a", false, 0},
      {L"3 " + h.substr(1) + L"\x10 a\n", L"a", false, 0},
      {L"3 " + h.substr(1) + L"\x130 a\n", L"a", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.list));
    Check check{};
    ASSERT_EQ(FindCheck(c.list, c.name, check), c.found);
    if (c.found) {
      EXPECT_EQ(check.size, c.size);
      EXPECT_EQ(std::vector<unsigned char>(check.sha256, check.sha256 + 32),
                std::vector<unsigned char>(digest, digest + 32));
    }
  }
}

}  // namespace
}  // namespace tallivo::finisher
