#include "net/url.h"

#include "net/text_util.h"

namespace tallivo {

namespace {

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

bool HasControl(std::string_view text) {
  for (const char c : text) {
    if (IsControl(c)) return true;
  }
  return false;
}

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %xx turned into the byte; a "%" without two hexadecimal digits stays.
std::string Unescape(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      result += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      result += text[i];
    }
  }
  return result;
}

bool ValidScheme(std::string_view scheme) {
  if (scheme.empty() || scheme.size() > kMaxSchemeLength || !IsAsciiLetter(scheme.front())) return false;
  for (const char c : scheme) {
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

std::uint16_t DefaultPort(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  if (scheme == "ftp") return 21;
  if (scheme == "gopher") return 70;
  return 0;
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// "file:///C:/dir/x.txt" names C:\dir\x.txt, "file://server/share/x" the
// share \\server\share\x; no host, port, log-in or extra information.
std::optional<URLParts> SplitFileURL(std::string_view rest) {
  std::string path = Unescape(rest);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  const bool drive = path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
  const bool slashDrive = path.size() >= 3 && path[0] == '\\' && IsAsciiLetter(path[1]) && path[2] == ':';
  if (slashDrive) {
    path.erase(0, 1);
  } else if (!drive && !path.empty() && path[0] != '\\') {
    path.insert(0, "\\\\");
  }
  if (path.empty() || path.size() > kMaxURLPathLength || HasControl(path)) return std::nullopt;
  URLParts parts;
  parts.scheme = "file";
  parts.path = std::move(path);
  return parts;
}

}  // namespace

std::optional<URLParts> SplitURL(std::string_view url) {
  if (HasControl(url)) return std::nullopt;
  constexpr std::string_view kMark = "://";
  const std::size_t mark = url.find(kMark);
  std::string_view schemeText = "http";
  if (mark != std::string_view::npos) {
    schemeText = url.substr(0, mark);
    url.remove_prefix(mark + kMark.size());
  }
  if (!ValidScheme(schemeText)) return std::nullopt;
  const std::string scheme = AsciiLower(schemeText);
  if (scheme == "file") return SplitFileURL(url);

  const std::size_t authorityEnd = url.find_first_of("/?#");
  std::string_view hostPort = url.substr(0, authorityEnd);
  const std::string_view rest =
      authorityEnd == std::string_view::npos ? std::string_view() : url.substr(authorityEnd);

  URLParts parts;
  parts.scheme = scheme;
  // The last "@" ends the log-in, so a password may hold an unescaped "@".
  const std::size_t at = hostPort.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view login = hostPort.substr(0, at);
    hostPort.remove_prefix(at + 1);
    const std::size_t colon = login.find(':');
    parts.userName = Unescape(login.substr(0, colon));
    if (colon != std::string_view::npos) parts.password = Unescape(login.substr(colon + 1));
  }

  // "[::1]:8080": a colon inside the brackets of an IPv6 address is no port.
  parts.port = DefaultPort(scheme);
  const std::size_t colon = hostPort.rfind(':');
  const std::size_t bracket = hostPort.rfind(']');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    const std::string_view portText = hostPort.substr(colon + 1);
    hostPort = hostPort.substr(0, colon);
    if (!portText.empty()) {
      const std::optional<std::uint16_t> port = ParsePort(portText);
      if (!port) return std::nullopt;
      parts.port = *port;
    }
  }
  parts.host = Unescape(hostPort);
  if (parts.host.empty() || parts.host.find_first_of(" /\\?#@") != std::string::npos) return std::nullopt;

  const std::size_t extraStart = rest.find_first_of("?#");
  parts.path = Unescape(rest.substr(0, extraStart));
  if (extraStart != std::string_view::npos) parts.extraInfo = Unescape(rest.substr(extraStart));

  // The extra information is escaped again before it is sent; every other
  // part goes out as it is, where a control character has no business.
  if (parts.host.size() > kMaxHostLength || parts.userName.size() > kMaxUserNameLength ||
      parts.password.size() > kMaxPasswordLength || parts.path.size() > kMaxURLPathLength ||
      parts.extraInfo.size() > kMaxExtraInfoLength || HasControl(parts.host) || HasControl(parts.userName) ||
      HasControl(parts.password) || HasControl(parts.path)) {
    return std::nullopt;
  }
  return parts;
}

std::string EscapeURLChars(std::string_view text) {
  constexpr char kHex[] = "0123456789ABCDEF";
  constexpr std::string_view kEscaped = " #%*+<>";
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 128 || kEscaped.find(c) != std::string_view::npos) {
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 0xF];
    } else {
      result += c;
    }
  }
  return result;
}

std::string FileNameFromURLPath(std::string_view urlOrPath) {
  const std::size_t at = urlOrPath.find_last_of("/\\:");
  return std::string(at == std::string_view::npos ? urlOrPath : urlOrPath.substr(at + 1));
}

}  // namespace tallivo
