// Thousands of random keystrokes and pasted texts into every field of the
// running program: it never crashes, and every amount it shows is the one the
// engine gives for what the fields hold.
#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "app/conversion.h"
#include "tests/e2e/tallivo_fixture.h"
#include "ui/amount_edit_win.h"
#include "ui/amount_text.h"
#include "ui/control_win.h"

namespace tallivo::test {
namespace {

using ui::AmountFieldKind;
using ui::AmountFieldSettings;

// The settings of the main window's fields that decide their text.
AmountFieldSettings Settings(std::string_view field) {
  AmountFieldSettings s;
  if (field == "CEuro" || field == "CCyp") {
    s.kind = AmountFieldKind::Calculator;
    s.display_format = field == "CEuro" ? "€,0.00" : "£,0.00";
    s.use_thousand_separator = true;
    s.precision = 10;
  } else if (field == "EdAmtEur" || field == "EdPaidCYP") {
    s.display_format = field == "EdAmtEur" ? "€,0.00" : "£,0.00";
    s.edit_format = "0.00";
    s.null_string = "0";
    s.bounds = {-9999999999.0, 9999999999.0};
  } else if (field == "EdPaidEUR") {
    s.display_format = "€,0.00";
  } else {
    s.display_format = "€,0.00";
    s.bounds = {-999999999.0, 999999999.0};
    s.use_display_format_when_editing = true;
  }
  return s;
}

std::string Display(std::string_view field, std::optional<double> v) {
  return ui::DisplayText(v, Settings(field), ui::SystemSeparators());
}

class Fuzz : public ShownTallivoTest {
 protected:
  // The value a field holds as the program reads it: what is typed while it
  // is focused, the shown value otherwise; nullopt for text that reads as
  // nothing, which counts as 0.
  std::optional<double> Held(std::string_view field) {
    return ui::ParseFieldText(Text(field), Settings(field), ui::SystemSeparators());
  }

  // Closes the message boxes the last action raised, innermost first; only
  // the two known texts may appear.
  bool DismissMessage() {
    bool any = false;
    for (int i = 0; i < 5; ++i) {
      HWND box = nullptr;
      for (HWND w : TopLevelWindows()) {
        if (ClassName(w) == "#32770" && IsVisible(w) && IsWindowEnabled(w)) box = w;
      }
      if (!box) break;
      any = true;
      const std::string text = DialogText(box);
      EXPECT_TRUE(text == "Value out of bounds" || text == "Invalid floating point operation") << text;
      CloseMessageBox(box);
      WaitGone(box, Timeout{3000});
    }
    if (any) {
      EXPECT_TRUE(BringToForeground(main_));
    }
    return any;
  }

  std::vector<HWND> TopLevelWindows() const {
    std::vector<HWND> found;
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == process_->Id()) found.push_back(w);
    }
    return found;
  }

  void Paste(const std::string& text) {
    // The program holds the clipboard while a paste is handled, also while
    // the paste's change reports an error in a message box.
    ASSERT_TRUE(WaitUntil([&] {
      DismissMessage();
      return PutOnClipboard(text);
    }));
    PressKeys("Ctrl+V");
  }

  void RandomAction(std::mt19937& rng) {
    static const char* const kChords[] = {"Backspace", "Delete", "Home",       "End",
                                          "Left",      "Right",  "Shift+Home", "Ctrl+A"};
    static const char* const kPastes[] = {
        "12.50", "1,234.56", "abc",     "-0", "1e5", "  7  ", "€3.00", "0.005", "99999999999999999999999",
        "",      "-12.345",  "1.5E+30", "٣",  "0,5", "4.4.4"};
    static const std::string kChars = "0123456789012345678901234567890123456789.,-+eEcCxz ";
    const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
    if (kind < 14) {
      const char c = kChars[std::uniform_int_distribution<std::size_t>(0, kChars.size() - 1)(rng)];
      TypeKeys(std::string(1, c));
    } else if (kind < 18) {
      PressKeys(kChords[std::uniform_int_distribution<std::size_t>(0, std::size(kChords) - 1)(rng)]);
    } else if (kind < 19) {
      Paste(kPastes[std::uniform_int_distribution<std::size_t>(0, std::size(kPastes) - 1)(rng)]);
    } else {
      std::string digits;
      const int n = std::uniform_int_distribution<int>(1, 25)(rng);
      for (int i = 0; i < n; ++i)
        digits += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(rng));
      Paste(digits);
    }
  }
};

