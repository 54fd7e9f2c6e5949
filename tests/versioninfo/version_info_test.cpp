// The version reader on real files: the program itself, this test program,
// files without a version resource or without a translation, and one with
// two translations (all built beside this test in bin/).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/application_win.h"
#include "ui/form_binding.h"
#include "ui/label_win.h"
#include "versioninfo/version_info_win.h"

namespace tallivo {
namespace {

using ui::TComponent;

std::string BinFile(const std::string& name) {
  const std::string exe = ui::Application().ExeName();
  return exe.substr(0, exe.find_last_of('\\') + 1) + name;
}

// What this test program's own version resource holds (test_program.rc).
constexpr char kOwnVersion[] = "9.8.7.6";
constexpr char kOwnCopyright[] = "\u00A9 Test Company, caf\u00E9";
constexpr char kProgramCopyright[] = "Copyright 2007 Brismoor Ltd.";

// A control with a Text setting and no Caption.
class TTextOnly : public ui::TWinControl {
 public:
  explicit TTextOnly(TComponent* owner) : TWinControl(owner) {}
  static const ui::ClassInfo& StaticClass() {
    static const ui::ClassInfo info(
        "TTextOnly", &TWinControl::StaticClass(), &ui::Construct<TTextOnly>,
        {ui::Property<TTextOnly>("Text", &TTextOnly::Text, &TTextOnly::SetText, std::string())});
    return info;
  }
  const ui::ClassInfo& Class() const override { return StaticClass(); }
  const std::string& Text() const { return text_; }
  void SetText(std::string v) { text_ = std::move(v); }

