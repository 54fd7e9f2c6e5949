#include "upgrader/info_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace tallivo {
namespace {

// ASCII only: the file has no charset, and bytes from 128 up must stay put.
char LowerASCII(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCopy(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerASCII(c);
  return lower;
}

// The value starting at `start` in `text`, up to its terminator.
std::string ValueAt(std::string_view text, std::size_t start, bool isBlock) {
  std::size_t end = start;
  if (isBlock) {
    end = text.find('}', start);
    if (end == std::string_view::npos) end = text.size();
  } else {
    while (end < text.size() && static_cast<unsigned char>(text[end]) >= 32) ++end;
  }
  return std::string(text.substr(start, end - start));
}

std::string ValueOf(std::string_view text, std::string_view lower, std::string_view key, bool isBlock) {
  const std::string pattern = "#" + LowerCopy(key) + (isBlock ? "={" : "=");
  const std::size_t at = lower.find(pattern);
  if (at == std::string_view::npos) return {};
  return ValueAt(text, at + pattern.size(), isBlock);
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading spaces, an optional sign, then decimal digits or "$"/"0x" and
// hexadecimal ones, and nothing else. nullopt for anything beyond 64 bits
// rather than a wrapped-around value.
std::optional<std::int64_t> ParseInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  unsigned base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return std::nullopt;
  // The magnitude may reach 2^63 for the most negative value.
  const std::uint64_t limit =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  std::uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    const int digit = DigitValue(s[i]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
    if (magnitude > (limit - static_cast<unsigned>(digit)) / base) return std::nullopt;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
  }
  if (!negative) return static_cast<std::int64_t>(magnitude);
  // Negate in unsigned arithmetic: 2^63 has no positive int64.
  return magnitude == 0 ? 0 : -static_cast<std::int64_t>(magnitude - 1) - 1;
}

std::array<std::string_view, 4> VersionParts(std::string_view version, std::string& buffer) {
  buffer.assign(version);
  buffer += '.';
  std::string_view rest = buffer;
  std::array<std::string_view, 4> parts;
  for (std::string_view& part : parts) {
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) {
      part = "0";
    } else {
      part = rest.substr(0, dot);
      rest.remove_prefix(dot + 1);
    }
  }
  return parts;
}

// Unsigned bytes, a prefix first: the order of the file's 8-bit text.
int CompareBytes(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool IsLeapYear(std::int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::int64_t DaysInMonth(std::int64_t year, std::int64_t month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

std::string ZeroPadded(int value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

}  // namespace

std::string GetInfoValue(std::string_view text, std::string_view key, bool isBlock) {
  return ValueOf(text, LowerCopy(text), key, isBlock);
}

std::vector<std::string> BuildDownloadList(std::string_view text) {
  const std::string lower = LowerCopy(text);
  const std::string_view view = lower;
  constexpr std::string_view kPrefix = "#url";
  constexpr std::size_t kNone = std::string_view::npos;
  // Asking GetInfoValue for every N would be quadratic in the number of
  // entries. Instead one pass notes where the first "#url<N>=" of each N has
  // its value. Only N in plain decimal (no leading zero) is ever asked for,
  // and each step of the list needs an entry of its own, so N stays below
  // the number of "#url" in the text plus 3.
  std::size_t count = 0;
  for (std::size_t at = view.find(kPrefix); at != kNone; at = view.find(kPrefix, at + 1)) ++count;
  std::size_t plainValue = kNone;                       // "#url="
  std::vector<std::size_t> numbered(count + 3, kNone);  // "#url0=", "#url1=", ...
  for (std::size_t at = view.find(kPrefix); at != kNone; at = view.find(kPrefix, at + 1)) {
    const std::size_t digits = at + kPrefix.size();
    std::size_t end = digits;
    std::uint64_t n = 0;
    while (end < view.size() && view[end] >= '0' && view[end] <= '9') {
      if (n < numbered.size()) n = n * 10 + static_cast<unsigned>(view[end] - '0');
      ++end;
    }
    if (end == view.size() || view[end] != '=') continue;
    if (end == digits) {
      if (plainValue == kNone) plainValue = end + 1;
    } else if ((view[digits] != '0' || end - digits == 1) && n < numbered.size() && numbered[n] == kNone) {
      numbered[n] = end + 1;
    }
  }
  const auto valueAt = [&](std::size_t start) {
    return start == kNone ? std::string() : ValueAt(text, start, false);
  };

  std::vector<std::string> list;
  std::size_t budget = text.size() + kDownloadListSlack;
  const auto add = [&](std::size_t start) {
    std::string url = valueAt(start);
    if (url.empty() || url.size() > budget) return false;
    budget -= url.size();
    list.push_back(std::move(url));
    return true;
  };
  for (const std::size_t start : {plainValue, numbered[0]}) add(start);
  for (std::size_t n = list.size() + 1; n < numbered.size() && add(numbered[n]); ++n) {
  }
  return list;
}

int CompareVersions(std::string_view remote, std::string_view local) {
  std::string remoteBuffer;
  std::string localBuffer;
  const auto remoteParts = VersionParts(remote, remoteBuffer);
  const auto localParts = VersionParts(local, localBuffer);
  for (std::size_t i = 0; i < remoteParts.size(); ++i) {
    const std::optional<std::int64_t> r = ParseInteger(remoteParts[i]);
    const std::optional<std::int64_t> l = ParseInteger(localParts[i]);
    if (!r || !l) return CompareBytes(remote, local);
    if (*r != *l) return *r > *l ? 1 : -1;
  }
  return 0;
}

InfoDate ParseInfoDate(std::string_view s, InfoDate today) {
  const std::size_t p1 = s.find('/');
  if (p1 == std::string_view::npos) return today;
  const std::size_t p2 = s.find('/', p1 + 1);
  if (p2 == std::string_view::npos) return today;
  const std::optional<std::int64_t> month = ParseInteger(s.substr(0, p1));
  const std::optional<std::int64_t> day = ParseInteger(s.substr(p1 + 1, p2 - p1 - 1));
  const std::optional<std::int64_t> year = ParseInteger(s.substr(p2 + 1));
  if (!month || !day || !year) return today;
  if (*year < 1 || *year > 9999 || *month < 1 || *month > 12) return today;
  if (*day < 1 || *day > DaysInMonth(*year, *month)) return today;
  return {static_cast<int>(*year), static_cast<int>(*month), static_cast<int>(*day)};
}

std::string FormatInfoDate(InfoDate d) {
  return ZeroPadded(d.month, 2) + "/" + ZeroPadded(d.day, 2) + "/" + ZeroPadded(d.year, 4);
}

bool IsNewerVersion(std::string_view text, TupVersionControl control, std::string_view versionNumber,
                    std::string_view versionDate, InfoDate today) {
  if (control == TupVersionControl::byNumber)
    return CompareVersions(GetInfoValue(text, "version", false), versionNumber) > 0;
  return ParseInfoDate(versionDate, today) < ParseInfoDate(GetInfoValue(text, "date", false), today);
}

TupUpgradeMethod UpgradeMethodOf(std::string_view text) {
  const std::string method = GetInfoValue(text, "method", false);
  if (method.empty()) return TupUpgradeMethod::umSelfUpgrade;
  switch (method.front()) {
    case '1':
      return TupUpgradeMethod::umUseExternalSetup;
    case '2':
      return TupUpgradeMethod::umRedirectToURL;
    default:
      return TupUpgradeMethod::umSelfUpgrade;
  }
}

}  // namespace tallivo
