#include "ui/amount_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace tallivo::ui {
namespace {

// A magnitude as decimal digits: 0.d1d2...dn × 10^point, without leading or
// trailing zeros; zero has no digits.
struct Decimal {
  std::string digits;
  int point = 0;

  bool IsZero() const { return digits.empty(); }
  // Digit `i` places right of the first one; zeros outside the digits.
  char DigitAt(int i) const {
    return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0';
  }
};

// The shortest decimal that reads back as `magnitude` (finite, not negative).
// Rounding this rather than the binary value makes 2.675 round to 2.68, as the
// user who typed 2.675 expects.
Decimal ShortestDecimal(double magnitude) {
  Decimal d;
  if (magnitude == 0) return d;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = text.find('e');
  for (char c : text.substr(0, e)) {
    if (c != '.') d.digits += c;
  }
  std::string_view exponent = text.substr(e + 1);
  const bool negative = exponent.front() == '-';
  exponent.remove_prefix(1);  // to_chars always writes the exponent's sign
  int magnitude_exponent = 0;
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), magnitude_exponent);
  d.point = (negative ? -magnitude_exponent : magnitude_exponent) + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps the first `keep` digit places (possibly none or fewer than the leading
// zeros), rounding the rest half away from zero.
void RoundKeeping(Decimal& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d = Decimal{};
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    std::size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
    if (i == 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    } else {
      ++d.digits[i - 1];
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d = Decimal{};
}

std::string GroupDigits(std::string_view digits, Grouping grouping, const NumberSeparators& separators) {
  if (grouping == Grouping::None || separators.thousands.empty()) return std::string(digits);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separators.thousands;
    out += digits[i];
  }
  return out;
}

const std::string& DecimalSeparator(const NumberSeparators& separators) {
  static const std::string kPoint = ".";
  return separators.decimal.empty() ? kPoint : separators.decimal;
}

// The general form of a magnitude already rounded to `precision` digits.
std::string GeneralDigits(const Decimal& d, int precision, Grouping grouping,
                          const NumberSeparators& separators) {
  if (d.IsZero()) return "0";
  const int size = static_cast<int>(d.digits.size());
  const int exponent = d.point - 1;
  if (exponent >= precision || exponent < -5) {
    std::string out(1, d.digits[0]);
    if (size > 1) out += DecimalSeparator(separators) + d.digits.substr(1);
    out += exponent < 0 ? "E-" : "E+";
    out += std::to_string(std::abs(exponent));
    return out;
  }
  std::string integer;
  for (int i = 0; i < d.point; ++i) integer += d.DigitAt(i);
  if (integer.empty()) integer = "0";
  std::string fraction;
  for (int i = d.point; i < size; ++i) fraction += d.DigitAt(i);  // leading zeros when point < 0
  std::string out = GroupDigits(integer, grouping, separators);
  if (!fraction.empty()) out += DecimalSeparator(separators) + fraction;
  return out;
}

int ClampPrecision(int precision) {
  return precision <= 0 ? kDefaultPrecision : std::min(precision, 40);
}

// A pattern split around its numeric part: the first run of '0', '#', '.' and
// ',' that holds a digit placeholder. A lone "." in "Fr. 0.00" stays literal.
struct Pattern {
  std::string_view prefix;
  std::string_view suffix;
  bool has_number = false;
  int min_integer = 0;
  int min_fraction = 0;
  int max_fraction = 0;
  Grouping grouping = Grouping::None;
};

bool IsPlaceholder(char c) {
  return c == '0' || c == '#' || c == '.' || c == ',';
}

Pattern SplitPattern(std::string_view text) {
  Pattern p;
  p.prefix = text;
  std::size_t start = 0;
  while (start < text.size()) {
    if (!IsPlaceholder(text[start])) {
      ++start;
      continue;
    }
    std::size_t end = start;
    bool digit = false;
    for (; end < text.size() && IsPlaceholder(text[end]); ++end) {
      if (text[end] == '0' || text[end] == '#') digit = true;
    }
    if (!digit) {
      start = end;
      continue;
    }
    p.prefix = text.substr(0, start);
    p.suffix = text.substr(end);
    p.has_number = true;
    bool in_fraction = false;
    for (char c : text.substr(start, end - start)) {
      if (c == ',') {
        p.grouping = Grouping::Thousands;
      } else if (c == '.') {
        in_fraction = true;
      } else if (in_fraction) {
        ++p.max_fraction;
        if (c == '0') ++p.min_fraction;
      } else if (c == '0') {
        ++p.min_integer;
      }
    }
    break;
  }
  return p;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool TakeSign(std::string_view& text, bool& negative) {
  if (text.empty() || (text.front() != '-' && text.front() != '+')) return false;
  negative = text.front() == '-';
  text.remove_prefix(1);
  return true;
}

// The number itself, separators dropped or translated to ASCII for
// from_chars; nullopt when it is not one.
std::optional<std::string> NormalizeNumber(std::string_view text, bool allow_exponent,
                                           const NumberSeparators& separators) {
  const std::string& decimal = DecimalSeparator(separators);
  std::string out;
  bool point = false;
  bool exponent = false;
  int mantissa_digits = 0;
  int exponent_digits = 0;
  while (!text.empty()) {
    const char c = text.front();
    if (c >= '0' && c <= '9') {
      out += c;
      ++(exponent ? exponent_digits : mantissa_digits);
      text.remove_prefix(1);
    } else if (!exponent && !point && text.starts_with(decimal)) {
      out += '.';
      point = true;
      text.remove_prefix(decimal.size());
    } else if (!exponent && !point && !separators.thousands.empty() &&
               text.starts_with(separators.thousands)) {
      text.remove_prefix(separators.thousands.size());
    } else if (allow_exponent && !exponent && mantissa_digits > 0 && (c == 'e' || c == 'E')) {
      out += 'e';
      exponent = true;
      text.remove_prefix(1);
      if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        out += text.front();
        text.remove_prefix(1);
      }
    } else {
      return std::nullopt;
    }
  }
  if (mantissa_digits == 0 || (exponent && exponent_digits == 0)) return std::nullopt;
  return out;
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | (ch >> 6));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else if (ch < 0x10000) {
    out += static_cast<char>(0xE0 | (ch >> 12));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (ch >> 18));
    out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

}  // namespace