TEST_F(Fuzz, ConverterShowsTheEngineResultForWhateverIsTyped) {
  std::mt19937 rng(20071231);
  for (const char* field : {"CEuro", "CCyp"}) {
    SCOPED_TRACE(field);
    const std::string other = std::string(field) == "CEuro" ? "CCyp" : "CEuro";
    Press(std::string(field) == "CEuro" ? "Ctrl+E" : "Ctrl+Y");
    // Until the field's text changes, the other one shows what it held before.
    bool typedInto = false;
    for (int i = 0; i < 700; ++i) {
      const std::string before = Text(other);
      const std::string typedBefore = Text(field);
      RandomAction(rng);
      ASSERT_TRUE(WaitForInputProcessed(main_));
      DismissMessage();
      ASSERT_TRUE(process_->IsRunning());
      if (Focused() != Control(field)) Press(std::string(field) == "CEuro" ? "Ctrl+E" : "Ctrl+Y");
      typedInto = typedInto || Text(field) != typedBefore;
      if (!typedInto) continue;
      // The program may still be handling the last of the input: wait until
      // what it shows is consistent, or report what it shows.
      std::string expected;
      const bool consistent = WaitUntil(
          [&] {
            const std::optional<double> v = Held(field);
            try {
              expected = Display(other, v ? (other == "CCyp" ? EurToCyp(*v) : CypToEur(*v)) : 0.0);
            } catch (const EInvalidOp&) {
              expected = before;  // reported; the other field keeps what it showed
            }
            return Text(other) == expected;
          },
          Timeout{5000});
      ASSERT_TRUE(consistent) << other << " shows \"" << Text(other) << "\" for \"" << Text(field)
                              << "\", expected \"" << expected << "\" (action " << i << ")";
    }
  }
}

TEST_F(Fuzz, ChangeShowsTheEngineResultForWhateverIsTyped) {
  std::mt19937 rng(20080101);
  const struct {
    const char* field;
    ChangeTrigger trigger;
  } inputs[] = {{"EdAmtEur", ChangeTrigger::AmountPayable},
                {"EdPaidCYP", ChangeTrigger::PaidCyp},
                {"EdPaidEUR", ChangeTrigger::PaidEur}};
  // What each field stored when it was left: the shown text has only cents.
  std::map<std::string, double, std::less<>> stored{{"EdAmtEur", 0}, {"EdPaidCYP", 0}, {"EdPaidEUR", 0}};
  const auto value = [&](std::string_view field, std::string_view typing) {
    return field == typing ? Held(field).value_or(0) : stored.find(field)->second;
  };
  Press("Ctrl+H");
  for (int round = 0; round < 2; ++round) {
    for (const auto& input : inputs) {
      SCOPED_TRACE(input.field);
      ASSERT_TRUE(WaitUntil([&] { return Focused() == Control(input.field); })) << Describe(Focused());
      // The change is computed, with this field's grouping, once its text changes.
      bool typedInto = false;
      for (int i = 0; i < 250; ++i) {
        const std::string typedBefore = Text(input.field);
        RandomAction(rng);
        ASSERT_TRUE(WaitForInputProcessed(main_));
        DismissMessage();
        ASSERT_TRUE(process_->IsRunning());
        typedInto = typedInto || Text(input.field) != typedBefore;
        if (!typedInto) continue;
        std::string expected;
        bool overflow = false;
        const bool consistent = WaitUntil(
            [&] {
              DismissMessage();  // a report may come after the input was handled
              try {
                const double change =
                    ChangeEur(input.trigger, value("EdAmtEur", input.field), value("EdPaidCYP", input.field),
                              value("EdPaidEUR", input.field));
                expected = Display("EdChgEUR", std::clamp(change, -999999999.0, 999999999.0));
              } catch (const EInvalidOp&) {
                overflow = true;
                return true;
              }
              return Text("EdChgEUR") == expected;
            },
            Timeout{5000});
        ASSERT_TRUE(consistent) << input.field << " holds \"" << Text(input.field) << "\", change shows \""
                                << Text("EdChgEUR") << "\", expected \"" << expected << "\" (action " << i
                                << ")";
        if (overflow) {
          // Past what the rounding holds the change is reported, not shown;
          // empty the field and go on from a state the engine can check.
          ASSERT_TRUE(WaitUntil([&] {
            DismissMessage();
            return FindTopLevel({"#32770", "", process_->Id(), true}) == nullptr;
          }));
          ASSERT_TRUE(BringToForeground(main_));
          Press("Ctrl+A");
          Press("Delete");
          ASSERT_TRUE(WaitUntil([&] { return Text(input.field).empty() && !DismissMessage(); }))
              << Text(input.field);
        }
      }
      // Move on; a value out of bounds is refused and keeps the focus.
      const std::optional<double> held = Held(input.field);
      Press("Tab");
      if (held && !Settings(input.field).bounds.Contains(*held)) {
        EXPECT_EQ(AcceptMessageBox(), "Value out of bounds");
        ASSERT_TRUE(BringToForeground(main_));
        ASSERT_TRUE(WaitUntil([&] { return Focused() == Control(input.field); }));
        Press("Delete");  // its text is selected: this empties it, which counts as 0
        ASSERT_TRUE(WaitUntil([&] { return Text(input.field).empty(); })) << Text(input.field);
        Press("Tab");
      }
      ASSERT_TRUE(WaitUntil([&] { return Focused() != Control(input.field); }));
      stored[input.field] = held && Settings(input.field).bounds.Contains(*held) ? *held : 0.0;
      if (std::string_view(input.field) == "EdPaidEUR") Press("Ctrl+H");
    }
  }
}

}  // namespace
}  // namespace tallivo::test
