// The amount fields as a user meets them: the drop-down calculator of the
// converter fields, the decimal keys under other regional settings, and the
// window's layout on a screen with more dots per inch.
#include <functional>
#include <optional>
#include <string>

#include "tests/e2e/tallivo_fixture.h"
#include "ui/control_win.h"

namespace tallivo::test {
namespace {

std::wstring UserLocaleText(LCTYPE type) {
  wchar_t buffer[16] = {};
  return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 16) > 1 ? buffer : L"";
}

// The user's decimal and thousands separators changed as the regional
// settings change them, for the life of this object; the old ones come back
// on destruction. A program started meanwhile formats with them.
class UserSeparators {
 public:
  UserSeparators(std::string_view decimal, std::string_view thousands)
      : oldDecimal_(UserLocaleText(LOCALE_SDECIMAL)), oldThousands_(UserLocaleText(LOCALE_STHOUSAND)) {
    set_ = !oldDecimal_.empty() && !oldThousands_.empty() &&
           SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Widen(decimal).c_str()) &&
           SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, Widen(thousands).c_str());
  }
  ~UserSeparators() {
    if (oldDecimal_.empty() || oldThousands_.empty()) return;
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, oldDecimal_.c_str());
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, oldThousands_.c_str());
  }
  UserSeparators(const UserSeparators&) = delete;
  UserSeparators& operator=(const UserSeparators&) = delete;

  bool Set() const { return set_; }

 private:
  std::wstring oldDecimal_;
  std::wstring oldThousands_;
  bool set_ = false;
};

constexpr char kCalculatorClass[] = "TallivoCalculator";

class AmountFields : public ShownTallivoTest {
 protected:
  // The drop-down calculator while it is shown, else nullptr.
  HWND Calculator() const { return FindTopLevel({kCalculatorClass, "", process_->Id(), true}); }
  HWND WaitForCalculator() const {
    HWND calculator = nullptr;
    WaitUntil([&] { return (calculator = Calculator()) != nullptr; });
    return calculator;
  }
  // Clicks the drop-down button at the right end of a converter field.
  bool ClickDropDownButton(std::string_view field) {
    HWND edit = Control(field);
    RECT client{};
    GetClientRect(edit, &client);
    // The button takes the room between the text area and the right border.
    return Click(edit, POINT{client.right + 4, client.bottom / 2});
  }
  // Empties the euro field (its clear key) or replaces its text by `text`.
  void EnterEuros(std::string_view text) {
    FocusBy("Ctrl+E", "CEuro");
    if (text.empty()) {
      Type("c");
    } else {
      Press("Ctrl+A");
      Type(text);
    }
    ASSERT_TRUE(ShowsText("CEuro", std::string(text)));
  }
};

// ---- The drop-down calculator ----------------------------------------------

TEST_F(AmountFields, CalculatorResultGoesIntoTheFieldAndIsConverted) {
  const struct {
    const char* start;   // the field's text before the calculator opens
    const char* open;    // the chord that opens it
    const char* keys;    // typed into the calculator
    const char* result;  // the field's text afterwards
    const char* pounds;
    const char* shown;  // the field's text once left
  } cases[] = {
      {"", "F4", "12.5*8=", "100", "£58.53", "€100.00"},
      // The calculator starts from the field's value.
      {"40", "Alt+Down", "*2,5=", "100", "£58.53", "€100.00"},
      {"80", "F4", "+15%", "92", "£53.85", "€92.00"},
      // Ten significant digits: 2/3 is 0.6666666667, and a chained result
      // carries on with the digits shown, so 10^9 / 3 * 3 is 999,999,999.9.
      {"", "F4", "2/3=", "0.6666666667", "£0.39", "€0.67"},
      {"", "Alt+Down", "1000000000/3*3=", "999,999,999.9", "£585,273,999.94", "€999,999,999.90"},
      // Without an operation the number typed is the result.
      {"7", "F4", "0.125", "0.125", "£0.07", "€0.13"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.start) + " then " + c.keys);
    EnterEuros(Localized(c.start));
    const std::string pounds = Text("CCyp");
    Press(c.open);
    HWND calculator = WaitForCalculator();
    ASSERT_NE(calculator, nullptr) << "no calculator after " << c.open;
    EXPECT_EQ(Focused(), Control("CEuro")) << "the field keeps the focus";
    Type(c.keys);
    // The keys went to the calculator; the field waits for its result.
    EXPECT_EQ(Text("CEuro"), Localized(c.start));
    EXPECT_EQ(Text("CCyp"), pounds);
    Press("Enter");
    EXPECT_TRUE(WaitGone(calculator));
    EXPECT_TRUE(ShowsText("CEuro", Localized(c.result)));
    EXPECT_TRUE(ShowsText("CCyp", Localized(c.pounds)));
    EXPECT_EQ(Focused(), Control("CEuro"));
    Press("Tab");
    EXPECT_TRUE(ShowsText("CEuro", Localized(c.shown)));
  }
}