std::string FormatPattern(double value, std::string_view pattern, const NumberSeparators& separators) {
  if (!std::isfinite(value)) return {};
  const Pattern p = SplitPattern(pattern);
  Decimal d = ShortestDecimal(std::fabs(value));
  std::string number;
  if (!p.has_number) {
    RoundKeeping(d, kDefaultPrecision);
    number = GeneralDigits(d, kDefaultPrecision, Grouping::None, separators);
  } else {
    RoundKeeping(d, d.point + p.max_fraction);
    std::string integer;
    for (int i = 0; i < d.point; ++i) integer += d.DigitAt(i);
    if (static_cast<int>(integer.size()) < p.min_integer) {
      integer.insert(0, static_cast<std::size_t>(p.min_integer) - integer.size(), '0');
    }
    std::string fraction;
    for (int i = 0; i < p.max_fraction; ++i) fraction += d.DigitAt(d.point + i);
    while (static_cast<int>(fraction.size()) > p.min_fraction && fraction.back() == '0') fraction.pop_back();
    if (integer.empty() && fraction.empty()) integer = "0";  // "#" still shows a zero
    number = GroupDigits(integer, p.grouping, separators);
    if (!fraction.empty()) number += DecimalSeparator(separators) + fraction;
  }
  std::string out;
  if (std::signbit(value) && !d.IsZero()) out += '-';
  out += p.prefix;
  out += number;
  out += p.suffix;
  return out;
}

std::string FormatGeneral(double value, int precision, Grouping grouping,
                          const NumberSeparators& separators) {
  if (!std::isfinite(value)) return {};
  precision = ClampPrecision(precision);
  Decimal d = ShortestDecimal(std::fabs(value));
  RoundKeeping(d, precision);
  std::string out = std::signbit(value) && !d.IsZero() ? "-" : "";
  return out + GeneralDigits(d, precision, grouping, separators);
}

std::optional<double> ParseAmount(std::string_view text, const AmountParseRules& rules,
                                  const NumberSeparators& separators) {
  const bool calculator = rules.kind == AmountFieldKind::Calculator;
  if (!calculator && text == rules.null_string) return std::nullopt;
  if (calculator) text = TrimBlanks(text);
  const Pattern p = SplitPattern(rules.pattern);
  // The sign may stand before the literal prefix ("-€1.46", as formatted) or after it.
  bool negative = false;
  const bool signed_before = TakeSign(text, negative);
  if (p.has_number && !p.prefix.empty() && text.starts_with(p.prefix)) text.remove_prefix(p.prefix.size());
  if (!signed_before) TakeSign(text, negative);
  if (p.has_number && !p.suffix.empty() && text.ends_with(p.suffix)) text.remove_suffix(p.suffix.size());

  // Both kinds read an exponent: the plain edit text of a huge value has one.
  const std::optional<std::string> number = NormalizeNumber(text, true, separators);
  if (!number) return std::nullopt;
  double value = 0;
  const auto result = std::from_chars(number->data(), number->data() + number->size(), value);
  if (result.ec != std::errc() || result.ptr != number->data() + number->size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

double AmountBounds::Clamp(double value) const {
  if (!Active()) return value;
  return std::clamp(value, min_value, max_value);
}

std::optional<std::string> TypedText(char32_t ch, AmountFieldKind kind, const NumberSeparators& separators) {
  if ((ch >= '0' && ch <= '9') || ch == '-' || ch == '+') return std::string(1, static_cast<char>(ch));
  if (kind == AmountFieldKind::Currency && (ch == '.' || ch == ',')) return DecimalSeparator(separators);
  if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return std::nullopt;
  // A character of the decimal separator: lets a separator of several
  // characters be typed one at a time.
  std::string typed;
  AppendUtf8(typed, ch);
  if (DecimalSeparator(separators).find(typed) != std::string::npos) return typed;
  return std::nullopt;
}

std::string DisplayText(std::optional<double> value, const AmountFieldSettings& field,
                        const NumberSeparators& separators) {
  if (!value) return field.kind == AmountFieldKind::Currency ? field.null_string : std::string();
  return FormatPattern(*value, field.display_format, separators);
}

std::string EditText(std::optional<double> value, const AmountFieldSettings& field,
                     const NumberSeparators& separators) {
  if (!value) return {};
  if (!field.edit_format.empty()) return FormatPattern(*value, field.edit_format, separators);
  if (field.use_display_format_when_editing) return FormatPattern(*value, field.display_format, separators);
  return FormatGeneral(*value, field.precision,
                       field.use_thousand_separator ? Grouping::Thousands : Grouping::None, separators);
}

std::optional<double> ParseFieldText(std::string_view text, const AmountFieldSettings& field,
                                     const NumberSeparators& separators) {
  AmountParseRules rules{field.kind, field.display_format, field.null_string};
  if (auto value = ParseAmount(text, rules, separators)) return value;
  if (field.edit_format.empty()) return std::nullopt;
  rules.pattern = field.edit_format;
  return ParseAmount(text, rules, separators);
}

}  // namespace tallivo::ui
