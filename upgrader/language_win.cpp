#include "upgrader/language_win.h"

#include <atomic>

#include "base/text_win.h"
#include "ui/application_win.h"

namespace tallivo {

namespace ui {
template <>
const EnumNames& EnumNamesOf<TupUpdaterLanguage>() {
  static const EnumNames names{{"wlAuto",
                                "wlEnglish",
                                "wlRussian",
                                "wlGerman",
                                "wlFrench",
                                "wlSpanish",
                                "wlPortuguese",
                                "wlPortugueseBrazilian",
                                "wlItalian",
                                "wlDutch",
                                "wlDanish",
                                "wlSwedish",
                                "wlFinnish",
                                "wlEstonian",
                                "wlUkrainian",
                                "wlPolish",
                                "wlCzech",
                                "wlHungarian",
                                "wlRomanian",
                                "wlCatalan",
                                "wlBasque",
                                "wlAfrikaans",
                                "wlChineseTraditional",
                                "wlChineseSimplified",
                                "wlIndonesian",
                                "wlMalay",
                                "wlIcelandic",
                                "wlTurkish",
                                "wlNorwegian"}};
  return names;
}
}  // namespace ui

namespace {

// 0 until a language is chosen or detected; no block starts at 0.
std::atomic<std::uint16_t> languageBase{0};

}  // namespace

std::uint16_t LanguageBase() {
  const std::uint16_t base = languageBase.load();
  if (base != 0) return base;
  DetectSystemLanguage();
  return languageBase.load();
}

void SetLanguageBase(std::uint16_t base) {
  languageBase.store(base);
}

TupUpdaterLanguage DetectSystemLanguage() {
  const TupUpdaterLanguage language = LanguageForLangId(GetSystemDefaultLangID());
  SetLanguageBase(LanguageBaseOf(language));
  return language;
}

std::string LangStr(int n) {
  const int id = LanguageBase() + n;
  return n < 0 ? std::string() : TableString(id);
}

std::string TableString(int id) {
  if (id < 0 || id > 0xFFFF) return {};
  // With a length of 0 LoadStringW hands out the text in place, whatever its length.
  const wchar_t* text = nullptr;
  const int length =
      LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return {};
  return Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

std::string FmtLangStr(int n, std::initializer_list<LangArg> args) {
  return FormatLangText(LangStr(n), args);
}

int ShowLangMessage(int n, UINT flags) {
  return MessageBoxW(ui::Application().Handle(), Widen(LangStr(n)).c_str(), Widen(LangStr(0)).c_str(), flags);
}

TupUpdaterWizard::TupUpdaterWizard() : picture_(std::make_unique<ui::TPicture>()) {}

const ui::ClassInfo& TupUpdaterWizard::StaticClass() {
  using W = TupUpdaterWizard;
  static const ui::ClassInfo info(
      "TupUpdaterWizard", nullptr, nullptr,
      {
          ui::Property<W>("Enabled", &W::Enabled, &W::SetEnabled, true),
          ui::Property<W>("HideFileLocation", &W::HideFileLocation, &W::SetHideFileLocation, false),
          ui::Property<W>("Language", &W::Language, &W::SetLanguage, TupUpdaterLanguage::wlAuto),
          ui::ObjectProperty<W>("Pic118x218", &W::Pic118x218),
          ui::Property<W>("StayOnTop", &W::StayOnTop, &W::SetStayOnTop, true),
      });
  return info;
}

void TupUpdaterWizard::Assign(const ui::TPersistent* source) {
  const auto* other = dynamic_cast<const TupUpdaterWizard*>(source);
  if (source && !other) return TPersistent::Assign(source);
  enabled_ = other ? other->enabled_ : true;
  hideFileLocation_ = other ? other->hideFileLocation_ : false;
  SetLanguage(other ? other->language_ : TupUpdaterLanguage::wlAuto);
  stayOnTop_ = other ? other->stayOnTop_ : true;
  picture_->SetData(other ? other->picture_->Data() : ui::Bytes());
}

void TupUpdaterWizard::SetLanguage(TupUpdaterLanguage v) {
  if (v == language_) return;
  language_ = v;
  if (v == TupUpdaterLanguage::wlAuto) {
    DetectSystemLanguage();
  } else {
    SetLanguageBase(LanguageBaseOf(v));
  }
}

}  // namespace tallivo
