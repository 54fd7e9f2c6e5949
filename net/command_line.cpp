#include "net/command_line.h"

#include <algorithm>
#include <array>
#include <utility>

#include "net/text_util.h"

namespace tallivo {

namespace {

// Takes out the first double quote of `text`; returns where it was, or npos.
std::size_t RemoveQuote(std::string& text) {
  const std::size_t at = text.find('"');
  if (at != std::string::npos) text.erase(at, 1);
  return at;
}

// Step 2: a quoted program or quoted parameters. False when there are not
// two quotes (the first one is gone all the same).
bool SplitQuoted(std::string& command, std::string& parameters) {
  const std::size_t open = RemoveQuote(command);
  if (open == std::string::npos) return false;
  const std::size_t close = RemoveQuote(command);
  if (close == std::string::npos) return false;
  if (open == 0) {
    // The character after the closing quote is normally the separating space.
    std::string rest = command.substr(std::min(close + 1, command.size()));
    parameters = std::string(TrimBlanks(rest));
    RemoveQuote(parameters);
    RemoveQuote(parameters);
    command.resize(close);
  } else {
    parameters = command.substr(open);
    // Drops the character before the quote too, normally the separating space.
    command.resize(open - 1);
  }
  return true;
}

// Step 3: an unquoted command, split at the first separator that does not lie
// inside the program's path.
void SplitUnquoted(std::string& command, std::string& parameters) {
  struct Separator {
    std::string_view token;
    bool keep;
  };
  static constexpr std::array<Separator, 5> kSeparators = {
      {{" -", true}, {" /", true}, {" \\", true}, {",", false}, {" %", true}}};
  parameters.clear();
  for (const Separator& separator : kSeparators) {
    if (!parameters.empty()) break;
    std::string left;
    std::string right;
    SplitAtToken(separator.token, command, left, right, false, {false, separator.keep});
    if (!FileExtension(command).empty() && FileExtension(left).empty()) continue;
    command = std::move(left);
    parameters = std::move(right);
  }
}

}  // namespace

void SplitAtToken(std::string_view token, std::string_view text, std::string& left, std::string& right,
                  bool missingGoesRight, TokenPlacement placement) {
  const std::size_t at = token.empty() ? std::string_view::npos : text.find(token);
  // Built apart first: `text` may be a view of `left` or `right`.
  std::string before;
  std::string after;
  if (at == std::string_view::npos) {
    (missingGoesRight ? after : before) = text;
  } else {
    before = text.substr(0, at);
    after = text.substr(at + token.size());
    if (placement.onLeft) before += token;
    if (placement.onRight) after.insert(0, token);
  }
  left = std::move(before);
  right = std::move(after);
}

void SplitCommandLine(std::string& command, std::string& parameters) {
  command = std::string(TrimBlanks(command));
  const bool quoted = SplitQuoted(command, parameters);
  const std::string untouched = command;
  if (!quoted) SplitUnquoted(command, parameters);

  // "rundll32.exe shell32.dll,Entry %1": the program is rundll32 and the DLL
  // one of its parameters. A name without a space has nothing to split.
  if (AsciiUpper(FileExtension(command)) == ".DLL" &&
      AsciiUpper(command).find("RUNDLL") != std::string::npos) {
    const std::string_view name = FileNamePart(untouched);
    const std::size_t space = name.find(' ');
    if (space != std::string_view::npos) {
      command = std::string(FileFolder(untouched)).append(name.substr(0, space));
      parameters = std::string(name.substr(space + 1));
    }
  }
  command = std::string(TrimBlanks(command));
  parameters = std::string(TrimBlanks(parameters));
}

}  // namespace tallivo
