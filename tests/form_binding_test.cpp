#include "ui/form_binding.h"

#include <gtest/gtest.h>

#include "ui/graphics.h"
#include "ui/published.h"

namespace tallivo::ui {

enum class TShape { shCircle, shSquare, shStar };
template <>
const EnumNames& EnumNamesOf<TShape>() {
  static const EnumNames names{{"shCircle", "shSquare", "shStar"}};
  return names;
}

namespace {

std::vector<std::string>* gLoadedLog = nullptr;

// A component with one setting of every kind.
class TWidget : public TComponent {
 public:
  explicit TWidget(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {}
  ~TWidget() override { SetBuddy(nullptr); }
  static const ClassInfo& StaticClass() {
    using W = TWidget;
    static const ClassInfo info("TWidget", &TComponent::StaticClass(), &Construct<TWidget>,
                                {
                                    Property<W>("Caption", &W::Caption, &W::SetCaption, std::string()),
                                    Property<W>("Count", &W::Count, &W::SetCount, 0),
                                    Property<W>("Ratio", &W::Ratio, &W::SetRatio, 1.5),
                                    Property<W>("Enabled", &W::Enabled, &W::SetEnabled, true),
                                    Property<W>("Shape", &W::Shape, &W::SetShape, TShape::shCircle),
                                    Property<W>("Shapes", &W::Shapes, &W::SetShapes, Set<TShape>{}),
                                    Property<W>("Color", &W::Color, &W::SetColor, clBtnFace),
                                    Property<W>("Data", &W::Data, &W::SetData, Bytes{}),
                                    ObjectProperty<W>("Font", &W::Font),
                                    ComponentProperty<W>("Buddy", &W::Buddy, &W::SetBuddy),
                                    EventProperty<W>("OnPing", &W::OnPing),
                                });
    return info;
  }
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v) { caption_ = std::move(v); }
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TShape Shape() const { return shape_; }
  void SetShape(TShape v) { shape_ = v; }
  Set<TShape> Shapes() const { return shapes_; }
  void SetShapes(Set<TShape> v) { shapes_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  const Bytes& Data() const { return data_; }
  void SetData(Bytes v) { data_ = std::move(v); }
  TFont* Font() const { return font_.get(); }
  TWidget* Buddy() const { return buddy_; }
  void SetBuddy(TWidget* v) {
    if (buddy_) buddy_->RemoveFreeNotification(this);
    buddy_ = v;
    if (buddy_) buddy_->FreeNotification(this);
  }
  TComponent* Parent() const { return parent_; }
  void SetParentComponent(TComponent* parent) override { parent_ = parent; }
  TComponent* GetParentComponent() const override { return parent_; }

  std::function<void(TComponent*)> OnPing;
  TWidget* buddyAtLoaded = nullptr;

 protected:
  void Loaded() override {
    buddyAtLoaded = buddy_;
    if (gLoadedLog) gLoadedLog->push_back(Name());
  }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == TOperation::opRemove && c == buddy_) buddy_ = nullptr;
  }

 private:
  std::string caption_;
  int count_ = 0;
  double ratio_ = 1.5;
  bool enabled_ = true;
  TShape shape_ = TShape::shCircle;
  Set<TShape> shapes_;
  TColor color_ = clBtnFace;
  Bytes data_;
  std::unique_ptr<TFont> font_;
  TWidget* buddy_ = nullptr;
  TComponent* parent_ = nullptr;
};

class TTestForm : public TComponent {
 public:
  explicit TTestForm(TComponent* owner) : TComponent(owner) {}
  static const ClassInfo& StaticClass() {
    using F = TTestForm;
    static const ClassInfo info("TTestForm", &TComponent::StaticClass(), nullptr,
                                {Property<F>("Title", &F::Title, &F::SetTitle, std::string())},
                                {Handler("PingHandler", &F::PingHandler), Handler("Other", &F::Other)},
                                {Field("First", &F::First), Field("Second", &F::Second)});
    return info;
  }
  const ClassInfo& Class() const override { return StaticClass(); }
  const std::string& Title() const { return title_; }
  void SetTitle(std::string v) { title_ = std::move(v); }

  TWidget* First = nullptr;
  TWidget* Second = nullptr;
  int pings = 0;
  TComponent* lastSender = nullptr;

 private:
  void PingHandler(TComponent* sender) {
    ++pings;
    lastSender = sender;
  }
  int Other(int x) { return x; }
  std::string title_;
};

class FormBinding : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterComponentClass(TWidget::StaticClass()); }
};

// Settings in declaration order, the order the writer uses.
constexpr std::string_view kForm = R"(object Main: TTestForm
  Title = "Hello"
  object First: TWidget
    Caption = "one"
    Count = -7
    Ratio = 2.25
    Enabled = False
    Shape = shStar
    Shapes = [shCircle, shStar]
    Color = clRed
    Data = {00ff10}
    Font.Height = -16
    Font.Style = [fsBold, fsItalic]
    Buddy = Second
    OnPing = PingHandler
    object Inner: TWidget
      Count = 3
    end
  end
  object Second: TWidget
    Color = 12345
  end
end
)";