TEST_F(AmountFields, CalculatorResultIsSelectedForTheNextAmount) {
  EnterEuros("");
  Press("F4");
  HWND calculator = WaitForCalculator();
  ASSERT_NE(calculator, nullptr);
  Type("6*7=");
  Press("Enter");
  ASSERT_TRUE(WaitGone(calculator));
  ASSERT_TRUE(ShowsText("CEuro", "42"));
  Type("5");
  EXPECT_TRUE(ShowsText("CEuro", "5"));
  EXPECT_TRUE(ShowsText("CCyp", Localized("£2.93")));
}

TEST_F(AmountFields, CalculatorWorksInThePoundField) {
  FocusBy("Ctrl+Y", "CCyp");
  Press("Ctrl+A");
  Type("10");
  Press("F4");
  HWND calculator = WaitForCalculator();
  ASSERT_NE(calculator, nullptr);
  Type("*10=");
  Press("Enter");
  EXPECT_TRUE(WaitGone(calculator));
  EXPECT_TRUE(ShowsText("CCyp", "100"));
  EXPECT_TRUE(ShowsText("CEuro", Localized("€170.86")));
}

// The calculator's keys, as laid out on it: five columns below the display.
POINT CalculatorKeyCentre(HWND calculator, std::string_view label) {
  static constexpr const char* kLabels[] = {"<-", "CE", "C", "+/-", "sqrt", "7",   "8", "9", "/",
                                            "%",  "4",  "5", "6",   "*",    "1/x", "1", "2", "3",
                                            "-",  "=",  "0", "00",  ".",    "+",   "="};
  int index = 0;
  while (index < 25 && label != kLabels[index]) ++index;
  RECT client{};
  GetClientRect(calculator, &client);
  const int unit = client.right / 5;
  const int column = index % 5;
  const int row = index / 5 + 1;
  return POINT{column * unit + unit / 2, row * unit + unit / 2};
}

TEST_F(AmountFields, CalculatorWorksWithTheMouse) {
  EnterEuros(Localized("3"));
  ASSERT_TRUE(ClickDropDownButton("CEuro"));
  HWND calculator = WaitForCalculator();
  ASSERT_NE(calculator, nullptr);
  EXPECT_EQ(Focused(), Control("CEuro"));
  // It opens below the field.
  const RECT field = WindowRect(Control("CEuro"));
  const RECT below = WindowRect(calculator);
  EXPECT_EQ(below.left, field.left);
  EXPECT_EQ(below.top, field.bottom);
  // Clicking "=" hands the result over and closes the calculator.
  for (const char* key : {"*", "1", "4", "="}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(Click(calculator, CalculatorKeyCentre(calculator, key)));
    ASSERT_TRUE(WaitForInputProcessed(main_));
  }
  EXPECT_TRUE(WaitGone(calculator));
  EXPECT_TRUE(ShowsText("CEuro", "42"));
  EXPECT_TRUE(ShowsText("CCyp", Localized("£24.58")));
  EXPECT_EQ(Focused(), Control("CEuro"));
}

