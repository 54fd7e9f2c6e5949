#include "ui/form_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace tallivo::ui {

// Failures print trees as form text rather than as raw bytes.
void PrintTo(const FormObject& object, std::ostream* os) {
  try {
    *os << "\n" << WriteForm(object);
  } catch (const std::exception& e) {
    *os << "<unwritable tree: " << e.what() << ">";
  }
}

void PrintTo(const FormValue& value, std::ostream* os) {
  PrintTo(FormObject{"V", "TV", {{"Value", value, 0}}, {}, 0}, os);
}

namespace {

using Kind = FormValue::Kind;
using Bytes = std::vector<std::uint8_t>;

// The example every form writer starts from, in its canonical spelling.
constexpr char kSampleCanonical[] =
    "object FmMain: TFmMain\n"
    "  Caption = \"Tallivo\"\n"
    "  Width = 420\n"
    "  Font.Height = -11\n"
    "  Font.Style = [fsBold]\n"
    "  Position = poScreenCenter\n"
    "  ShowHint = True\n"
    "  MaxValue = 9999999999.0\n"
    "  MinValue = -1500.0\n"
    "  Hint = \"Press \\\"C\\\" to clear\\nsecond line\"\n"
    "  OnChange = CEuroPropertiesChange\n"
    "  Icon.Data = {\n"
    "    000001000100101010000000000068050000}\n"
    "  Items = (\n"
    "    \"one\"\n"
    "    \"two\"\n"
    "    \"three\")\n"
    "  object Label1: TLabel\n"
    "    Caption = \"Euro (\xE2\x82\xAC)\"\n"
    "  end\n"
    "end\n";

// The same form as a person might type it: comments, free indentation,
// other spellings of the same values.
constexpr char kSampleHandWritten[] =
    "# comment lines start with '#'\n"
    "object FmMain : TFmMain\n"
    "  Caption = \"Tallivo\"\n"
    "    Width = 420\n"
    "Font.Height = -11\n"
    "  Font.Style = [ fsBold ]\n"
    "  Position = poScreenCenter\n"
    "\t# indented comment\n"
    "  ShowHint = True\n"
    "  MaxValue = 9999999999.0\n"
    "  MinValue = -1.5e3\n"
    "  Hint = \"Press \\\"C\\\" to \" + \"clear\\n\" +\n"
    "         \"second line\"\n"
    "  OnChange = CEuroPropertiesChange\n"
    "  Icon.Data = {\n"
    "    0000010001001010\n"
    "    10000000000068050000}\n"
    "  Items = (\"one\" \"two\"\n"
    "    \"three\")\n"
    "\n"
    "  object Label1: TLabel\n"
    "    Caption = \"Euro (\\u{20AC})\"\n"
    "  end\n"
    "end\n"
    "# trailing comment\n";

std::string WithCrlf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(ParseForm, ReadsEachValueKind) {
  struct Case {
    const char* text;
    FormValue expected;
  };
  const Case cases[] = {
      {"420", FormValue::Integer(420)},
      {"-11", FormValue::Integer(-11)},
      {"9223372036854775807", FormValue::Integer(std::numeric_limits<std::int64_t>::max())},
      {"-9223372036854775808", FormValue::Integer(std::numeric_limits<std::int64_t>::min())},
      {"9999999999.0", FormValue::Float(9999999999.0)},
      {"-1.5e3", FormValue::Float(-1500.0)},
      {"1E2", FormValue::Float(100.0)},
      {"2e-3", FormValue::Float(0.002)},
      {"0.1", FormValue::Float(0.1)},
      {"-0.0", FormValue::Float(-0.0)},
      {"1.7976931348623157e308", FormValue::Float(std::numeric_limits<double>::max())},
      {"4.9e-324", FormValue::Float(std::numeric_limits<double>::denorm_min())},
      {"\"Tallivo\"", FormValue::String("Tallivo")},
      {"\"\"", FormValue::String("")},
      {R"("q\" b\\ n\n r\r t\t")", FormValue::String("q\" b\\ n\n r\r t\t")},
      {R"("\u{41}\u{20AC}\u{1F600}\u{0}")",
       FormValue::String(std::string("A\xE2\x82\xAC\xF0\x9F\x98\x80\0", 9))},
      {"\"Euro (\xE2\x82\xAC) \xF0\x9F\x98\x80\"", FormValue::String("Euro (\xE2\x82\xAC) \xF0\x9F\x98\x80")},
      {"\"tab\tinside\"", FormValue::String("tab\tinside")},
      {"\"a\" + \"b\"+\"c\"", FormValue::String("abc")},
      {"\"first \" +\n    \"second\"\n", FormValue::String("first second")},
      {"\"first \"\n    + \"second\"\n", FormValue::String("first second")},
      {"True", FormValue::Identifier("True")},
      {"poScreenCenter", FormValue::Identifier("poScreenCenter")},
      {"ImgList.Big", FormValue::Identifier("ImgList.Big")},
      {"end", FormValue::Identifier("end")},
      {"[fsBold, fsItalic]", FormValue::Set({"fsBold", "fsItalic"})},
      {"[]", FormValue::Set({})},
      {"{00ff10Ab}", FormValue::Binary({0x00, 0xFF, 0x10, 0xAB})},
      {"{\n  00 F\n  F\n}", FormValue::Binary({0x00, 0xFF})},
      {"{}", FormValue::Binary({})},
      {"(\"one\" \"two\"\n  \"three\")",
       FormValue::List({FormValue::String("one"), FormValue::String("two"), FormValue::String("three")})},
      {"()", FormValue::List({})},
      {"(1 (2.5 ()) [a] {0A} x \"s\" + \"t\")",
       FormValue::List({FormValue::Integer(1), FormValue::List({FormValue::Float(2.5), FormValue::List({})}),
                        FormValue::Set({"a"}), FormValue::Binary({0x0A}), FormValue::Identifier("x"),
                        FormValue::String("st")})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = std::string("object A: TA\n  P = ") + c.text + "\n  Q = 1\nend\n";
    try {
      const FormObject root = ParseForm(text);
      ASSERT_EQ(root.properties.size(), 2u);
      EXPECT_EQ(root.properties[0].value, c.expected);
      EXPECT_EQ(root.properties[1].value, FormValue::Integer(1));
    } catch (const FormError& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

TEST(ParseForm, BuildsTheTreeWithLinesAndLookups) {
  const FormObject root = ParseForm(kSampleHandWritten);
  EXPECT_EQ(root.name, "FmMain");
  EXPECT_EQ(root.className, "TFmMain");
  EXPECT_EQ(root.line, 2);
  ASSERT_EQ(root.properties.size(), 12u);
  EXPECT_EQ(root.properties[0].name, "Caption");
  EXPECT_EQ(root.properties[3].name, "Font.Style");
  ASSERT_NE(root.FindProperty("Hint"), nullptr);
  EXPECT_EQ(root.FindProperty("Hint")->line, 12);
  EXPECT_EQ(root.FindProperty("Hint")->value, FormValue::String("Press \"C\" to clear\nsecond line"));
  EXPECT_EQ(root.FindProperty("OnChange")->value.AsIdentifier(), "CEuroPropertiesChange");
  EXPECT_EQ(root.FindProperty("Items")->line, 18);
  EXPECT_EQ(root.FindProperty("Icon.Data")->value.AsBinary().size(), 18u);
  EXPECT_EQ(root.FindProperty("caption"), nullptr);  // names are case-sensitive
  EXPECT_EQ(root.FindProperty("Font"), nullptr);

  ASSERT_EQ(root.children.size(), 1u);
  const FormObject* label = root.FindChild("Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->className, "TLabel");
  EXPECT_EQ(label->line, 21);
  EXPECT_EQ(label->FindProperty("Caption")->line, 22);
  EXPECT_EQ(root.FindChild("Label2"), nullptr);

  // A BOM and CRLF line ends change nothing, line numbers included.
  const FormObject crlf = ParseForm("\xEF\xBB\xBF" + WithCrlf(kSampleHandWritten));
  EXPECT_EQ(crlf, root);
  EXPECT_EQ(crlf.FindProperty("Items")->line, 18);
  EXPECT_EQ(crlf.FindChild("Label1")->FindProperty("Caption")->line, 22);
}

TEST(ParseForm, ReportsErrorsWithTheirLine) {
  struct Case {
    std::string text;
    const char* what;
  };
  auto form = [](const std::string& body) { return "object A: TA\n" + body + "end\n"; };
  std::string deepObjects;
  for (int i = 0; i <= kMaxFormDepth; ++i) deepObjects += "object O" + std::to_string(i) + ": T\n";
  std::string deepLists = "object A: TA\n  P = " + std::string(kMaxFormDepth + 1, '(');

  const Case cases[] = {
      {"", "line 1: expected 'object'"},
      {"# nothing\n\n", "line 2: expected 'object'"},
      {"object A: TA\n  Width = 1\n", "line 2: missing 'end' for object 'A' from line 1"},
      {"object A: TA\nend\nobject B: TB\nend\n", "line 3: text after the final 'end'"},
      {"object A: TA\nend x\n", "line 2: expected end of line after 'end'"},
      {"object A TA\nend\n", "line 1: expected ':' after object name"},
      {"object : TA\nend\n", "line 1: expected object name after 'object'"},
      {"object A.B: TA\nend\n", "line 1: expected object name after 'object'"},
      {"object A:\nTA\nend\n", "line 1: expected class name after ':'"},
      {"object A: TA TB\nend\n", "line 1: expected end of line after class name"},
      {form("  Width 5\n"), "line 2: expected '=' after property name"},
      {form("  Width\n  = 5\n"), "line 2: expected '=' after property name"},
      {form("  Width =\n  5\n"), "line 2: expected a value after '='"},
      {form("  Width = 5 6\n"), "line 2: expected end of line after value"},
      {form("  Width = 5 # pixels\n"), "line 2: unexpected character '#'"},
      {form("  Width = =\n"), "line 2: expected a value"},
      {form("  Width = @\n"), "line 2: unexpected character '@'"},
      {form("  Width = \xC3\xA9\n"), "line 2: unexpected byte 0xC3"},
      {form("  Font..Height = 1\n"), "line 2: invalid property name 'Font..Height'"},
      {form("  Font. = 1\n"), "line 2: invalid property name 'Font.'"},
      {form("  Color = cl..Red\n"), "line 2: invalid identifier 'cl..Red'"},
      {form("  Width = 1\n  Height = 2\n  Width = 3\n"),
       "line 4: duplicate property 'Width' (first on line 2)"},
      {form("  object B: TB\n  end\n  object B: TC\n  end\n"),
       "line 4: duplicate object name 'B' (first on line 2)"},
      {form("  Width = 9223372036854775808\n"), "line 2: integer out of range"},
      {form("  Width = -9223372036854775809\n"), "line 2: integer out of range"},
      {form("  Scale = 1e999\n"), "line 2: float out of range"},
      {form("  Width = 12abc\n"), "line 2: malformed number"},
      {form("  Width = 1.\n"), "line 2: malformed number"},
      {form("  Width = 1.2.3\n"), "line 2: malformed number"},
      {form("  Width = -x\n"), "line 2: unexpected character '-'"},
      {form("  Caption = \"abc\n"), "line 2: unterminated string"},
      {WithCrlf(form("  Caption = \"abc\n")), "line 2: unterminated string"},
      {"object A: TA\n  Caption = \"abc", "line 2: unterminated string"},
      {form("  Caption = \"a\\qb\"\n"), "line 2: bad escape sequence '\\q' in string"},
      {form("  Caption = \"\\u0041\"\n"), "line 2: bad \\u escape in string, expected '{'"},
      {form("  Caption = \"\\u{}\"\n"), "line 2: bad \\u escape in string"},
      {form("  Caption = \"\\u{1234567}\"\n"), "line 2: bad \\u escape in string"},
      {form("  Caption = \"\\u{D800}\"\n"), "line 2: invalid code point in \\u escape"},
      {form("  Caption = \"\\u{110000}\"\n"), "line 2: invalid code point in \\u escape"},
      {form("  Caption = \"a\x01z\"\n"), "line 2: control character in string, write it as an escape"},
      {form("  Caption = \"\xC3(\"\n"), "line 2: invalid UTF-8 in string"},
      {form("  Caption = \"\xC0\xAF\"\n"), "line 2: invalid UTF-8 in string"},          // overlong '/'
      {form("  Caption = \"\xED\xA0\x80\"\n"), "line 2: invalid UTF-8 in string"},      // a surrogate
      {form("  Caption = \"\xF4\x90\x80\x80\"\n"), "line 2: invalid UTF-8 in string"},  // past U+10FFFF
      {form("  Caption = \"\xE2\x82\"\n"), "line 2: invalid UTF-8 in string"},          // cut short
      {form("  Caption = \"a\" +\n    5\n"), "line 2: expected a string after '+'"},
      {form("  Data = {ABC}\n"), "line 2: odd number of hex digits in binary value"},
      {form("  Data = {\n    00\n    0G}\n"), "line 4: bad hex digit in binary value: character 'G'"},
      {"object A: TA\n  Data = {\n  00\n", "line 3: missing '}' for binary value from line 2"},
      {form("  Style = [a,]\n"), "line 2: expected an identifier in set"},
      {form("  Style = [a b]\n"), "line 2: expected ',' or ']' in set"},
      {form("  Style = [a, a]\n"), "line 2: duplicate 'a' in set"},
      {form("  Style = [1]\n"), "line 2: expected an identifier in set"},
      {form("  Items = (1\n  2\n"), "line 4: missing ')' for list from line 2"},
      {form("  Items = (1 ]\n"), "line 2: expected a value"},
      {deepObjects, "line 33: objects nested deeper than 32 levels"},
      {deepLists, "line 2: lists nested deeper than 32 levels"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseForm(c.text);
      ADD_FAILURE() << "parsed, expected: " << c.what;
    } catch (const FormError& e) {
      EXPECT_STREQ(e.what(), c.what);
    }
  }
}

TEST(ParseForm, AcceptsTheDeepestNesting) {
  std::string text;
  for (int i = 0; i < kMaxFormDepth; ++i) text += "object O" + std::to_string(i) + ": T\n";
  text += "  P = " + std::string(kMaxFormDepth, '(') + std::string(kMaxFormDepth, ')') + "\n";
  for (int i = 0; i < kMaxFormDepth; ++i) text += "end\n";
  const FormObject root = ParseForm(text);
  EXPECT_EQ(WriteForm(root), WriteForm(ParseForm(WriteForm(root))));
}

TEST(WriteForm, WritesCanonicalText) {
  EXPECT_EQ(WriteForm(ParseForm(kSampleHandWritten)), kSampleCanonical);
  EXPECT_EQ(WriteForm(ParseForm(kSampleCanonical)), kSampleCanonical);

  Bytes bytes(70);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  FormObject child{"Inner", "TInner", {{"Data", FormValue::Binary(bytes), 0}}, {}, 0};
  const FormObject root{
      "Outer",
      "TOuter",
      {{"Text", FormValue::String(std::string("\"\\\n\r\t\x01\x1F\x7F\0\xE2\x82\xAC", 12)), 0},
       {"Whole", FormValue::Float(3.0), 0},
       {"Big", FormValue::Float(1e21), 0},
       {"Small", FormValue::Float(-2.5e-10), 0},
       {"Zero", FormValue::Float(-0.0), 0},
       {"Empty", FormValue::Binary({}), 0},
       {"Style", FormValue::Set({"a", "b.c"}), 0},
       {"Nested",
        FormValue::List(
            {FormValue::List({FormValue::Integer(1), FormValue::Binary({0xAB})}), FormValue::List({})}),
        0}},
      {child},
      0};
  const char* const expected =
      "object Outer: TOuter\n"
      "  Text = \"\\\"\\\\\\n\\r\\t\\u{1}\\u{1F}\x7F\\u{0}\xE2\x82\xAC\"\n"
      "  Whole = 3.0\n"
      "  Big = 1e+21\n"
      "  Small = -2.5e-10\n"
      "  Zero = -0.0\n"
      "  Empty = {}\n"
      "  Style = [a, b.c]\n"
      "  Nested = (\n"
      "    (\n"
      "      1\n"
      "      {\n"
      "        AB})\n"
      "    ())\n"
      "  object Inner: TInner\n"
      "    Data = {\n"
      "      00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9\n"
      "      E0E7EEF5FC030A11181F262D343B424950575E656C737A81888F969DA4ABB2B9\n"
      "      C0C7CED5DCE3}\n"
      "  end\n"
      "end\n";
  const std::string written = WriteForm(root);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(ParseForm(written), root);
}

TEST(WriteForm, RejectsTreesThatTextCannotExpress) {
  const FormObject valid{"A", "TA", {{"P", FormValue::Integer(1), 0}}, {{"B", "TB", {}, {}, 0}}, 0};
  ASSERT_NO_THROW(WriteForm(valid));

  FormObject deepObjects{"O", "T", {}, {}, 0};
  for (int i = 1; i <= kMaxFormDepth; ++i) deepObjects = FormObject{"O", "T", {}, {deepObjects}, 0};
  FormValue deepList = FormValue::List({});
  for (int i = 1; i <= kMaxFormDepth; ++i) deepList = FormValue::List({deepList});

  struct Case {
    const char* what;
    std::function<void(FormObject&)> change;
  };
  const Case cases[] = {
      {"object name", [](FormObject& o) { o.name = "1A"; }},
      {"dotted object name", [](FormObject& o) { o.name = "A.B"; }},
      {"class name", [](FormObject& o) { o.className = ""; }},
      {"property name", [](FormObject& o) { o.properties[0].name = "Font..Height"; }},
      {"keyword as property name", [](FormObject& o) { o.properties[0].name = "end"; }},
      {"duplicate property", [](FormObject& o) { o.properties.push_back(o.properties[0]); }},
      {"duplicate child", [](FormObject& o) { o.children.push_back(o.children[0]); }},
      {"identifier", [](FormObject& o) { o.properties[0].value = FormValue::Identifier("a b"); }},
      {"set element", [](FormObject& o) { o.properties[0].value = FormValue::Set({"9"}); }},
      {"duplicate set element",
       [](FormObject& o) {
         o.properties[0].value = FormValue::Set({"a", "a"});
       }},
      {"invalid UTF-8", [](FormObject& o) { o.properties[0].value = FormValue::String("\xFF"); }},
      {"NaN", [](FormObject& o) { o.properties[0].value = FormValue::Float(std::nan("")); }},
      {"infinity",
       [](FormObject& o) {
         o.properties[0].value = FormValue::Float(std::numeric_limits<double>::infinity());
       }},
      {"nested object", [](FormObject& o) { o.children[0].name = ""; }},
      {"objects too deep", [&](FormObject& o) { o = deepObjects; }},
      {"lists too deep", [&](FormObject& o) { o.properties[0].value = deepList; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FormObject tree = valid;
    c.change(tree);
    EXPECT_THROW(WriteForm(tree), std::invalid_argument);
  }
}

// Random trees of every kind of value, names and strings included.
class TreeGenerator {
 public:
  explicit TreeGenerator(std::uint32_t seed) : rng_(seed) {}

  FormObject Object(int depth) {
    FormObject object{Name(), Name(), {}, {}, 0};
    std::set<std::string> used;
    for (unsigned n = Below(6); n > 0; --n) {
      std::string name = Dotted();
      if (name == "end" || name == "object" || !used.insert(name).second) continue;
      object.properties.push_back({name, Value(0), 0});
    }
    used.clear();
    for (unsigned n = depth < 4 ? Below(4) : 0; n > 0; --n) {
      FormObject child = Object(depth + 1);
      if (used.insert(child.name).second) object.children.push_back(std::move(child));
    }
    return object;
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  std::string Name() {
    static constexpr char kFirst[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    static constexpr char kRest[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789";
    std::string name(1, kFirst[Below(sizeof kFirst - 1)]);
    for (unsigned n = Below(8); n > 0; --n) name += kRest[Below(sizeof kRest - 1)];
    return name;
  }

  std::string Dotted() {
    std::string name = Name();
    for (unsigned n = Below(4) == 0 ? 1 + Below(2) : 0; n > 0; --n) name += "." + Name();
    return name;
  }

  // Pieces that need escaping or are multi-byte, up to U+10FFFF.
  std::string Text() {
    static constexpr const char* kPieces[] = {"a",
                                              " ",
                                              "#",
                                              "+",
                                              "{",
                                              ")",
                                              "\"",
                                              "\\",
                                              "\n",
                                              "\r",
                                              "\t",
                                              "\x01",
                                              "\x1F",
                                              "\x7F",
                                              "\xC3\xA9",
                                              "\xE2\x82\xAC",
                                              "\xEE\x80\x80",
                                              "\xF0\x9F\x98\x80",
                                              "\xF4\x8F\xBF\xBF"};
    std::string text;
    for (unsigned n = Below(12); n > 0; --n) text += kPieces[Below(std::size(kPieces))];
    if (Below(8) == 0) text += '\0';
    return text;
  }

  double Real() {
    static constexpr double kEdges[] = {0.0,
                                        -0.0,
                                        0.1,
                                        1e21,
                                        1e-7,
                                        9999999999.0,
                                        std::numeric_limits<double>::max(),
                                        std::numeric_limits<double>::denorm_min(),
                                        -std::numeric_limits<double>::min()};
    if (Below(3) == 0) return kEdges[Below(std::size(kEdges))];
    while (true) {
      const std::uint64_t bits = (std::uint64_t{rng_()} << 32) | rng_();
      const double x = std::bit_cast<double>(bits);
      if (std::isfinite(x)) return x;
    }
  }

  std::int64_t Int() {
    switch (Below(4)) {
      case 0:
        return std::numeric_limits<std::int64_t>::min() + Below(2);
      case 1:
        return std::numeric_limits<std::int64_t>::max() - Below(2);
      case 2:
        return static_cast<std::int64_t>(Below(2001)) - 1000;
      default:
        return static_cast<std::int64_t>((std::uint64_t{rng_()} << 32) | rng_());
    }
  }

  FormValue Value(int listDepth) {
    switch (Below(listDepth < 3 ? 7 : 6)) {
      case 0:
        return FormValue::Integer(Int());
      case 1:
        return FormValue::Float(Real());
      case 2:
        return FormValue::String(Text());
      case 3:
        return FormValue::Identifier(Dotted());
      case 4: {
        std::vector<std::string> elements;
        for (unsigned n = Below(4); n > 0; --n) {
          std::string element = Dotted();
          if (std::find(elements.begin(), elements.end(), element) == elements.end()) {
            elements.push_back(std::move(element));
          }
        }
        return FormValue::Set(std::move(elements));
      }
      case 5: {
        Bytes bytes(Below(3) == 0 ? Below(100) : Below(4));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng_());
        return FormValue::Binary(std::move(bytes));
      }
      default: {
        std::vector<FormValue> items;
        for (unsigned n = Below(5); n > 0; --n) items.push_back(Value(listDepth + 1));
        return FormValue::List(std::move(items));
      }
    }
  }

  std::mt19937 rng_;
};

TEST(WriteForm, RandomTreesReadBackUnchanged) {
  TreeGenerator generator(20240917);
  for (int i = 0; i < 300; ++i) {
    const FormObject tree = generator.Object(1);
    std::string text;
    ASSERT_NO_THROW(text = WriteForm(tree)) << "tree " << i;
    try {
      ASSERT_EQ(ParseForm(text), tree) << "tree " << i;
      // Comments, a BOM and CRLF line ends never change what is read.
      ASSERT_EQ(ParseForm("\xEF\xBB\xBF# generated\r\n" + WithCrlf(text)), tree) << "tree " << i;
    } catch (const FormError& e) {
      FAIL() << "tree " << i << ": " << e.what() << "\n" << text;
    }
  }
}

// Bad input must end in a tree or a FormError: no crash, no hang, no other
// exception. Whatever parses must also survive a write and a re-read.
TEST(ParseForm, SurvivesMutatedAndRandomInput) {
  constexpr int kMutations = 12000;
  constexpr int kRandomTexts = 3000;
  std::string seed = kSampleHandWritten;
  seed.insert(seed.find("  object Label1"),
              "  object Extra: TExtra\n"
              "    Numbers = (1 -2 3.5e-3 (4 [a, b.c]) {0011})\n"
              "    Escapes = \"\\u{1F600}\\t\\\\\" + \"\\\"\"\n"
              "  end\n");
  ASSERT_NO_THROW(ParseForm(seed));
  // Characters that mean something to the parser, so mutations reach deep.
  const std::string interesting = "\"\\{}()[]=:,+-.#eE019aFz_ \t\r\n\xC3\xA9\xFF";
  std::mt19937 rng(7031);
  auto below = [&](std::size_t n) { return n == 0 ? std::size_t{0} : static_cast<std::size_t>(rng() % n); };
  auto someByte = [&]() {
    return below(2) == 0 ? interesting[below(interesting.size())] : static_cast<char>(rng());
  };

  int parsed = 0;
  int rejected = 0;
  int failures = 0;
  auto check = [&](const std::string& text) {
    std::optional<FormObject> tree;
    try {
      tree = ParseForm(text);
    } catch (const FormError& e) {
      ++rejected;
      const long lines = 1 + std::count(text.begin(), text.end(), '\n');
      if (e.line() < 1 || e.line() > lines) {
        if (failures++ < 5) ADD_FAILURE() << "line " << e.line() << " of " << lines << " for:\n" << text;
      }
      return;
    } catch (const std::exception& e) {
      if (failures++ < 5) ADD_FAILURE() << "unexpected exception '" << e.what() << "' for:\n" << text;
      return;
    } catch (...) {
      if (failures++ < 5) ADD_FAILURE() << "unexpected non-standard exception for:\n" << text;
      return;
    }
    ++parsed;
    try {
      if (ParseForm(WriteForm(*tree)) != *tree && failures++ < 5) ADD_FAILURE() << "round trip of:\n" << text;
    } catch (const std::exception& e) {
      if (failures++ < 5) ADD_FAILURE() << "round trip threw '" << e.what() << "' for:\n" << text;
    }
  };

  for (int i = 0; i < kMutations; ++i) {
    std::string text = seed;
    for (std::size_t edits = below(2) == 0 ? 1 : 2 + below(3); edits > 0; --edits) {
      const std::size_t at = below(text.size() + 1);
      switch (below(7)) {
        case 0:
          if (at < text.size()) text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
          break;
        case 1:
          if (at < text.size()) text[at] = someByte();
          break;
        case 2:
          text.insert(at, 1 + below(3), someByte());
          break;
        case 3:
          text.erase(at, 1 + below(8));
          break;
        case 4:
          text.resize(at);
          break;
        case 5:  // a digit for a digit, a letter for a letter: often still valid
          if (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            text[at] = static_cast<char>('0' + below(10));
          } else if (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at]))) {
            text[at] = static_cast<char>((below(2) == 0 ? 'a' : 'A') + below(26));
          }
          break;
        default: {  // repeat a slice, which builds deeper nesting and duplicates
          const std::size_t from = below(text.size() + 1);
          text.insert(at, text.substr(from, below(60)));
          break;
        }
      }
    }
    check(text);
  }
  for (int i = 0; i < kRandomTexts; ++i) {
    std::string text = below(2) == 0 ? "object A: TA\n  P = " : "";
    for (std::size_t n = below(120); n > 0; --n) text += someByte();
    check(text);
  }

  EXPECT_EQ(failures, 0);
  // Both outcomes must be common, or the mutations are not testing much.
  EXPECT_GT(parsed, kMutations / 10);
  EXPECT_GT(rejected, kMutations / 2);
}

}  // namespace
}  // namespace tallivo::ui
