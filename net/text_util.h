// Byte-string helpers shared by the net utilities. They treat text as bytes:
// no locale, no character classes beyond ASCII, safe on any input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallivo {

// `text` without leading and trailing bytes up to and including the space
// (control characters and NUL count as blanks, as in the framework's Trim).
std::string_view TrimBlanks(std::string_view text);

// `text` without leading blanks (see TrimBlanks).
std::string_view TrimLeftBlanks(std::string_view text);

// `text` with a-z turned into A-Z; every other byte unchanged.
std::string AsciiUpper(std::string_view text);

// `text` with A-Z turned into a-z; every other byte unchanged.
std::string AsciiLower(std::string_view text);

// Optional leading spaces, an optional sign and one or more decimal digits,
// nothing after them, within the 32-bit signed range; otherwise nullopt.
std::optional<int> ParseDecimal(std::string_view text);

// The extension of a Windows file name: from its last "." when no "\" or ":"
// follows that dot, dot included; empty otherwise.
std::string_view FileExtension(std::string_view fileName);

// The folder part of a Windows file name, up to and including its last "\"
// or ":"; empty when there is none.
std::string_view FileFolder(std::string_view fileName);

// The name after the last "\" or ":" of a Windows file name.
std::string_view FileNamePart(std::string_view fileName);

}  // namespace tallivo
