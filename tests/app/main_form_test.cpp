// The main window's stored form, read into the real classes and written
// back: the file is exactly what the writer produces, so a change made in
// code and one made in the file cannot drift apart.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>

#include "app/main_window_win.h"
#include "ui/application_win.h"
#include "ui/form_binding.h"

namespace tallivo {
namespace {

std::string_view StoredForm(const wchar_t* name) {
  HRSRC info = FindResourceW(nullptr, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!info) return {};
  const auto* text = static_cast<const char*>(LockResource(LoadResource(nullptr, info)));
  return {text, SizeofResource(nullptr, info)};
}

// The file without its comment lines, which the writer does not produce.
std::string WithoutComments(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::string out, line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("#")) continue;
    out += line + "\n";
  }
  return out;
}

TEST(MainForm, IsWrittenBackExactlyAsStored) {
  ui::Application().Initialize();
  RegisterFormClasses();
  const std::string_view stored = StoredForm(L"TFMMAIN");
  ASSERT_FALSE(stored.empty());
  // Loaded without creating the window: only the settings matter here.
  TFmMain form(nullptr);
  ui::LoadFormText(form, stored);
  EXPECT_EQ(ui::WriteForm(ui::SaveForm(form)), WithoutComments(stored));
}

}  // namespace
}  // namespace tallivo
