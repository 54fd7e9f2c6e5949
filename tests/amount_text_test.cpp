#include "ui/amount_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tallivo::ui {
namespace {

const NumberSeparators kUs{",", "."};
const NumberSeparators kGerman{".", ","};
const NumberSeparators kFrench{"\u00A0", ","};
const NumberSeparators kSwiss{"'", "."};
// U+066B ARABIC DECIMAL SEPARATOR: a decimal separator of two bytes.
const NumberSeparators kArabic{"\u066C", "\u066B"};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}

TEST(FormatPattern, Table) {
  struct Case {
    double value;
    std::string pattern;
    NumberSeparators separators;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {1234.5, "€,0.00", kUs, "€1,234.50"},
      {1234.5, "€,0.00", kGerman, "€1.234,50"},
      {1234567.891, "£,0.00", kFrench, "£1\u00A0234\u00A0567,89"},
      {1234567.891, "€,0.00", kSwiss, "€1'234'567.89"},
      {1234567.891, "€,0.00", kArabic, "€1\u066C234\u066C567\u066B89"},
      {999.5, "€,0.00", kUs, "€999.50"},
      {0, "€,0.00", kUs, "€0.00"},
      {0.5, "0.00", kUs, "0.50"},
      {123, "0.00", kGerman, "123,00"},
      // Negative values: the sign goes first; what rounds to zero has none.
      {-1.46, "€,0.00", kUs, "-€1.46"},
      {-1234.5, "£,0.00", kGerman, "-£1.234,50"},
      {-0.0, "€,0.00", kUs, "€0.00"},
      {-0.004, "€,0.00", kUs, "€0.00"},
      {-0.005, "€,0.00", kUs, "-€0.01"},
      // Halves round away from zero on the decimal the user typed.
      {2.675, "0.00", kUs, "2.68"},
      {1.005, "0.00", kUs, "1.01"},
      {0.125, "0.00", kUs, "0.13"},
      {0.135, "0.00", kUs, "0.14"},
      {-2.675, "0.00", kUs, "-2.68"},
      {12.344999, "0.00", kUs, "12.34"},
      {0.1 + 0.2, "0.00", kUs, "0.30"},
      {9.995, "0.00", kUs, "10.00"},
      {999999.995, "€,0.00", kUs, "€1,000,000.00"},
      {0.995, "€,0.00", kSwiss, "€1.00"},
      {1e-7, "0.00", kUs, "0.00"},
      {5e-324, "0.00", kUs, "0.00"},
      {9999999999, "€,0.00", kUs, "€9,999,999,999.00"},
      {-999999999, "€,0.00", kUs, "-€999,999,999.00"},
      // Full digits, never an exponent.
      {1e19, "€,0.00", kUs, "€10,000,000,000,000,000,000.00"},
      {1.5e300, "0.00", kUs, "15" + Repeat('0', 299) + ".00"},
      {-1.7976931348623157e308, "0", kUs, "-17976931348623157" + Repeat('0', 292)},
      // Optional digits, padding, literal text.
      {1.5, "#.##", kUs, "1.5"},
      {0.5, "#.##", kUs, ".5"},
      {0, "#", kUs, "0"},
      {1234, "#,##0.0#", kUs, "1,234.0"},
      {1234.567, "#,##0.0#", kUs, "1,234.57"},
      {7, "000", kUs, "007"},
      {3.5, "Fr. 0.00", kUs, "Fr. 3.50"},
      {3.5, "0.00 €", kGerman, "3,50 €"},
      {1234.5, "", kUs, "1234.5"},
      // Not a number: nothing to show.
      {kNaN, "€,0.00", kUs, ""},
      {kInf, "€,0.00", kUs, ""},
      {-kInf, "0.00", kUs, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " with \"" << c.pattern << "\"");
    EXPECT_EQ(FormatPattern(c.value, c.pattern, c.separators), c.expected);
  }
}

