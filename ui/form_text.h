// The text form of a window description: a tree of objects, each with named
// property values and child objects, read from and written to the files in
// forms/. Only the text layer; binding a tree to controls happens elsewhere.
// Portable: no Windows headers.
//
//   # a comment line
//   object FmMain: TFmMain
//     Caption = "Euro \u{20AC}" + " calculator"    strings: \" \\ \n \r \t \u{hex}
//     Width = 420                                  int64; 1.5, 2e3 are floats
//     Font.Style = [fsBold]                        identifiers, sets of them
//     Icon.Data = {0000 0100}                      hex bytes, may span lines
//     Items = ("one" "two")                        lists of any values
//     object Label1: TLabel
//     end
//   end
//
// Statements end at the line end; strings joined with '+', sets, binary data
// and lists may continue on the following lines.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tallivo::ui {

// Objects may nest this many levels (the root is level 1); lists inside a
// value may nest as deep again. Bounds the parser's recursion on bad input.
inline constexpr int kMaxFormDepth = 32;

// Bad form text. what() reads "line N: <message>"; line() is N (1-based).
class FormError : public std::runtime_error {
 public:
  FormError(int line, const std::string& message);
  int line() const noexcept { return line_; }

 private:
  int line_;
};

// One property value. Strings hold UTF-8; identifiers are names such as True,
// clRed or a handler's name; a set is a list of identifiers.
class FormValue {
 public:
  enum class Kind { Integer, Float, String, Identifier, Set, Binary, List };

  FormValue() = default;  // Integer 0.

  static FormValue Integer(std::int64_t value);
  static FormValue Float(double value);
  static FormValue String(std::string value);
  static FormValue Identifier(std::string value);
  static FormValue Set(std::vector<std::string> elements);
  static FormValue Binary(std::vector<std::uint8_t> bytes);
  static FormValue List(std::vector<FormValue> items);

  // The kind of payload this value holds.
  Kind kind() const noexcept { return static_cast<Kind>(data_.index()); }

  // The payload; each throws std::bad_variant_access when kind() differs.
  std::int64_t AsInteger() const { return std::get<0>(data_); }
  double AsFloat() const { return std::get<1>(data_); }
  const std::string& AsString() const { return std::get<2>(data_); }
  const std::string& AsIdentifier() const { return std::get<3>(data_); }
  const std::vector<std::string>& AsSet() const { return std::get<4>(data_); }
  const std::vector<std::uint8_t>& AsBinary() const { return std::get<5>(data_); }
  const std::vector<FormValue>& AsList() const { return std::get<6>(data_); }

  // Same kind and payload; floats compare by bit pattern, so -0.0 != 0.0.
  friend bool operator==(const FormValue& a, const FormValue& b);

 private:
  // Alternatives in the order of Kind.
  using Data = std::variant<std::int64_t, double, std::string, std::string, std::vector<std::string>,
                            std::vector<std::uint8_t>, std::vector<FormValue>>;
  // Builds the alternative in place: moving a whole variant in trips GCC 12's
  // -Wmaybe-uninitialized when optimising.
  template <std::size_t I, typename T>
  FormValue(std::in_place_index_t<I> index, T&& payload) : data_(index, std::forward<T>(payload)) {}

  Data data_;
};

// `Name = value`. line is where it was read (0 when built in code) and takes
// no part in comparison.
struct FormProperty {
  std::string name;
  FormValue value;
  int line = 0;

  // Same name and value.
  friend bool operator==(const FormProperty& a, const FormProperty& b) {
    return a.name == b.name && a.value == b.value;
  }
};

// `object Name: ClassName` with its properties and children, in file order.
struct FormObject {
  std::string name;
  std::string className;
  std::vector<FormProperty> properties;
  std::vector<FormObject> children;
  int line = 0;

  // The property with exactly this name, or nullptr.
  const FormProperty* FindProperty(std::string_view propertyName) const;
  // The direct child with exactly this name, or nullptr.
  const FormObject* FindChild(std::string_view childName) const;

  // Same names, properties and children, in order; lines are ignored.
  friend bool operator==(const FormObject& a, const FormObject& b);
};

// The tree described by text (UTF-8, optional BOM, LF or CRLF line ends).
// Throws FormError, and nothing else, for any text that is not a valid form.
FormObject ParseForm(std::string_view text);

// Canonical text of a tree, which ParseForm reads back to an equal tree.
// Throws std::invalid_argument for a tree no text can express (bad names,
// duplicates, invalid UTF-8, non-finite floats, nesting past kMaxFormDepth).
std::string WriteForm(const FormObject& root);

}  // namespace tallivo::ui
