// The updater's texts in the chosen language, read from the program's own
// string table (res/upgrader_strings.rc), and the wizard's settings object.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "ui/component.h"
#include "ui/image_win.h"
#include "ui/published.h"
#include "upgrader/language.h"

namespace tallivo {

// The first id of the current language's block, shared by the whole
// program. The first read without a SetLanguageBase detects the system's
// language.
std::uint16_t LanguageBase();
void SetLanguageBase(std::uint16_t base);

// The system's default language, which also becomes the current one.
TupUpdaterLanguage DetectSystemLanguage();

// Text `n` (0..30) of the current language, UTF-8; empty when there is none.
std::string LangStr(int n);
// The same with its placeholders filled in (see FormatLangText).
std::string FmtLangStr(int n, std::initializer_list<LangArg> args);
// The string-table text with id `id`, UTF-8; empty when there is none.
std::string TableString(int id);

// A message box with text `n`, captioned with text 0, owned by the main
// window when there is one; returns MessageBoxW's result.
int ShowLangMessage(int n, UINT flags);

// The wizard's settings.
class TupUpdaterWizard : public ui::TPersistent {
 public:
  TupUpdaterWizard();
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }
  // nullptr: the defaults; another wizard: its settings, its language made
  // current; anything else throws.
  void Assign(const ui::TPersistent* source) override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  bool HideFileLocation() const { return hideFileLocation_; }
  void SetHideFileLocation(bool v) { hideFileLocation_ = v; }
  TupUpdaterLanguage Language() const { return language_; }
  // Makes the language current: wlAuto detects the system's.
  void SetLanguage(TupUpdaterLanguage v);
  bool StayOnTop() const { return stayOnTop_; }
  void SetStayOnTop(bool v) { stayOnTop_ = v; }
  // Shown in the wizard's side panel in place of its own when not empty.
  ui::TPicture* Pic118x218() const { return picture_.get(); }

 private:
  bool enabled_ = true;
  bool hideFileLocation_ = false;
  TupUpdaterLanguage language_ = TupUpdaterLanguage::wlAuto;
  bool stayOnTop_ = true;
  std::unique_ptr<ui::TPicture> picture_;
};

}  // namespace tallivo

namespace tallivo::ui {
template <>
const EnumNames& EnumNamesOf<TupUpdaterLanguage>();
}  // namespace tallivo::ui