TEST(FormatGeneral, Table) {
  struct Case {
    double value;
    Grouping grouping;
    NumberSeparators separators;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {0, Grouping::Thousands, kUs, "0"},
      {-0.0, Grouping::Thousands, kUs, "0"},
      {100, Grouping::None, kUs, "100"},
      {1e9, Grouping::Thousands, kUs, "1,000,000,000"},
      {1234567.891, Grouping::Thousands, kUs, "1,234,567.891"},
      {1234567.891, Grouping::Thousands, kGerman, "1.234.567,891"},
      {1234567.891, Grouping::Thousands, kFrench, "1\u00A0234\u00A0567,891"},
      {1234567.891, Grouping::None, kSwiss, "1234567.891"},
      {1234567.8912345, Grouping::Thousands, kUs, "1,234,567.891"},
      {-1234.5, Grouping::None, kUs, "-1234.5"},
      {0.1 + 0.2, Grouping::None, kUs, "0.3"},
      {1.0 / 3, Grouping::None, kUs, "0.3333333333"},
      {2.0 / 3, Grouping::None, kGerman, "0,6666666667"},
      {9999999999, Grouping::Thousands, kUs, "9,999,999,999"},
      // Exponent from `precision` integer digits on, and below 1E-5.
      {9999999999.5, Grouping::Thousands, kUs, "1E+10"},
      {12345678901, Grouping::Thousands, kUs, "1.23456789E+10"},
      {1.23456789e15, Grouping::Thousands, kUs, "1.23456789E+15"},
      {1e19, Grouping::Thousands, kUs, "1E+19"},
      {1.5e300, Grouping::None, kGerman, "1,5E+300"},
      {0.00001, Grouping::None, kUs, "0.00001"},
      {0.000001, Grouping::None, kUs, "1E-6"},
      {1e-12, Grouping::None, kUs, "1E-12"},
      {-2.5e-7, Grouping::None, kUs, "-2.5E-7"},
      {kNaN, Grouping::None, kUs, ""},
      {kInf, Grouping::None, kUs, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value);
    EXPECT_EQ(FormatGeneral(c.value, 10, c.grouping, c.separators), c.expected);
  }
}

TEST(ParseAmount, Table) {
  const AmountParseRules currency{AmountFieldKind::Currency, "€,0.00", "0"};
  const AmountParseRules calculator{AmountFieldKind::Calculator, "€,0.00", ""};
  struct Case {
    std::string text;
    AmountParseRules rules;
    NumberSeparators separators;
    std::optional<double> expected;
  };
  const std::vector<Case> cases = {
      {"€1,234.50", currency, kUs, 1234.5},
      {"1,234.50", currency, kUs, 1234.5},
      {"1234.5", currency, kUs, 1234.5},
      {"-€1.46", currency, kUs, -1.46},
      {"€-1.46", currency, kUs, -1.46},
      {"+2", currency, kUs, 2},
      {".5", currency, kUs, 0.5},
      {"5.", currency, kUs, 5},
      {"0.00", currency, kUs, 0},
      {"€1.234,50", currency, kGerman, 1234.5},
      {"1,5", currency, kGerman, 1.5},
      {"1\u00A0234,5", currency, kFrench, 1234.5},
      {"1'234.5", currency, kSwiss, 1234.5},
      {"1\u066C234\u066B5", currency, kArabic, 1234.5},
      // Null: the null string, nothing, or no number.
      {"0", currency, kUs, std::nullopt},
      {"", currency, kUs, std::nullopt},
      {"abc", currency, kUs, std::nullopt},
      {"-", currency, kUs, std::nullopt},
      {".", currency, kUs, std::nullopt},
      {"€", currency, kUs, std::nullopt},
      {"1.2.3", currency, kUs, std::nullopt},
      {"1.5,0", currency, kUs, std::nullopt},
      {"--1", currency, kUs, std::nullopt},
      {"1.5", currency, kGerman, 15},  // '.' is a thousands separator there
      {" 5", currency, kUs, std::nullopt},
      {"1e5", currency, kUs, 100000.0},
      {"1" + Repeat('0', 400), currency, kUs, std::nullopt},
      // Calculator fields: blanks around, an exponent, no null string.
      {"  1,234.5\t", calculator, kUs, 1234.5},
      {"0", calculator, kUs, 0},
      {"1.23456789E+15", calculator, kUs, 1.23456789e15},
      {"1,5E+300", calculator, kGerman, 1.5e300},
      {"1E-12", calculator, kUs, 1e-12},
      {"-2.5e-7", calculator, kUs, -2.5e-7},
      {"1e400", calculator, kUs, std::nullopt},
      {"1e-400", calculator, kUs, std::nullopt},
      {"1E", calculator, kUs, std::nullopt},
      {"E5", calculator, kUs, std::nullopt},
      {"1E5.5", calculator, kUs, std::nullopt},
      {"1 2", calculator, kUs, std::nullopt},
      {"   ", calculator, kUs, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    EXPECT_EQ(ParseAmount(c.text, c.rules, c.separators), c.expected);
  }
}

TEST(ParseAmount, ReadsBackFormattedCents) {
  std::vector<double> amounts = {0.01, -0.01, 0.1, 2.68, 1234.5, -1.46, 999999999.99, -9999999999.99};
  for (long long cents = -2000000; cents <= 2000000; cents += 997) amounts.push_back(cents / 100.0);
  for (const NumberSeparators* separators : {&kUs, &kGerman, &kFrench, &kSwiss, &kArabic}) {
    for (const char* pattern : {"€,0.00", "£,0.00", "0.00"}) {
      const AmountParseRules rules{AmountFieldKind::Currency, pattern, ""};
      for (double amount : amounts) {
        const std::string text = FormatPattern(amount, pattern, *separators);
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseAmount(text, rules, *separators), amount);
      }
    }
  }
}

