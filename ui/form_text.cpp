#include "ui/form_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace tallivo::ui {

FormError::FormError(int line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}

FormValue FormValue::Integer(std::int64_t value) {
  return FormValue(std::in_place_index<0>, value);
}
FormValue FormValue::Float(double value) {
  return FormValue(std::in_place_index<1>, value);
}
FormValue FormValue::String(std::string value) {
  return FormValue(std::in_place_index<2>, std::move(value));
}
FormValue FormValue::Identifier(std::string value) {
  return FormValue(std::in_place_index<3>, std::move(value));
}
FormValue FormValue::Set(std::vector<std::string> elements) {
  return FormValue(std::in_place_index<4>, std::move(elements));
}
FormValue FormValue::Binary(std::vector<std::uint8_t> bytes) {
  return FormValue(std::in_place_index<5>, std::move(bytes));
}
FormValue FormValue::List(std::vector<FormValue> items) {
  return FormValue(std::in_place_index<6>, std::move(items));
}

bool operator==(const FormValue& a, const FormValue& b) {
  if (a.kind() != b.kind()) return false;
  // Bitwise, so that the sign of zero survives a round trip and is checked.
  if (a.kind() == FormValue::Kind::Float) {
    return std::bit_cast<std::uint64_t>(a.AsFloat()) == std::bit_cast<std::uint64_t>(b.AsFloat());
  }
  return a.data_ == b.data_;
}

const FormProperty* FormObject::FindProperty(std::string_view propertyName) const {
  auto it = std::find_if(properties.begin(), properties.end(),
                         [&](const FormProperty& p) { return p.name == propertyName; });
  return it == properties.end() ? nullptr : &*it;
}

const FormObject* FormObject::FindChild(std::string_view childName) const {
  auto it = std::find_if(children.begin(), children.end(),
                         [&](const FormObject& c) { return c.name == childName; });
  return it == children.end() ? nullptr : &*it;
}

bool operator==(const FormObject& a, const FormObject& b) {
  return a.name == b.name && a.className == b.className && a.properties == b.properties &&
         a.children == b.children;
}

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t kBinaryBytesPerLine = 32;
// String escapes other than \u{...}: the letter after the backslash, and what
// it stands for at the same position.
constexpr std::string_view kEscapeLetter = "\"\\nrt";
constexpr std::string_view kEscapeMeaning = "\"\\\n\r\t";

bool IsNameStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
  return IsNameStart(c) || IsDigit(c);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A letter or '_', then letters, digits and '_'.
bool IsPlainName(std::string_view s) {
  return !s.empty() && IsNameStart(s.front()) && std::all_of(s.begin(), s.end(), IsNameChar);
}

// Plain names joined by single dots: Font.Height, but not Font..Height or Font.
bool IsDottedName(std::string_view s) {
  while (true) {
    const std::size_t dot = s.find('.');
    if (!IsPlainName(s.substr(0, dot))) return false;
    if (dot == std::string_view::npos) return true;
    s.remove_prefix(dot + 1);
  }
}

// A statement starting with one of these is not a property, so no property
// may be called that.
bool IsKeyword(std::string_view s) {
  return s == "object" || s == "end";
}