 private:
  std::string text_;
};

// The root of a stored form that holds a reader and the controls it links.
class TLinkRoot : public TComponent {
 public:
  explicit TLinkRoot(TComponent* owner) : TComponent(owner) {}
  static const ui::ClassInfo& StaticClass() {
    static const ui::ClassInfo info("TLinkRoot", &TComponent::StaticClass(), nullptr, {});
    return info;
  }
  const ui::ClassInfo& Class() const override { return StaticClass(); }
};

TEST(VersionUtilities, ReadFilesOfEveryKind) {
  struct Case {
    std::string file;
    std::string version;
    std::string copyright;
  };
  const std::vector<Case> cases = {
      {BinFile("Tallivo.exe"), "1.0.4.5", kProgramCopyright},
      {ui::Application().ExeName(), kOwnVersion, kOwnCopyright},
      {BinFile("version_two_translations.dll"), "2.0.0.1 Deutsch", "Copyright Deutsch"},
      {BinFile("version_no_translation.dll"), "", ""},
      {BinFile("no_version_resource.exe"), "", ""},
      {BinFile("no such file.exe"), "", ""},
      {BinFile("no such folder\\Tallivo.exe"), "", ""},
      {BinFile(""), "", ""},  // the folder itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(GetFileVersionString(c.file), c.version);
    EXPECT_EQ(GetLegalCopyrightString(c.file), c.copyright);
  }
}

TEST(VersionUtilities, ExeVersionIsTheRunningProgramsAndLeavesNothingBehind) {
  const std::size_t owned = ui::Application().ComponentCount();
  EXPECT_EQ(GetExeVersionString(), kOwnVersion);
  // An empty path also means the running program.
  EXPECT_EQ(GetFileVersionString(""), kOwnVersion);
  EXPECT_EQ(GetFileVersionString(BinFile("no such file.exe")), "");
  EXPECT_EQ(ui::Application().ComponentCount(), owned);
}

TEST(VersionInfo, ReadsEveryKeyOfTheProgram) {
  TVersionInfo info(nullptr);
  info.SetFileName(BinFile("Tallivo.exe"));
  const std::vector<std::pair<int, std::string>> expected = {
      {0, ""},        {1, "Brismoor Ltd."}, {2, "Tallivo"},
      {3, "1.0.4.5"}, {4, "Tallivo"},       {5, kProgramCopyright},
      {6, ""},  // OriginalFilename is present and empty
      {7, "Tallivo"}, {8, "1.0"},           {9, ""},
      {-1, ""},
  };
  for (const auto& [index, value] : expected) {
    SCOPED_TRACE(index);
    EXPECT_EQ(info.QueryStringByIndex(index), value);
  }
  EXPECT_EQ(info.QueryString("Comments"), "Free Tallivo");
  EXPECT_EQ(info.QueryString("fileVERSION"), "1.0.4.5");
  EXPECT_EQ(info.QueryString("NoSuchKey"), "");
  EXPECT_EQ(info.QueryString(""), "");
}

TEST(VersionInfo, ReadsTheFirstTranslationOnly) {
  TVersionInfo info(nullptr);
  info.SetFileName(BinFile("version_two_translations.dll"));
  EXPECT_EQ(info.QueryString("FileVersion"), "2.0.0.1 Deutsch");
  // Present only in the second translation's block.
  EXPECT_EQ(info.QueryString("ProductName"), "");
}

TEST(VersionInfo, FileNameSwitchesFilesAndEmptyMeansTheRunningProgram) {
  TVersionInfo info(nullptr);
  // The constructor has read the running program without being told a name.
  EXPECT_EQ(info.FileName(), "");
  EXPECT_EQ(info.QueryStringByIndex(3), kOwnVersion);

  const std::string program = BinFile("Tallivo.exe");
  info.SetFileName(program);
  EXPECT_EQ(info.FileName(), program);
  EXPECT_EQ(info.QueryStringByIndex(3), "1.0.4.5");

  info.SetFileName(BinFile("no_version_resource.exe"));
  EXPECT_EQ(info.QueryStringByIndex(3), "");

  info.SetFileName("");
  EXPECT_EQ(info.FileName(), ui::Application().ExeName());
  EXPECT_EQ(info.QueryStringByIndex(3), kOwnVersion);
  EXPECT_EQ(info.QueryStringByIndex(5), kOwnCopyright);

  // Loading by name leaves FileName alone.
  info.LoadVersionResource(program);
  EXPECT_EQ(info.FileName(), ui::Application().ExeName());
  EXPECT_EQ(info.QueryStringByIndex(1), "Brismoor Ltd.");
}

TEST(VersionInfo, PublishesExactlyTheEightLinks) {
  const std::vector<std::string> expected = {"CtlCompanyName",  "CtlFileDescription", "CtlFileVersion",
                                             "CtlInternalName", "CtlLegalCopyRight",  "CtlOriginalFileName",
                                             "CtlProductName",  "CtlProductVersion"};
  std::vector<std::string> names;
  for (const ui::PropInfo* p : TVersionInfo::StaticClass().AllProperties()) {
    names.push_back(p->name);
    EXPECT_EQ(p->kind, ui::PropKind::Component) << p->name;
  }
  EXPECT_EQ(names, expected);

  TComponent owner(nullptr);
  auto* info = new TVersionInfo(&owner);
  auto* label = new ui::TLabel(&owner);
  const std::vector<ui::TWinControl* (TVersionInfo::*)() const> getters = {
      &TVersionInfo::CtlCompanyName,  &TVersionInfo::CtlFileDescription, &TVersionInfo::CtlFileVersion,
      &TVersionInfo::CtlInternalName, &TVersionInfo::CtlLegalCopyRight,  &TVersionInfo::CtlOriginalFileName,
      &TVersionInfo::CtlProductName,  &TVersionInfo::CtlProductVersion};
  for (int index = 1; index <= 8; ++index) {
    SCOPED_TRACE(index);
    const ui::PropInfo* p =
        TVersionInfo::StaticClass().FindProperty(expected[static_cast<std::size_t>(index - 1)]);
    ASSERT_NE(p, nullptr);
    p->set(*info, ui::PropValue(static_cast<TComponent*>(label)));
    for (int other = 1; other <= 8; ++other) {
      EXPECT_EQ(info->GetCtl(other), other == index ? label : nullptr) << other;
      EXPECT_EQ((info->*getters[static_cast<std::size_t>(other - 1)])(), info->GetCtl(other)) << other;
    }
    EXPECT_EQ(std::get<TComponent*>(p->get(*info)), label);
    p->set(*info, ui::PropValue());
  }
  // Indexes outside the list read as nothing and cannot be written.
  info->SetCtl(0, label);
  info->SetCtl(9, label);
  EXPECT_EQ(info->GetCtl(0), nullptr);
  EXPECT_EQ(info->GetCtl(9), nullptr);
  for (int index = 1; index <= 8; ++index) EXPECT_EQ(info->GetCtl(index), nullptr) << index;
}

TEST(VersionInfo, LinkedControlsReceiveTheValues) {
  TComponent owner(nullptr);
  auto* info = new TVersionInfo(&owner);
  auto* version = new ui::TLabel(&owner);
  auto* copyright = new ui::TLabel(&owner);
  auto* company = new TTextOnly(&owner);
  auto* neither = new ui::TWinControl(&owner);
  version->SetCaption("old");
  company->SetText("old");

  // Linking writes at once, from the data held (this program's).
  info->SetCtl(3, version);
  EXPECT_EQ(version->Caption(), kOwnVersion);
  info->SetCtl(1, company);
  EXPECT_EQ(company->Text(), "Test Company");
  info->SetCtl(5, copyright);
  info->SetCtl(8, neither);  // has neither setting: left alone, no error

  // Loading another file rewrites every linked control.
  info->SetFileName(BinFile("Tallivo.exe"));
  EXPECT_EQ(version->Caption(), "1.0.4.5");
  EXPECT_EQ(company->Text(), "Brismoor Ltd.");
  EXPECT_EQ(copyright->Caption(), kProgramCopyright);

  // A file without version data ends the load before the links are
  // refreshed; refreshing then writes the missing values as empty texts.
  info->SetFileName(BinFile("no_version_resource.exe"));
  EXPECT_EQ(version->Caption(), "1.0.4.5");
  info->UpdateLinkedControls();
  EXPECT_EQ(version->Caption(), "");
  EXPECT_EQ(company->Text(), "");

  // A freed control is unlinked, whoever owned it.
  TComponent elsewhere(nullptr);
  auto* foreign = new ui::TLabel(&elsewhere);
  info->SetCtl(7, foreign);
  ui::Free(foreign);
  ui::Free(version);
  EXPECT_EQ(info->GetCtl(7), nullptr);
  EXPECT_EQ(info->GetCtl(3), nullptr);
  EXPECT_EQ(info->GetCtl(1), company);
  info->SetFileName(BinFile("Tallivo.exe"));
  EXPECT_EQ(company->Text(), "Brismoor Ltd.");
}

TEST(VersionInfo, LinksComeFromStoredForms) {
  for (const ui::ClassInfo* c :
       {&TVersionInfo::StaticClass(), &ui::TLabel::StaticClass(), &TTextOnly::StaticClass()})
    ui::RegisterComponentClass(*c);
  TLinkRoot root(nullptr);
  ui::LoadFormText(root,
                   "object Root: TLinkRoot\n"
                   "  object Product: TLabel\n"
                   "  end\n"
                   "  object Description: TTextOnly\n"
                   "  end\n"
                   "  object Info: TVersionInfo\n"
                   "    CtlProductVersion = Product\n"
                   "    CtlFileDescription = Description\n"
                   "  end\n"
                   "end\n");
  auto* info = dynamic_cast<TVersionInfo*>(root.FindComponent("Info"));
  auto* product = dynamic_cast<ui::TLabel*>(root.FindComponent("Product"));
  auto* description = dynamic_cast<TTextOnly*>(root.FindComponent("Description"));
  ASSERT_TRUE(info && product && description);
  EXPECT_EQ(info->CtlProductVersion(), product);
  EXPECT_EQ(product->Caption(), "9.8");
  EXPECT_EQ(description->Text(), "Version test");
  const ui::FormObject saved = ui::SaveForm(root);
  const ui::FormObject* stored = saved.FindChild("Info");
  ASSERT_NE(stored, nullptr);
  ASSERT_NE(stored->FindProperty("CtlProductVersion"), nullptr);
  EXPECT_EQ(stored->FindProperty("CtlProductVersion")->value.AsIdentifier(), "Product");
  EXPECT_EQ(stored->FindProperty("CtlCompanyName"), nullptr);
}

}  // namespace
}  // namespace tallivo