TEST(AmountBounds, Table) {
  struct Case {
    AmountBounds bounds;
    double value;
    bool contained;
    double clamped;
  };
  const std::vector<Case> cases = {
      {{-9999999999, 9999999999}, 9999999999, true, 9999999999},
      {{-9999999999, 9999999999}, 9999999999.01, false, 9999999999},
      {{-9999999999, 9999999999}, -1e19, false, -9999999999},
      {{-9999999999, 9999999999}, -1.46, true, -1.46},
      {{-999999999, 999999999}, 1234567890, false, 999999999},
      {{}, 1e300, true, 1e300},  // no bounds set
      {{5, 5}, -7, true, -7},
      {{10, -10}, 20, true, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "[" << c.bounds.min_value << ", " << c.bounds.max_value << "] "
                                    << c.value);
    EXPECT_EQ(c.bounds.Contains(c.value), c.contained);
    EXPECT_EQ(c.bounds.Clamp(c.value), c.clamped);
  }
}

TEST(TypedText, Table) {
  constexpr auto kCurrency = AmountFieldKind::Currency;
  constexpr auto kCalculator = AmountFieldKind::Calculator;
  struct Case {
    char32_t ch;
    AmountFieldKind kind;
    NumberSeparators separators;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {U'7', kCurrency, kUs, "7"},
      {U'-', kCurrency, kUs, "-"},
      {U'+', kCalculator, kUs, "+"},
      // The decimal keys of the currency fields give the system's separator.
      {U'.', kCurrency, kUs, "."},
      {U',', kCurrency, kUs, "."},
      {U'.', kCurrency, kGerman, ","},
      {U',', kCurrency, kFrench, ","},
      {U'.', kCurrency, kArabic, "\u066B"},
      // The calculator fields take the separator itself. They read an
      // exponent, but a letter typed by hand is a slip, not an exponent.
      {U'.', kCalculator, kUs, "."},
      {U'.', kCalculator, kGerman, std::nullopt},
      {U',', kCalculator, kGerman, ","},
      {U'\u066B', kCalculator, kArabic, "\u066B"},
      {U'e', kCalculator, kUs, std::nullopt},
      {U'E', kCalculator, kUs, std::nullopt},
      {U'e', kCurrency, kUs, std::nullopt},
      // Everything else stays out. A typed thousands separator would vanish
      // from the value, turning "1.5" into 15 where "." groups thousands.
      {U',', kCalculator, kUs, std::nullopt},
      {U'\u00A0', kCurrency, kFrench, std::nullopt},
      {U'\'', kCalculator, kSwiss, std::nullopt},
      {U'a', kCurrency, kUs, std::nullopt},
      {U' ', kCalculator, kUs, std::nullopt},
      {U'€', kCurrency, kUs, std::nullopt},
      {char32_t{0}, kCurrency, kUs, std::nullopt},
      {char32_t{0xD800}, kCalculator, kUs, std::nullopt},
      {char32_t{0x110000}, kCalculator, kUs, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(c.ch));
    EXPECT_EQ(TypedText(c.ch, c.kind, c.separators), c.expected);
  }
}

