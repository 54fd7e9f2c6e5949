// The help's worked examples, done in the running program: what a page says
// Tallivo shows is what it shows. An example is a paragraph of class
// "example"; in it, in reading order,
//   <kbd data-field="CEuro">100</kbd>   puts the focus into that field and types over its text
//   <kbd>0</kbd>                        types on in the field that has the focus
//   <kbd data-key>Tab</kbd>             presses that key
//   <kbd data-paste>1,234.50</kbd>      pastes the text
//   <samp data-field="CCyp">£58.53</samp>  the field shows that text
//   <samp ... data-color="red">         ... in that colour
//   <samp data-message>...</samp>       a message box says that; it is closed
// Each example starts from a freshly started Tallivo.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/e2e/tallivo_fixture.h"

namespace tallivo::test {
namespace {

namespace fs = std::filesystem;

struct Step {
  bool kbd = false;  // else samp
  std::map<std::string, std::string> attributes;
  std::string text;
  bool Has(const std::string& name) const { return attributes.count(name) > 0; }
};

struct Example {
  std::string page;
  int number = 0;  // 1-based on its page
  std::string html;
  std::vector<Step> steps;
};

fs::path HelpFolder() {
  return fs::path(Widen(ExecutableDir())) / "help";
}

std::string Unescape(std::string text) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
  for (const auto& [entity, character] : kEntities) {
    for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
      text.replace(at, std::strlen(entity), character);
  }
  return text;
}

std::vector<Example> LoadExamples() {
  std::vector<Example> examples;
  const std::regex paragraph(R"(<p class="example">([\s\S]*?)</p>)");
  const std::regex element(R"(<(kbd|samp)((?:\s+[a-z-]+(?:="[^"]*")?)*)\s*>([^<]*)</\1>)");
  const std::regex attribute(R"re(([a-z-]+)(?:="([^"]*)")?)re");
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(HelpFolder(), error)) {
    if (entry.path().extension() != ".html") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::string html = content.str();
    int number = 0;
    for (std::sregex_iterator p(html.begin(), html.end(), paragraph), end; p != end; ++p) {
      Example example{Narrow(entry.path().stem().wstring()), ++number, (*p)[1].str(), {}};
      const std::string body = (*p)[1].str();
      for (std::sregex_iterator e(body.begin(), body.end(), element); e != end; ++e) {
        Step step{(*e)[1].str() == "kbd", {}, Unescape((*e)[3].str())};
        const std::string attributes = (*e)[2].str();
        for (std::sregex_iterator a(attributes.begin(), attributes.end(), attribute); a != end; ++a)
          step.attributes[(*a)[1].str()] = (*a)[2].str();
        example.steps.push_back(std::move(step));
      }
      examples.push_back(std::move(example));
    }
  }
  return examples;
}

const std::vector<Example>& Examples() {
  static const std::vector<Example> examples = LoadExamples();
  return examples;
}

// The pages that explain the amounts each have examples, and each example
// both acts and checks: an example the test would skip proves nothing.
TEST(HelpExamples, ThePagesAboutAmountsShowWorkedExamples) {
  std::map<std::string, int> perPage;
  for (const Example& example : Examples()) {
    SCOPED_TRACE(example.page + " #" + std::to_string(example.number));
    ++perPage[example.page];
    const auto acts =
        std::count_if(example.steps.begin(), example.steps.end(), [](const Step& s) { return s.kbd; });
    EXPECT_GT(acts, 0) << example.html;
    EXPECT_GT(example.steps.size(), static_cast<std::size_t>(acts)) << example.html;
  }
  EXPECT_GE(perPage["converter"], 3);
  EXPECT_GE(perPage["change-calculator"], 4);
}

class HelpExample : public ShownTallivoTest, public ::testing::WithParamInterface<Example> {
 protected:
  void Act(const Step& step) {
    if (step.Has("data-field")) {
      const std::string& field = step.attributes.at("data-field");
      ASSERT_NE(Control(field), nullptr) << field;
      ASSERT_TRUE(Click(Control(field)));
      ASSERT_TRUE(WaitUntil([&] { return Focused() == Control(field); }))
          << field << " did not take the focus from " << Describe(Focused());
      // The click put the caret somewhere in the text; the example types over it.
      if (!step.Has("data-key")) Press("Ctrl+A");
    }
    if (step.Has("data-key")) {
      Press(step.text);
    } else if (step.Has("data-paste")) {
      ASSERT_TRUE(WaitUntil([&] { return PutOnClipboard(step.text); }));
      Press("Ctrl+V");
    } else {
      Type(step.text);
    }
  }

  void Check(const Step& step) {
    if (step.Has("data-message")) {
      EXPECT_EQ(AcceptMessageBox(), step.text);
      ASSERT_TRUE(BringToForeground(main_));
      return;
    }
    ASSERT_TRUE(step.Has("data-field")) << "a <samp> names the field or the message it shows";
    const std::string& field = step.attributes.at("data-field");
    EXPECT_TRUE(ShowsText(field, Localized(step.text)));
    if (step.Has("data-color")) {
      static const std::map<std::string, Color> kColors{{"red", kRed}, {"black", kBlack}};
      const auto color = kColors.find(step.attributes.at("data-color"));
      ASSERT_NE(color, kColors.end()) << step.attributes.at("data-color");
      std::optional<Color> shown;
      EXPECT_TRUE(WaitUntil([&] { return (shown = DominantTextColor(Control(field))) == color->second; }))
          << field << " is drawn in " << (shown ? ToString(*shown) : "no colour");
    }
  }
};

TEST_P(HelpExample, DoesWhatThePageSays) {
  const Example& example = GetParam();
  SCOPED_TRACE(example.html);
  for (const Step& step : example.steps) {
    SCOPED_TRACE((step.kbd ? "<kbd> " : "<samp> ") + step.text);
    if (step.kbd) {
      ASSERT_NO_FATAL_FAILURE(Act(step));
    } else {
      ASSERT_NO_FATAL_FAILURE(Check(step));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, HelpExample, ::testing::ValuesIn(Examples()),
                         [](const ::testing::TestParamInfo<Example>& param) {
                           std::string name = param.param.page + "_" + std::to_string(param.param.number);
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace tallivo::test
