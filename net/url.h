// URLs: splitting into parts, escaping, and the file name at the end of one.
// URLs come from the update server: any bytes are accepted, nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallivo {

// The parts of a URL, escape sequences (%xx) turned back into bytes.
struct URLParts {
  std::string scheme;  // lower case: "http", "https", "file", ...
  std::string host;    // empty only for "file"
  std::string path;    // "/dir/name"; for "file" a Windows path
  std::string userName;
  std::string password;
  std::string extraInfo;   // query and fragment, from "?" or "#" on
  std::uint16_t port = 0;  // the scheme's default when the URL names none; 0 if it has none
};

// The longest part SplitURL accepts, in bytes after unescaping.
inline constexpr std::size_t kMaxSchemeLength = 32;
inline constexpr std::size_t kMaxHostLength = 256;
inline constexpr std::size_t kMaxUserNameLength = 128;
inline constexpr std::size_t kMaxPasswordLength = 128;
inline constexpr std::size_t kMaxURLPathLength = 2048;
inline constexpr std::size_t kMaxExtraInfoLength = 2048;

// Splits `url` ("http://" assumed when it has no "://") into its parts;
// nullopt for a malformed URL, a part longer than its limit above, or a
// control character anywhere but in the extra information after unescaping.
std::optional<URLParts> SplitURL(std::string_view url);

// `text` with every byte below 32 or from 128 up, and each of space # % * + < >,
// written as "%" and two upper-case hexadecimal digits.
std::string EscapeURLChars(std::string_view text);

// The last component of a URL or path: the text after its last "/", "\" or ":".
std::string FileNameFromURLPath(std::string_view urlOrPath);

}  // namespace tallivo