// The fields of the main window, as its form sets them up.
AmountFieldSettings EuroConverter() {
  AmountFieldSettings f;
  f.kind = AmountFieldKind::Calculator;
  f.display_format = "€,0.00";
  f.use_thousand_separator = true;
  f.precision = 10;
  return f;
}

AmountFieldSettings AmountPayable() {
  AmountFieldSettings f;
  f.display_format = "€,0.00";
  f.edit_format = "0.00";
  f.null_string = "0";
  f.bounds = {-9999999999, 9999999999};
  return f;
}

AmountFieldSettings PaidEuro() {
  AmountFieldSettings f;
  f.display_format = "€,0.00";
  return f;
}

AmountFieldSettings Change() {
  AmountFieldSettings f;
  f.display_format = "€,0.00";
  f.bounds = {-999999999, 999999999};
  f.use_thousand_separator = true;
  f.use_display_format_when_editing = true;
  return f;
}

TEST(AmountField, TextsOfTheWindowsFields) {
  struct Case {
    std::string name;
    AmountFieldSettings field;
    std::optional<double> value;
    NumberSeparators separators;
    std::string display;
    std::string edit;
  };
  const std::vector<Case> cases = {
      {"CEuro", EuroConverter(), 1234567.891, kUs, "€1,234,567.89", "1,234,567.891"},
      {"CEuro", EuroConverter(), 58.53, kGerman, "€58,53", "58,53"},
      {"CEuro", EuroConverter(), 1.23456789012e15, kUs, "€1,234,567,890,120,000.00", "1.23456789E+15"},
      {"CEuro", EuroConverter(), std::nullopt, kUs, "", ""},
      {"EdAmtEur", AmountPayable(), 1234.5, kUs, "€1,234.50", "1234.50"},
      {"EdAmtEur", AmountPayable(), 0, kSwiss, "€0.00", "0.00"},
      {"EdAmtEur", AmountPayable(), std::nullopt, kUs, "0", ""},
      {"EdPaidEUR", PaidEuro(), 12.5, kGerman, "€12,50", "12,5"},
      {"EdPaidEUR", PaidEuro(), 1234567.125, kUs, "€1,234,567.13", "1234567.125"},
      {"EdPaidEUR", PaidEuro(), std::nullopt, kUs, "", ""},
      {"EdPaidEUR", PaidEuro(), 7.54403307607253e28, kUs, "€75,440,330,760,725,300,000,000,000,000.00",
       "7.54403307607253E+28"},
      {"EdChgEUR", Change(), -1.46, kUs, "-€1.46", "-€1.46"},
      {"EdChgEUR", Change(), 999999999, kFrench, "€999\u00A0999\u00A0999,00", "€999\u00A0999\u00A0999,00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DisplayText(c.value, c.field, c.separators), c.display);
    EXPECT_EQ(EditText(c.value, c.field, c.separators), c.edit);
    // A field must read back what it shows for editing (to the digits shown).
    if (c.value) {
      const std::optional<double> back = ParseFieldText(c.edit, c.field, c.separators);
      ASSERT_TRUE(back.has_value()) << c.edit;
      EXPECT_NEAR(*back, *c.value, std::abs(*c.value) * 1e-9);
    }
  }
}

TEST(AmountField, ReadsItsText) {
  struct Case {
    std::string name;
    AmountFieldSettings field;
    std::string text;
    std::optional<double> expected;
  };
  const std::vector<Case> cases = {
      {"CEuro", EuroConverter(), " 1,234,567.891 ", 1234567.891},
      {"CEuro", EuroConverter(), "€1,234.50", 1234.5},
      {"CEuro", EuroConverter(), "0", 0},
      {"CEuro", EuroConverter(), "", std::nullopt},
      {"EdAmtEur", AmountPayable(), "1234.50", 1234.5},
      {"EdAmtEur", AmountPayable(), "€1,234.50", 1234.5},
      {"EdAmtEur", AmountPayable(), "0", std::nullopt},
      {"EdAmtEur", AmountPayable(), "0.00", 0},
      {"EdPaidEUR", PaidEuro(), "0", 0},  // no null string: an ordinary zero
      {"EdPaidEUR", PaidEuro(), "", std::nullopt},
      {"EdChgEUR", Change(), "-€1.46", -1.46},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " \"" + c.text + "\"");
    EXPECT_EQ(ParseFieldText(c.text, c.field, kUs), c.expected);
  }
}

}  // namespace
}  // namespace tallivo::ui
