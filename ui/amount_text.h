// Text of the numeric amount fields: formatting a value for display and
// editing, reading the text back, bounds, and the characters typing may
// insert. Portable; the Win32 controls call it with the system's separators.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallivo::ui {

// The system's number separators, UTF-8; either may be several bytes (a
// no-break space) or several characters.
struct NumberSeparators {
  std::string thousands = ",";
  std::string decimal = ".";
};

// The two kinds of amount field; they differ in parsing and typing.
enum class AmountFieldKind { Calculator, Currency };

enum class Grouping { None, Thousands };

// Significant digits of the plain edit text of a field without Precision.
inline constexpr int kDefaultPrecision = 15;

// `value` with a pattern such as "€,0.00": literal text around the numeric part
// is copied, ',' groups thousands, '0' is a required and '#' an optional digit,
// '.' places the decimal separator; halves round away from zero on the shortest
// decimal form. Empty for NaN and infinities.
std::string FormatPattern(double value, std::string_view pattern, const NumberSeparators& separators);

// `value` with at most `precision` significant digits, no trailing zeros, in
// scientific form ("1.5E+12", "1E-6") only when the decimal exponent reaches
// `precision` or falls below -5. Empty for NaN and infinities.
std::string FormatGeneral(double value, int precision, Grouping grouping, const NumberSeparators& separators);

// How a field reads its text.
struct AmountParseRules {
  AmountFieldKind kind = AmountFieldKind::Currency;
  std::string pattern;      // literal text before and after its numeric part may surround the number
  std::string null_string;  // currency fields: exactly this text reads as null
};

// The finite value written in `text`, or nullopt for an empty text, no number,
// a value outside the double range, or the currency null string.
std::optional<double> ParseAmount(std::string_view text, const AmountParseRules& rules,
                                  const NumberSeparators& separators);

// MinValue / MaxValue of a field; the range applies only when max > min.
struct AmountBounds {
  double min_value = 0;
  double max_value = 0;

  // Whether the bounds restrict values at all.
  bool Active() const { return max_value > min_value; }
  // Whether `value` is acceptable: inside [min, max] when active, always otherwise.
  bool Contains(double value) const { return !Active() || (value >= min_value && value <= max_value); }
  // `value` moved into [min, max] when active, unchanged otherwise.
  double Clamp(double value) const;
};

// The UTF-8 text that typing `ch` inserts into a field of `kind`, or nullopt
// when the field refuses it. Currency fields turn '.' and ',' into the decimal
// separator.
std::optional<std::string> TypedText(char32_t ch, AmountFieldKind kind, const NumberSeparators& separators);

// The settings of one amount field that decide its text.
struct AmountFieldSettings {
  AmountFieldKind kind = AmountFieldKind::Currency;
  std::string display_format;
  std::string edit_format;
  std::string null_string;
  AmountBounds bounds;
  bool use_thousand_separator = false;
  int precision = 0;  // significant digits of the plain edit text; 0 gives kDefaultPrecision
  bool use_display_format_when_editing = false;
};

// Text of a field without the focus: the value in the display format, or the
// null string when empty (nothing for a calculator field).
std::string DisplayText(std::optional<double> value, const AmountFieldSettings& field,
                        const NumberSeparators& separators);

// Text of a field being edited: the edit format, the display format or the
// plain number, as the settings choose; empty when the value is null.
std::string EditText(std::optional<double> value, const AmountFieldSettings& field,
                     const NumberSeparators& separators);

// The value of a field's text, shown or being edited; the literal text of
// either format is accepted.
std::optional<double> ParseFieldText(std::string_view text, const AmountFieldSettings& field,
                                     const NumberSeparators& separators);

}  // namespace tallivo::ui
