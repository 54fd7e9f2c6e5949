#include "net/text_util.h"

#include <limits>

namespace tallivo {

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  text = TrimLeftBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimLeftBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string AsciiUpper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string AsciiLower(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::optional<int> ParseDecimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Stops at 2^31 (the magnitude of the most negative int): no overflow however many digits.
  long long value = 0;
  constexpr long long kLimit = -static_cast<long long>(std::numeric_limits<int>::min());
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > kLimit) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(value);
}

std::string_view FileExtension(std::string_view fileName) {
  const std::size_t at = fileName.find_last_of(".\\:");
  if (at == std::string_view::npos || fileName[at] != '.') return {};
  return fileName.substr(at);
}

std::string_view FileFolder(std::string_view fileName) {
  const std::size_t at = fileName.find_last_of("\\:");
  if (at == std::string_view::npos) return {};
  return fileName.substr(0, at + 1);
}

std::string_view FileNamePart(std::string_view fileName) {
  return fileName.substr(FileFolder(fileName).size());
}

}  // namespace tallivo