TEST_F(FormBinding, AppliesEverySettingKindAndBindsByName) {
  TTestForm form(nullptr);
  LoadFormText(form, kForm);
  ASSERT_NE(form.First, nullptr);
  ASSERT_NE(form.Second, nullptr);
  const TWidget& w = *form.First;
  EXPECT_EQ(form.Name(), "Main");
  EXPECT_EQ(form.Title(), "Hello");
  EXPECT_EQ(w.Caption(), "one");
  EXPECT_EQ(w.Color(), clRed);
  EXPECT_EQ(w.Count(), -7);
  EXPECT_EQ(w.Data(), (Bytes{0x00, 0xff, 0x10}));
  EXPECT_FALSE(w.Enabled());
  EXPECT_EQ(w.Font()->Height(), -16);
  EXPECT_TRUE(w.Font()->Style().Has(TFontStyle::fsItalic));
  EXPECT_EQ(w.Ratio(), 2.25);
  EXPECT_EQ(w.Shape(), TShape::shStar);
  EXPECT_EQ(w.Shapes(), (Set<TShape>{TShape::shCircle, TShape::shStar}));
  EXPECT_EQ(form.Second->Color(), TColor{12345});
  // A reference to a component read later is resolved before Loaded runs.
  EXPECT_EQ(w.Buddy(), form.Second);
  EXPECT_EQ(w.buddyAtLoaded, form.Second);
  auto* inner = dynamic_cast<TWidget*>(form.FindComponent("inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->Parent(), form.First);
  EXPECT_EQ(inner->Owner(), &form);
  ASSERT_TRUE(w.OnPing);
  w.OnPing(form.First);
  EXPECT_EQ(form.pings, 1);
  EXPECT_EQ(form.lastSender, form.First);
}

TEST_F(FormBinding, RunsLoadedOnceForEachComponentInReadingOrder) {
  std::vector<std::string> log;
  gLoadedLog = &log;
  {
    TTestForm form(nullptr);
    LoadFormText(form, kForm);
  }
  gLoadedLog = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"First", "Inner", "Second"}));
}

TEST_F(FormBinding, WritesBackOnlyWhatDiffersFromDefaults) {
  TTestForm form(nullptr);
  LoadFormText(form, kForm);
  EXPECT_EQ(WriteForm(SaveForm(form)), WriteForm(ParseForm(kForm)));

  form.First->SetCount(0);  // back to the default: no longer stored
  form.Second->SetCaption("two");
  const FormObject saved = SaveForm(form);
  const FormObject* first = saved.FindChild("First");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->FindProperty("Count"), nullptr);
  const FormObject* second = saved.FindChild("Second");
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second->FindProperty("Caption"), nullptr);
  EXPECT_EQ(second->FindProperty("Caption")->value.AsString(), "two");
}

TEST_F(FormBinding, RejectsDataThatDoesNotFitNamingTheLine) {
  struct Case {
    const char* name;
    std::string_view text;
    int line;
    const char* message;
  };
  const Case cases[] = {
      {"root class", "object M: TWidget\nend\n", 1, "expected TTestForm"},
      {"unknown class", "object M: TTestForm\n  object X: TNothing\n  end\nend\n", 2,
       "unknown class TNothing"},
      {"unknown setting", "object M: TTestForm\n  object X: TWidget\n    Size = 3\n  end\nend\n", 3,
       "unknown setting Size"},
      {"unknown part", "object M: TTestForm\n  object X: TWidget\n    Font.Size = 3\n  end\nend\n", 3,
       "unknown setting Font.Size"},
      {"no parts", "object M: TTestForm\n  object X: TWidget\n    Count.X = 3\n  end\nend\n", 3,
       "has no parts"},
      {"kind", "object M: TTestForm\n  object X: TWidget\n    Count = \"3\"\n  end\nend\n", 3,
       "expected an integer"},
      {"range", "object M: TTestForm\n  object X: TWidget\n    Count = 9999999999\n  end\nend\n", 3,
       "out of range"},
      {"enum", "object M: TTestForm\n  object X: TWidget\n    Shape = shBlob\n  end\nend\n", 3,
       "unknown value shBlob"},
      {"set", "object M: TTestForm\n  object X: TWidget\n    Shapes = [shBlob]\n  end\nend\n", 3,
       "unknown set member"},
      {"colour", "object M: TTestForm\n  object X: TWidget\n    Color = clPlaid\n  end\nend\n", 3,
       "unknown colour"},
      {"handler", "object M: TTestForm\n  object X: TWidget\n    OnPing = Nobody\n  end\nend\n", 3,
       "no handler named Nobody"},
      {"signature", "object M: TTestForm\n  object X: TWidget\n    OnPing = Other\n  end\nend\n", 3,
       "does not fit"},
      {"reference", "object M: TTestForm\n  object X: TWidget\n    Buddy = Ghost\n  end\nend\n", 3,
       "no component named Ghost"},
      {"duplicate",
       "object M: TTestForm\n  object X: TWidget\n  end\n  object Y: TWidget\n    object x: TWidget\n    "
       "end\n  end\nend\n",
       5, "duplicate component name"},
      {"list", "object M: TTestForm\n  Title = (\"a\")\nend\n", 2, "cannot take a list"},
      {"missing field", "object M: TTestForm\n  object First: TWidget\n  end\nend\n", 1,
       "no component named Second"},
      {"misspelt field",
       "object M: TTestForm\n  object First: TWidget\n  end\n  object Secnod: TWidget\n  end\nend\n", 1,
       "no component named Second"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestForm form(nullptr);
    try {
      LoadFormText(form, c.text);
      ADD_FAILURE() << "accepted";
    } catch (const FormError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST_F(FormBinding, OwnerFreesWhatItOwnsAndReferencesAreDropped) {
  TTestForm form(nullptr);
  LoadFormText(form, kForm);
  TWidget* first = form.First;
  EXPECT_EQ(form.ComponentCount(), 3u);
  Free(form.Second);
  EXPECT_EQ(form.ComponentCount(), 2u);
  EXPECT_EQ(first->Buddy(), nullptr);  // told through its free notification
  form.DestroyComponents();
  EXPECT_EQ(form.ComponentCount(), 0u);
}

}  // namespace
}  // namespace tallivo::ui
