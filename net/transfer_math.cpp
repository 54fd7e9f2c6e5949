#include "net/transfer_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "net/percent.h"
#include "net/text_util.h"

namespace tallivo {
std::optional<std::uint64_t> ParseContentLength(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

int ParseStatusCode(std::string_view text) {
  const std::optional<std::uint64_t> code = ParseContentLength(text);
  return code && *code <= static_cast<std::uint64_t>(std::numeric_limits<int>::max())
             ? static_cast<int>(*code)
             : 0;
}

std::string RealmOf(std::string_view wwwAuthenticate) {
  const std::size_t open = wwwAuthenticate.find("=\"");
  if (open == std::string_view::npos) return std::string(wwwAuthenticate);
  const std::string_view rest = wwwAuthenticate.substr(open + 2);
  return std::string(rest.substr(0, rest.find('"')));
}

std::string ExtraHeaderText(const std::vector<std::string>& lines, std::uint32_t startRange,
                            std::uint32_t endRange) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.find_first_of("\r\n") != std::string::npos) continue;
    text += line;
    text += "\r\n";
  }
  if (startRange != 0 || endRange != 0) {
    text += "RANGE: bytes=" + std::to_string(startRange) + "-";
    if (endRange != 0) text += std::to_string(endRange);
    text += "\r\n";
  }
  return text;
}

TransferStatistics ComputeStatistics(std::uint32_t contentLength, std::uint32_t bytesTransferred,
                                     std::uint32_t elapsedMs) {
  TransferStatistics s;
  s.percentDone = PercentOf(contentLength, bytesTransferred);
  const std::uint32_t elapsed = elapsedMs / 1000;
  s.elapsedTime =
      static_cast<std::int32_t>(std::min<std::uint32_t>(elapsed, std::numeric_limits<std::int32_t>::max()));
  if (bytesTransferred != 0) {
    const double remaining =
        std::nearbyint(static_cast<double>(contentLength) / bytesTransferred * elapsed) - elapsed;
    // A server that sent more than it announced would make this negative
    // beyond any meaning; keep it within the type.
    s.remainingTime = static_cast<std::int32_t>(
        std::clamp(remaining, static_cast<double>(std::numeric_limits<std::int32_t>::min()),
                   static_cast<double>(std::numeric_limits<std::int32_t>::max())));
  } else {
    s.remainingTime = -s.elapsedTime;
  }
  double rate = bytesTransferred / 1024.0;
  if (elapsed != 0) rate /= elapsed;
  s.transferRate = static_cast<float>(rate);
  return s;
}

}  // namespace tallivo