// Length of the well-formed UTF-8 sequence starting at s[i], or 0: rejects
// overlong forms, surrogates and code points past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
  } else {
    return 0;
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t cp = lead & (0x7F >> length);
  if (s.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// How an offending byte is named in a message: printable ASCII as itself,
// anything else (which may be half a UTF-8 sequence) as hex.
std::string Describe(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b > 0x20 && b < 0x7F) return std::string("character '") + c + "'";
  constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("byte 0x") + kHex[b >> 4] + kHex[b & 0xF];
}

std::string Quoted(std::string_view s) {
  return "'" + std::string(s) + "'";
}

// ---------------------------------------------------------------------------
// Reading

enum class TokenKind { End, Name, Integer, Float, String, Punct };

struct Token {
  TokenKind kind = TokenKind::End;
  int line = 1;
  bool firstOnLine = false;  // nothing but blanks before it on its line
  char punct = 0;
  std::string text;  // Name: as written; String: the decoded value
  std::int64_t integer = 0;
  double real = 0;

  bool Is(char c) const { return kind == TokenKind::Punct && punct == c; }
  bool IsName(std::string_view s) const { return kind == TokenKind::Name && text == s; }
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {
    if (text_.starts_with(kBom)) pos_ = kBom.size();
  }

  FormObject ParseDocument() {
    Token keyword = Take();
    if (!keyword.IsName("object")) Fail(keyword.line, "expected 'object'");
    FormObject root = ParseObject(keyword, 1);
    const Token& rest = Peek();
    if (rest.kind != TokenKind::End) Fail(rest.line, "text after the final 'end'");
    return root;
  }

 private:
  [[noreturn]] static void Fail(int line, const std::string& message) { throw FormError(line, message); }

  bool AtEnd() const { return pos_ >= text_.size(); }

  // Where the end of the text is reported: a file that ends in a line break
  // ends on its last line, not on the empty one after it.
  int EndLine() const { return line_ > 1 && text_.back() == '\n' ? line_ - 1 : line_; }

  const Token& Peek() {
    if (!peeked_) peeked_ = Lex();
    return *peeked_;
  }

  Token Take() {
    if (!peeked_) return Lex();
    Token t = std::move(*peeked_);
    peeked_.reset();
    return t;
  }

  // The next token, which has to continue the line of `line`.
  Token TakeOnLine(int line, const std::string& message) {
    Token t = Take();
    if (t.kind == TokenKind::End || t.firstOnLine) Fail(line, message);
    return t;
  }

  void ExpectLineEnd(const std::string& after) {
    const Token& t = Peek();
    if (t.kind != TokenKind::End && !t.firstOnLine) Fail(t.line, "expected end of line after " + after);
  }

  // Blanks, line breaks and whole-line comments.
  void SkipBlank() {
    while (!AtEnd()) {
      const char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '\n') {
        ++pos_;
        ++line_;
        atLineStart_ = true;
      } else if (c == '#' && atLineStart_) {
        while (!AtEnd() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  Token Lex() {
    SkipBlank();
    Token t;
    t.line = line_;
    t.firstOnLine = atLineStart_;
    if (AtEnd()) {
      t.line = EndLine();
      return t;
    }
    atLineStart_ = false;
    const char c = text_[pos_];
    if (IsNameStart(c)) {
      const std::size_t start = pos_;
      while (!AtEnd() && (IsNameChar(text_[pos_]) || text_[pos_] == '.')) ++pos_;
      t.kind = TokenKind::Name;
      t.text = text_.substr(start, pos_ - start);
    } else if (IsDigit(c) || c == '-') {
      LexNumber(t);
    } else if (c == '"') {
      LexString(t);
    } else if (std::string_view("=:,+[](){}").find(c) != std::string_view::npos) {
      ++pos_;
      t.kind = TokenKind::Punct;
      t.punct = c;
    } else {
      Fail(line_, "unexpected " + Describe(c));
    }
    return t;
  }

  std::size_t SkipDigits() {
    const std::size_t start = pos_;
    while (!AtEnd() && IsDigit(text_[pos_])) ++pos_;
    return pos_ - start;
  }

  void LexNumber(Token& t) {
    const std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    if (SkipDigits() == 0) Fail(line_, "unexpected character '-'");
    bool isFloat = false;
    if (!AtEnd() && text_[pos_] == '.') {
      ++pos_;
      isFloat = true;
      if (SkipDigits() == 0) Fail(line_, "malformed number");
    }
    if (!AtEnd() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      isFloat = true;
      if (!AtEnd() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (SkipDigits() == 0) Fail(line_, "malformed number");
    }
    if (!AtEnd() && (IsNameChar(text_[pos_]) || text_[pos_] == '.')) Fail(line_, "malformed number");

    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    std::from_chars_result result;
    if (isFloat) {
      t.kind = TokenKind::Float;
      result = std::from_chars(first, last, t.real);
    } else {
      t.kind = TokenKind::Integer;
      result = std::from_chars(first, last, t.integer);
    }
    if (result.ec == std::errc::result_out_of_range) {
      Fail(line_, isFloat ? "float out of range" : "integer out of range");
    }
    if (result.ec != std::errc() || result.ptr != last) Fail(line_, "malformed number");
  }

  void LexString(Token& t) {
    t.kind = TokenKind::String;
    ++pos_;  // the opening quote
    while (true) {
      if (AtEnd()) Fail(t.line, "unterminated string");
      const char c = text_[pos_];
      if (c == '"') {
        ++pos_;
        return;
      }
      if (c == '\\') {
        LexEscape(t);
      } else if (c == '\n' || (c == '\r' && (pos_ + 1 == text_.size() || text_[pos_ + 1] == '\n'))) {
        Fail(t.line, "unterminated string");
      } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
        Fail(t.line, "control character in string, write it as an escape");
      } else {
        const std::size_t n = Utf8SequenceLength(text_, pos_);
        if (n == 0) Fail(t.line, "invalid UTF-8 in string");
        t.text.append(text_.substr(pos_, n));
        pos_ += n;
      }
    }
  }

  void LexEscape(Token& t) {
    ++pos_;  // the backslash
    if (AtEnd()) Fail(t.line, "unterminated string");
    const char e = text_[pos_++];
    if (const std::size_t k = kEscapeLetter.find(e); k != std::string_view::npos) {
      t.text += kEscapeMeaning[k];
      return;
    }
    if (e != 'u') {
      const auto b = static_cast<unsigned char>(e);
      Fail(t.line, b > 0x20 && b < 0x7F ? "bad escape sequence '\\" + std::string(1, e) + "' in string"
                                        : "bad escape sequence in string: " + Describe(e));
    }
    // \u{hex}: one to six hex digits naming a code point other than a surrogate.
    if (AtEnd() || text_[pos_] != '{') Fail(t.line, "bad \\u escape in string, expected '{'");
    ++pos_;
    char32_t cp = 0;
    int digits = 0;
    while (!AtEnd() && HexValue(text_[pos_]) >= 0 && digits < 7) {
      cp = cp * 16 + static_cast<char32_t>(HexValue(text_[pos_++]));
      ++digits;
    }
    if (digits == 0 || digits > 6 || AtEnd() || text_[pos_] != '}') Fail(t.line, "bad \\u escape in string");
    ++pos_;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) Fail(t.line, "invalid code point in \\u escape");
    AppendUtf8(t.text, cp);
  }

  // Hex digits up to '}', read straight from the text since the opening '{'.
  std::vector<std::uint8_t> ReadBinary(int openLine) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    while (true) {
      if (AtEnd()) {
        Fail(EndLine(), "missing '}' for binary value from line " + std::to_string(openLine));
      }
      const char c = text_[pos_++];
      if (c == '}') break;
      if (c == '\n') {
        ++line_;
      } else if (c != ' ' && c != '\t' && c != '\r') {
        const int h = HexValue(c);
        if (h < 0) Fail(line_, "bad hex digit in binary value: " + Describe(c));
        if (high < 0) {
          high = h;
        } else {
          bytes.push_back(static_cast<std::uint8_t>(high << 4 | h));
          high = -1;
        }
      }
    }
    if (high >= 0) Fail(line_, "odd number of hex digits in binary value");
    atLineStart_ = false;  // the '}' is on this line
    return bytes;
  }

  FormObject ParseObject(const Token& keyword, int depth) {
    if (depth > kMaxFormDepth) {
      Fail(keyword.line, "objects nested deeper than " + std::to_string(kMaxFormDepth) + " levels");
    }
    FormObject object;
    object.line = keyword.line;
    Token name = TakeOnLine(keyword.line, "expected object name after 'object'");
    if (name.kind != TokenKind::Name || !IsPlainName(name.text)) {
      Fail(name.line, "expected object name after 'object'");
    }
    object.name = std::move(name.text);
    if (!TakeOnLine(keyword.line, "expected ':' after object name").Is(':')) {
      Fail(keyword.line, "expected ':' after object name");
    }
    Token className = TakeOnLine(keyword.line, "expected class name after ':'");
    if (className.kind != TokenKind::Name || !IsPlainName(className.text)) {
      Fail(keyword.line, "expected class name after ':'");
    }
    object.className = std::move(className.text);
    ExpectLineEnd("class name");

    // Name -> line of first use, for duplicate messages.
    std::unordered_map<std::string, int> propertyLines;
    std::unordered_map<std::string, int> childLines;
    while (true) {
      Token t = Take();
      if (t.kind == TokenKind::End) {
        Fail(t.line,
             "missing 'end' for object " + Quoted(object.name) + " from line " + std::to_string(object.line));
      }
      if (t.kind != TokenKind::Name) Fail(t.line, "expected a property, 'object' or 'end'");
      if (t.text == "end") {
        ExpectLineEnd("'end'");
        return object;
      }
      if (t.text == "object") {
        FormObject child = ParseObject(t, depth + 1);
        const auto [it, added] = childLines.emplace(child.name, child.line);
        if (!added) {
          Fail(child.line, "duplicate object name " + Quoted(child.name) + " (first on line " +
                               std::to_string(it->second) + ")");
        }
        object.children.push_back(std::move(child));
        continue;
      }
      if (!IsDottedName(t.text)) Fail(t.line, "invalid property name " + Quoted(t.text));
      const auto [it, added] = propertyLines.emplace(t.text, t.line);
      if (!added) {
        Fail(t.line,
             "duplicate property " + Quoted(t.text) + " (first on line " + std::to_string(it->second) + ")");
      }
      if (!TakeOnLine(t.line, "expected '=' after property name").Is('=')) {
        Fail(t.line, "expected '=' after property name");
      }
      const Token& first = Peek();
      if (first.kind == TokenKind::End || first.firstOnLine) Fail(t.line, "expected a value after '='");
      FormValue value = ParseValue(0);
      ExpectLineEnd("value");
      object.properties.push_back(FormProperty{std::move(t.text), std::move(value), t.line});
    }
  }

  FormValue ParseValue(int listDepth) {
    Token t = Take();
    switch (t.kind) {
      case TokenKind::Integer:
        return FormValue::Integer(t.integer);
      case TokenKind::Float:
        return FormValue::Float(t.real);
      case TokenKind::String: {
        std::string text = std::move(t.text);
        while (Peek().Is('+')) {
          const int plusLine = Take().line;
          Token next = Take();
          if (next.kind != TokenKind::String) Fail(plusLine, "expected a string after '+'");
          text += next.text;
        }
        return FormValue::String(std::move(text));
      }
      case TokenKind::Name:
        if (!IsDottedName(t.text)) Fail(t.line, "invalid identifier " + Quoted(t.text));
        return FormValue::Identifier(std::move(t.text));
      case TokenKind::Punct:
        if (t.punct == '[') return FormValue::Set(ParseSet());
        if (t.punct == '{') return FormValue::Binary(ReadBinary(t.line));
        if (t.punct == '(') return FormValue::List(ParseList(t.line, listDepth + 1));
        break;
      case TokenKind::End:
        break;
    }
    Fail(t.line, "expected a value");
  }

  std::vector<std::string> ParseSet() {
    std::vector<std::string> elements;
    std::unordered_set<std::string> seen;
    Token t = Take();
    if (t.Is(']')) return elements;
    while (true) {
      if (t.kind != TokenKind::Name || !IsDottedName(t.text)) Fail(t.line, "expected an identifier in set");
      if (!seen.insert(t.text).second) Fail(t.line, "duplicate " + Quoted(t.text) + " in set");
      elements.push_back(std::move(t.text));
      t = Take();
      if (t.Is(']')) return elements;
      if (!t.Is(',')) Fail(t.line, "expected ',' or ']' in set");
      t = Take();
    }
  }

  std::vector<FormValue> ParseList(int openLine, int depth) {
    if (depth > kMaxFormDepth) {
      Fail(openLine, "lists nested deeper than " + std::to_string(kMaxFormDepth) + " levels");
    }
    std::vector<FormValue> items;
    while (true) {
      const Token& t = Peek();
      if (t.kind == TokenKind::End) {
        Fail(t.line, "missing ')' for list from line " + std::to_string(openLine));
      }
      if (t.Is(')')) {
        Take();
        return items;
      }
      items.push_back(ParseValue(depth));
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  bool atLineStart_ = true;
  std::optional<Token> peeked_;
};

// ---------------------------------------------------------------------------
// Writing

[[noreturn]] void Reject(const std::string& message) {
  throw std::invalid_argument("WriteForm: " + message);
}

class Writer {
 public:
  std::string Write(const FormObject& root) {
    WriteObject(root, 0);
    return std::move(out_);
  }

 private:
  void Indent(int level) { out_.append(static_cast<std::size_t>(level) * 2, ' '); }

  void WriteObject(const FormObject& object, int level) {
    if (level >= kMaxFormDepth)
      Reject("objects nested deeper than " + std::to_string(kMaxFormDepth) + " levels");
    if (!IsPlainName(object.name)) Reject("invalid object name " + Quoted(object.name));
    if (!IsPlainName(object.className)) Reject("invalid class name " + Quoted(object.className));
    Indent(level);
    out_ += "object " + object.name + ": " + object.className + "\n";

    std::unordered_set<std::string_view> names;
    for (const FormProperty& p : object.properties) {
      if (!IsDottedName(p.name) || IsKeyword(p.name)) Reject("invalid property name " + Quoted(p.name));
      if (!names.insert(p.name).second) Reject("duplicate property " + Quoted(p.name));
      Indent(level + 1);
      out_ += p.name;
      out_ += " = ";
      WriteValue(p.value, level + 2, 0);
      out_ += '\n';
    }
    names.clear();
    for (const FormObject& child : object.children) {
      if (!names.insert(child.name).second) Reject("duplicate object name " + Quoted(child.name));
      WriteObject(child, level + 1);
    }
    Indent(level);
    out_ += "end\n";
  }

  // `level` is the indentation of any continuation lines the value needs.
  void WriteValue(const FormValue& value, int level, int listDepth) {
    switch (value.kind()) {
      case FormValue::Kind::Integer: {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.AsInteger());
        out_.append(buffer, result.ptr);
        return;
      }
      case FormValue::Kind::Float:
        WriteFloat(value.AsFloat());
        return;
      case FormValue::Kind::String:
        WriteString(value.AsString());
        return;
      case FormValue::Kind::Identifier:
        if (!IsDottedName(value.AsIdentifier())) Reject("invalid identifier " + Quoted(value.AsIdentifier()));
        out_ += value.AsIdentifier();
        return;
      case FormValue::Kind::Set: {
        std::unordered_set<std::string_view> seen;
        out_ += '[';
        for (const std::string& element : value.AsSet()) {
          if (!IsDottedName(element)) Reject("invalid set element " + Quoted(element));
          if (!seen.insert(element).second) Reject("duplicate set element " + Quoted(element));
          if (&element != &value.AsSet().front()) out_ += ", ";
          out_ += element;
        }
        out_ += ']';
        return;
      }
      case FormValue::Kind::Binary:
        WriteBinary(value.AsBinary(), level);
        return;
      case FormValue::Kind::List:
        if (listDepth + 1 > kMaxFormDepth) {
          Reject("lists nested deeper than " + std::to_string(kMaxFormDepth) + " levels");
        }
        out_ += '(';
        for (const FormValue& item : value.AsList()) {
          out_ += '\n';
          Indent(level);
          WriteValue(item, level + 1, listDepth + 1);
        }
        out_ += ')';
        return;
    }
  }

  void WriteFloat(double x) {
    if (!std::isfinite(x)) Reject("a float must be finite");
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    out_ += text;
    // "1500" would read back as an integer.
    if (text.find_first_of(".e") == std::string_view::npos) out_ += ".0";
  }

  void WriteString(std::string_view s) {
    if (!IsValidUtf8(s)) Reject("invalid UTF-8 in string");
    out_ += '"';
    for (const char c : s) {
      if (const std::size_t k = kEscapeMeaning.find(c); k != std::string_view::npos) {
        out_ += '\\';
        out_ += kEscapeLetter[k];
      } else if (static_cast<unsigned char>(c) < 0x20) {
        constexpr char kHex[] = "0123456789ABCDEF";
        out_ += "\\u{";
        if (c >= 0x10) out_ += '1';
        out_ += kHex[c & 0xF];
        out_ += '}';
      } else {
        out_ += c;
      }
    }
    out_ += '"';
  }

  void WriteBinary(const std::vector<std::uint8_t>& bytes, int level) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out_ += '{';
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (i % kBinaryBytesPerLine == 0) {
        out_ += '\n';
        Indent(level);
      }
      out_ += kHex[bytes[i] >> 4];
      out_ += kHex[bytes[i] & 0xF];
    }
    out_ += '}';
  }

  std::string out_;
};

}  // namespace

FormObject ParseForm(std::string_view text) {
  return Parser(text).ParseDocument();
}

std::string WriteForm(const FormObject& root) {
  return Writer().Write(root);
}

}  // namespace tallivo::ui