TEST_F(AmountFields, ClosingTheCalculatorOtherwiseLeavesTheFieldAlone) {
  const struct {
    const char* name;
    std::function<bool()> close;
    const char* focused;  // where the focus is afterwards
    const char* euros;
    const char* pounds;
  } cases[] = {
      {"Escape", [] { return PressKeys("Escape"); }, "CEuro", "100", "£58.53"},
      {"F4 again", [] { return PressKeys("F4"); }, "CEuro", "100", "£58.53"},
      {"its button", [this] { return ClickDropDownButton("CEuro"); }, "CEuro", "100", "£58.53"},
      {"Tab", [] { return PressKeys("Tab"); }, "CCyp", "€100.00", "58.53"},
      {"a click elsewhere", [this] { return Click(Control("EdAmtEur")); }, "EdAmtEur", "€100.00", "£58.53"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EnterEuros("100");
    ASSERT_TRUE(ShowsText("CCyp", Localized("£58.53")));
    Press("F4");
    HWND calculator = WaitForCalculator();
    ASSERT_NE(calculator, nullptr);
    Type("*3=");
    ASSERT_TRUE(c.close());
    ASSERT_TRUE(WaitForInputProcessed(main_));
    EXPECT_TRUE(WaitGone(calculator));
    EXPECT_TRUE(WaitUntil([&] { return Focused() == Control(c.focused); })) << Describe(Focused());
    EXPECT_TRUE(ShowsText("CEuro", Localized(c.euros)));
    EXPECT_TRUE(ShowsText("CCyp", Localized(c.pounds)));
    // Opened again, it starts from the field's value, not the result dropped.
    FocusBy("Ctrl+E", "CEuro");
    Press("F4");
    calculator = WaitForCalculator();
    ASSERT_NE(calculator, nullptr);
    Type("+1=");
    Press("Enter");
    EXPECT_TRUE(WaitGone(calculator));
    EXPECT_TRUE(ShowsText("CEuro", "101"));
    EXPECT_TRUE(ShowsText("CCyp", Localized("£59.11")));
  }
}

// ---- Decimal keys and regional settings -------------------------------------

struct SeparatorCase {
  const char* name;
  const char* decimal;  // nullptr: the settings as they are
  const char* thousands;
};

class AmountFieldsWithSeparators : public AmountFields, public ::testing::WithParamInterface<SeparatorCase> {
 protected:
  void SetUp() override {
    if (GetParam().decimal) {
      separators_.emplace(GetParam().decimal, GetParam().thousands);
      ASSERT_TRUE(separators_->Set());
      ASSERT_EQ(Localized("1,234.5"),
                std::string("1") + GetParam().thousands + "234" + GetParam().decimal + "5");
    }
    AmountFields::SetUp();
  }
  void TearDown() override {
    AmountFields::TearDown();
    separators_.reset();
  }

  std::optional<UserSeparators> separators_;
};

TEST_P(AmountFieldsWithSeparators, BothDecimalKeysTypeTheDecimalSeparatorInTheChangeFields) {
  FocusBy("Ctrl+H", "EdAmtEur");
  Type("12.5");
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("12.5")));
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("-€12.50")));
  Press("Tab");
  ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("EdPaidCYP"); }));
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("€12.50")));
  Type("5,85");
  EXPECT_TRUE(ShowsText("EdPaidCYP", Localized("5.85")));
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("-€2.50")));
  Press("Tab");
  ASSERT_TRUE(WaitUntil([&] { return Focused() == Control("EdPaidEUR"); }));
  EXPECT_TRUE(ShowsText("EdPaidCYP", Localized("£5.85")));
  Press("Ctrl+A");
  Type("2000,5");
  EXPECT_TRUE(ShowsText("EdPaidEUR", Localized("2000.5")));
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€1,998.00")));
  Press("Tab");
  EXPECT_TRUE(ShowsText("EdPaidEUR", Localized("€2,000.50")));
  // Back in the field, the edit format shows the separator of the settings.
  FocusBy("Ctrl+H", "EdAmtEur");
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("12.50")));
  // A second separator is refused, whichever key types it.
  Press("End");
  Type(".,1");
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("12.501")));
  // One in the selection is replaced, so it does not count.
  for (int i = 0; i < 4; ++i) Press("Shift+Left");
  Type(",7");
  EXPECT_TRUE(ShowsText("EdAmtEur", Localized("12.7")));
  EXPECT_TRUE(ShowsText("EdChgEUR", Localized("€1,997.80")));
}

TEST_P(AmountFieldsWithSeparators, ConverterFieldTakesOnlyTheDecimalSeparatorItself) {
  const std::string decimal = Localized(".");
  ASSERT_TRUE(decimal == "." || decimal == ",") << "the test types it with one key";
  const std::string other = decimal == "." ? "," : ".";
  FocusBy("Ctrl+E", "CEuro");
  Press("Ctrl+A");
  Type("1234" + decimal);
  EXPECT_TRUE(ShowsText("CEuro", "1234" + decimal));
  // The other key would be the thousands separator or nothing, and a second
  // decimal separator makes no number: both are refused.
  Type(other);
  Type(decimal);
  Type("5");
  EXPECT_TRUE(ShowsText("CEuro", Localized("1234.5")));
  EXPECT_TRUE(ShowsText("CCyp", Localized("£722.52")));
  Press("Tab");
  EXPECT_TRUE(ShowsText("CEuro", Localized("€1,234.50")));
  // Back in the field its value is shown grouped; in the calculator both
  // keys are the decimal point.
  FocusBy("Ctrl+E", "CEuro");
  EXPECT_TRUE(ShowsText("CEuro", Localized("1,234.5")));
  Press("F4");
  HWND calculator = WaitForCalculator();
  ASSERT_NE(calculator, nullptr);
  Type("*0,5+0.25=");
  Press("Enter");
  EXPECT_TRUE(WaitGone(calculator));
  EXPECT_TRUE(ShowsText("CEuro", Localized("617.5")));
  EXPECT_TRUE(ShowsText("CCyp", Localized("£361.41")));
}

INSTANTIATE_TEST_SUITE_P(, AmountFieldsWithSeparators,
                         ::testing::Values(SeparatorCase{"AsSet", nullptr, nullptr},
                                           SeparatorCase{"CommaDecimalDotThousands", ",", "."},
                                           SeparatorCase{"CommaDecimalNoBreakSpaceThousands", ",", "\u00A0"}),
                         [](const ::testing::TestParamInfo<SeparatorCase>& param) {
                           return std::string(param.param.name);
                         });

// ---- Higher DPI ----------------------------------------------------------------

// Window rectangles in the pixels of the screen, whatever DPI this test
// process itself was started with.
class PhysicalPixels {
 public:
  PhysicalPixels() : old_(SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {}
  ~PhysicalPixels() {
    if (old_) SetThreadDpiAwarenessContext(old_);
  }
  PhysicalPixels(const PhysicalPixels&) = delete;
  PhysicalPixels& operator=(const PhysicalPixels&) = delete;

 private:
  DPI_AWARENESS_CONTEXT old_;
};

// A control's rectangle in its parent's client area.
RECT RectInParent(HWND control) {
  RECT r = WindowRect(control);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Rows of the control's client area that hold text: pixels much darker than
// its background.
int InkHeight(HWND control) {
  const auto image = CaptureScreen(ClientRectOnScreen(control));
  if (!image) return -1;
  int top = -1;
  int bottom = -1;
  for (int y = 0; y < image->Height(); ++y) {
    for (int x = 0; x < image->Width(); ++x) {
      const Color c = image->At(x, y);
      if (c.r + c.g + c.b < 3 * 96) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
    }
  }
  return top < 0 ? 0 : bottom - top + 1;
}

struct Measured {
  SIZE window{};
  SIZE label{};
  int fieldHeight = 0;
  int inkHeight = 0;
  SIZE calculator{};
};

TEST(AmountFieldsDpi, LayoutAndTextScaleWithTheDpi) {
  const PhysicalPixels physical;
  // Positions and sizes at 96 dpi, as the form stores them; 0 for a size the
  // control takes from its font.
  const struct {
    const char* name;
    int left, top, width, height;
  } controls[] = {
      {"CEuro", 14, 32, 185, 0},      {"CCyp", 214, 32, 185, 0},      {"GroupBox1", 12, 96, 387, 161},
      {"EdAmtEur", 208, 24, 160, 0},  {"EdPaidCYP", 208, 56, 160, 0}, {"EdPaidEUR", 208, 88, 160, 0},
      {"EdChgEUR", 208, 120, 160, 0}, {"Button1", 16, 264, 75, 25},   {"Label1", 71, 8, 0, 0},
      {"Label7", 112, 264, 0, 0},
  };
  std::optional<Measured> at96;
  // Back to 96 dpi last: the layout is as designed again, and Wine, which
  // switches its own font settings with the DPI, leaves them as they were.
  for (const int dpi : {96, 120, 144, 192, 96}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    const auto scale = [&](int v) { return MulDiv(v, dpi, 96); };
    const double factor = dpi / 96.0;
    const auto logPixels = ScopedRegistryValue::Dword(HKEY_CURRENT_USER, L"Control Panel\\Desktop",
                                                      L"LogPixels", static_cast<DWORD>(dpi));
    ASSERT_TRUE(logPixels.Set());
    std::string error;
    auto process = Process::Start(TallivoPath(), {}, &error);
    ASSERT_TRUE(process) << error;
    HWND main = WaitForWindow({"TFmMain", "Tallivo", process->Id(), true});
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(BringToForeground(main));
    ASSERT_TRUE(WaitForInputProcessed(main));
    const auto control = [&](const char* name) { return FindChildById(main, ui::ControlIdFromName(name)); };

    Measured m;
    const RECT window = WindowRect(main);
    m.window = {window.right - window.left, window.bottom - window.top};
    EXPECT_NEAR(m.window.cx, scale(420), 1);
    EXPECT_NEAR(m.window.cy, scale(355), 1);
    for (const auto& c : controls) {
      SCOPED_TRACE(c.name);
      HWND h = control(c.name);
      ASSERT_NE(h, nullptr);
      const RECT r = RectInParent(h);
      EXPECT_NEAR(r.left, scale(c.left), 1) << Describe(h);
      EXPECT_NEAR(r.top, scale(c.top), 1) << Describe(h);
      if (c.width) {
        EXPECT_NEAR(r.right - r.left, scale(c.left + c.width) - scale(c.left), 1) << Describe(h);
      }
      if (c.height) {
        EXPECT_NEAR(r.bottom - r.top, scale(c.top + c.height) - scale(c.top), 1) << Describe(h);
      }
    }
    // What the fonts decide: the label fitted to its caption, the field's
    // height and the height of the digits it shows.
    const RECT label = WindowRect(control("Label1"));
    m.label = {label.right - label.left, label.bottom - label.top};
    const RECT field = WindowRect(control("CCyp"));
    m.fieldHeight = field.bottom - field.top;
    // The screen may show the field's first paint a little after it is done.
    WaitUntil([&] { return (m.inkHeight = InkHeight(control("CCyp"))) > 0; });
    // The calculator's keys grow too.
    ASSERT_TRUE(PressKeys("F4"));
    HWND calculator = WaitForWindow({kCalculatorClass, "", process->Id(), true});
    ASSERT_NE(calculator, nullptr);
    const RECT popup = WindowRect(calculator);
    m.calculator = {popup.right - popup.left, popup.bottom - popup.top};
    ASSERT_TRUE(PressKeys("Escape"));
    EXPECT_TRUE(WaitGone(calculator));
    if (!at96) {
      at96 = m;
      EXPECT_GT(m.inkHeight, 8);
    } else {
      // Font metrics round to whole pixels at each size; glyph advances do so
      // for every character of a caption, and the calculator rounds its key
      // size before multiplying it by five or six.
      EXPECT_NEAR(m.label.cx, at96->label.cx * factor, 4);
      EXPECT_NEAR(m.label.cy, at96->label.cy * factor, 2);
      EXPECT_NEAR(m.fieldHeight, at96->fieldHeight * factor, 2);
      EXPECT_NEAR(m.inkHeight, at96->inkHeight * factor, 2);
      EXPECT_NEAR(m.calculator.cx, at96->calculator.cx * factor, 3);
      EXPECT_NEAR(m.calculator.cy, at96->calculator.cy * factor, 3);
    }
    ASSERT_TRUE(PressKeys("Ctrl+X"));
    EXPECT_EQ(process->WaitForExit(), std::optional<DWORD>(0));
  }
}

}  // namespace
}  // namespace tallivo::test
