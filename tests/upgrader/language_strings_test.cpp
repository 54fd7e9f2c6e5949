// The updater's string table as the program carries it: every block full,
// placeholders and line breaks as in English, one mnemonic per button.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "upgrader/language.h"
#include "upgrader/language_win.h"

namespace tallivo {
namespace {

using L = TupUpdaterLanguage;

const char* const kEnglish[] = {
    "Application update wizard",
    "Downloading files...",
    "Upgrade completed!",
    "Current file",
    "All files",
    "Downloading file from",
    "File size: %.1f Kb",
    "Transfer rate: %.1f Kb/s",
    "Estimated time left: %d:%.2d:%.2d",
    "Downloading %d of %d",
    "The update of %s has been successfully completed.\r\rPress the OK button to restart program.",
    "Enter password",
    "User Name",
    "Password",
    "&Yes",
    "&No",
    "&OK",
    "&Cancel",
    "&Next >",
    "&Later",
    "Warning",
    "Error",
    "Preparing. . .",
    "A newer version of %s was released.\n%s\nDo you want to update your version with the latest one?",
    "Newer version not found. You actually are\rusing most recent version of this program.",
    "File which contains upgrade information was not found on developer's site.",
    "Host %s unreachable.\r\rPlease check your Internet connection and\rtry to upgrade this software again "
    "later.",
    "The update is not completed.\rWould you like to abort upgrading?",
    "File %s not found or inaccessible.\r\rTry to skip this file and continue upgrade?",
    "Access to remote file \"%s\" is password protected.\n\nPlease enter your username and password "
    "(received after registration) to continue software upgrade.",
    "Connection with remote server lost.\r\rPlease restore connection and try to\rupgrade this software "
    "again later.",
    "The update cannot be installed because the folder %s cannot be written to.\r\rAsk your administrator to "
    "update this program.",
    "The update could not be verified, so it was not installed.\r\rIts files may have been changed on the way "
    "or on the server. Try again later.",
};
static_assert(std::size(kEnglish) == kLanguageTextCount);

// Text 0 of each block, by ordinal.
const char* const kCaptions[] = {
    "Application update wizard",
    "Мастер обновления приложений",
    "Upgrade Anwendungsassistent",
    "Expert de mise à jour d'application",
    "Asistente de actualización",
    "Actualização do Software",
    "Ajudante de Atualização da Aplicação",
    "Wizard di Applicazione di aggiornamento",
    "Upgradewizard",
    "Programopdatering",
    "Programuppdateringsguide",
    "Ohjelman päivitysvelho",
    "Tarkvara uuenduse viisard",
    "Майстер поновлення програм",
    "Master modernizacji aplikacji",
    "Průvodce aktualizace programu",
    "Alkalmazásfrissítő varázsló",
    "Expertul de actualizare a aplicației",
    "Assistent d'actualització",
    "Programa eguneratzeko laguntzailea",
    "Applikasie-opdateringstel",
    "軟體升級精靈",
    "软件升级精灵",
    "Wizard Pembaruan Aplikasi",
    "Wizad pengemaskini aplikasi",
    "Uppfærsla hugbúnaðar",
    "Güncelleme Sihirbazı",
    "Programoppdatering",
};
static_assert(std::size(kCaptions) == kLanguageCount);

std::wstring Load(int id) {
  const wchar_t* text = nullptr;
  const int length =
      LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

int IdOf(int language, int n) {
  return 41000 + 50 * (language - 1) + n;
}

// The printf directives in order; an unknown one shows as "%?" and what follows.
std::vector<std::wstring> Placeholders(const std::wstring& text) {
  static const wchar_t* const kKnown[] = {L"%%", L"%s", L"%d", L"%.1f", L"%.2d"};
  std::vector<std::wstring> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') continue;
    std::wstring token;
    for (const wchar_t* known : kKnown) {
      if (text.compare(i, std::wcslen(known), known) == 0) token = known;
    }
    if (token.empty()) token = L"%?" + text.substr(i + 1, 1);
    found.push_back(token);
    i += token.size() - 1;
  }
  return found;
}

std::wstring LineBreaks(const std::wstring& text) {
  std::wstring breaks;
  for (const wchar_t c : text) {
    if (c == L'\r' || c == L'\n') breaks += c;
  }
  return breaks;
}

bool Has(const std::wstring& text, wchar_t first, wchar_t last) {
  for (const wchar_t c : text) {
    if (c >= first && c <= last) return true;
  }
  return false;
}

bool IsAsciiLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsCyrillic(wchar_t c) {
  return c >= 0x0400 && c <= 0x04FF;
}

// A word spelt with Latin and Cyrillic letters together ("Майcтер").
bool MixesScripts(const std::wstring& text) {
  bool latin = false, cyrillic = false;
  for (const wchar_t c : text + L' ') {
    if (IsAsciiLetter(c)) {
      latin = true;
    } else if (IsCyrillic(c)) {
      cyrillic = true;
    } else {
      if (latin && cyrillic) return true;
      latin = cyrillic = false;
    }
  }
  return false;
}

TEST(UpdaterStrings, EnglishIsExactlyTheOriginal) {
  for (int n = 0; n < kLanguageTextCount; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(Narrow(Load(IdOf(1, n))), kEnglish[n]);
  }
}

TEST(UpdaterStrings, FixedTextsArePresent) {
  EXPECT_EQ(Narrow(Load(40997)), "<AppTitle>");
  EXPECT_EQ(Narrow(Load(40998)), "{AppTitle}");
  EXPECT_EQ(Narrow(Load(40999)), "Updater");
  EXPECT_EQ(Load(40996), L"");
}

TEST(UpdaterStrings, EveryBlockHasItsCaption) {
  for (int language = 1; language <= kLanguageCount; ++language) {
    SCOPED_TRACE(language);
    EXPECT_EQ(Narrow(Load(IdOf(language, 0))), kCaptions[language - 1]);
  }
}

TEST(UpdaterStrings, EveryBlockIsCompleteAndMatchesEnglish) {
  for (int language = 1; language <= kLanguageCount; ++language) {
    for (int n = 0; n < kLanguageTextCount; ++n) {
      SCOPED_TRACE(testing::Message() << "language " << language << ", text " << n);
      const std::wstring text = Load(IdOf(language, n));
      const std::wstring english = Widen(kEnglish[n]);
      ASSERT_FALSE(text.empty());
      EXPECT_EQ(Placeholders(text), Placeholders(english));
      EXPECT_EQ(LineBreaks(text), LineBreaks(english));
      EXPECT_EQ(text.find(L'\xFFFD'), std::wstring::npos);
      const auto mnemonics = std::count(text.begin(), text.end(), L'&');
      EXPECT_EQ(mnemonics, n >= 14 && n <= 19 ? 1 : 0);
      if (n >= 14 && n <= 19) {
        EXPECT_NE(text.back(), L'&');  // a mnemonic needs a letter after it
      }
    }
    for (int n = kLanguageTextCount; n < 50; ++n) {
      EXPECT_EQ(Load(IdOf(language, n)), L"") << "language " << language << ", id " << n;
    }
  }
}

TEST(UpdaterStrings, BlocksAreWrittenInTheirScript) {
  const struct {
    int language;
    wchar_t first, last;
  } cases[] = {
      {2, 0x0400, 0x04FF},   // Russian
      {14, 0x0400, 0x04FF},  // Ukrainian
      {22, 0x4E00, 0x9FFF},  // Chinese (Traditional)
      {23, 0x4E00, 0x9FFF},  // Chinese (Simplified)
  };
  for (const auto& c : cases) {
    for (int n = 0; n < kLanguageTextCount; ++n) {
      SCOPED_TRACE(testing::Message() << "language " << c.language << ", text " << n);
      const std::wstring text = Load(IdOf(c.language, n));
      EXPECT_TRUE(Has(text, c.first, c.last));
      EXPECT_FALSE(MixesScripts(text));
    }
  }
}

TEST(UpdaterStrings, MnemonicsDoNotClashWithinAWindow) {
  // The prompt shows Yes and Later; the password window OK and Cancel; the wizard Next (or OK) and Cancel.
  const int pairs[][2] = {{14, 19}, {16, 17}, {18, 17}};
  for (int language = 1; language <= kLanguageCount; ++language) {
    for (const auto& pair : pairs) {
      SCOPED_TRACE(testing::Message()
                   << "language " << language << ", texts " << pair[0] << " and " << pair[1]);
      const std::wstring a = Load(IdOf(language, pair[0])), b = Load(IdOf(language, pair[1]));
      const std::size_t i = a.find(L'&'), j = b.find(L'&');
      ASSERT_TRUE(i + 1 < a.size() && j + 1 < b.size());
      EXPECT_NE(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(a[i + 1]))),
                CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(b[j + 1]))));
    }
  }
}

TEST(UpdaterStrings, LangStrReadsTheCurrentBlock) {
  const struct {
    L language;
    int n;
    const char* text;
  } cases[] = {
      {L::wlGerman, 0, "Upgrade Anwendungsassistent"},
      {L::wlGerman, 17, "&Abbrechen"},
      {L::wlRussian, 21, "Ошибка"},
      {L::wlChineseSimplified, 13, "密码"},
      {L::wlEnglish, 29, kEnglish[29]},
      {L::wlNorwegian, 33, ""},  // past the texts
      {L::wlEnglish, -1, ""},    // before the block: the fixed "Updater" is not a text of it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SetLanguageBase(LanguageBaseOf(c.language));
    EXPECT_EQ(LangStr(c.n), c.text);
  }
}

TEST(UpdaterStrings, FmtLangStrFillsInTheCurrentLanguage) {
  const struct {
    L language;
    int n;
    std::initializer_list<LangArg> args;
    const char* text;
  } cases[] = {
      {L::wlEnglish, 8, {1, 5, 9}, "Estimated time left: 1:05:09"},
      {L::wlEnglish, 6, {12.25}, "File size: 12.2 Kb"},
      {L::wlFrench, 7, {3.75}, "Vitesse de transfert : 3.8 Ko/s"},
      {L::wlEnglish,
       28,
       {"a.zip"},
       "File a.zip not found or inaccessible.\r\rTry to skip this file and continue upgrade?"},
      {L::wlEnglish, 9, {4}, "Downloading 4 of "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    SetLanguageBase(LanguageBaseOf(c.language));
    EXPECT_EQ(FmtLangStr(c.n, c.args), c.text);
  }
}

TEST(UpdaterWizard, LanguageSetterChangesTheCurrentBlock) {
  TupUpdaterWizard wizard;
  EXPECT_EQ(wizard.Language(), L::wlAuto);
  EXPECT_TRUE(wizard.Enabled());
  EXPECT_FALSE(wizard.HideFileLocation());
  EXPECT_TRUE(wizard.StayOnTop());

  wizard.SetLanguage(L::wlUkrainian);
  EXPECT_EQ(LanguageBase(), 41650);
  EXPECT_EQ(LangStr(0), "Майстер поновлення програм");

  // Setting the same language again leaves a base chosen elsewhere alone.
  SetLanguageBase(41100);
  wizard.SetLanguage(L::wlUkrainian);
  EXPECT_EQ(LanguageBase(), 41100);

  wizard.SetLanguage(L::wlNorwegian);
  EXPECT_EQ(LanguageBase(), 42350);
}

TEST(UpdaterWizard, AutoDetectsTheSystemLanguage) {
  // The test runs with an English system locale (see tests/CMakeLists.txt).
  ASSERT_EQ(PRIMARYLANGID(GetSystemDefaultLangID()), LANG_ENGLISH);
  TupUpdaterWizard wizard;
  wizard.SetLanguage(L::wlCzech);
  EXPECT_EQ(LanguageBase(), 41750);
  wizard.SetLanguage(L::wlAuto);
  EXPECT_EQ(LanguageBase(), 41000);
  SetLanguageBase(41750);
  EXPECT_EQ(DetectSystemLanguage(), L::wlEnglish);
  EXPECT_EQ(LanguageBase(), 41000);
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Run by the language_detection_* entries of tests/CMakeLists.txt, each with
// LC_ALL set (which Wine takes as the system locale) and the language expected.
TEST(UpdaterWizard, DISABLED_DetectsTheLanguageOfTheSystemLocale) {
  if (!RunningUnderWine()) GTEST_SKIP() << "only Wine takes the system locale from LC_ALL";
  const char* expected = std::getenv("TALLIVO_EXPECTED_LANGUAGE");
  ASSERT_NE(expected, nullptr);
  const int language = std::atoi(expected);
  SetLanguageBase(41000);
  EXPECT_EQ(static_cast<int>(DetectSystemLanguage()), language);
  EXPECT_EQ(LanguageBase(), 41000 + 50 * (language - 1));
}

TEST(UpdaterWizard, PublishesItsSettings) {
  const ui::ClassInfo& info = TupUpdaterWizard::StaticClass();
  TupUpdaterWizard wizard;
  for (const char* name : {"Enabled", "HideFileLocation", "Language", "StayOnTop"}) {
    SCOPED_TRACE(name);
    const ui::PropInfo* p = info.FindProperty(name);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->stored(wizard));  // defaults are not stored
  }
  info.FindProperty("Language")->set(wizard, ui::EnumValue{"wlChineseTraditional"});
  EXPECT_EQ(wizard.Language(), L::wlChineseTraditional);
  EXPECT_EQ(LanguageBase(), 42050);
  const ui::PropValue stored = info.FindProperty("Language")->get(wizard);
  ASSERT_TRUE(std::holds_alternative<ui::EnumValue>(stored));
  EXPECT_EQ(std::get<ui::EnumValue>(stored).name, "wlChineseTraditional");
  info.FindProperty("StayOnTop")->set(wizard, false);
  EXPECT_TRUE(info.FindProperty("StayOnTop")->stored(wizard));
  EXPECT_THROW(info.FindProperty("Language")->set(wizard, ui::EnumValue{"wlKlingon"}), std::runtime_error);
  EXPECT_EQ(info.FindProperty("Picture"), nullptr);
}

TEST(UpdaterWizard, AssignCopiesAnotherWizard) {
  TupUpdaterWizard source, target;
  source.SetEnabled(false);
  source.SetHideFileLocation(true);
  source.SetStayOnTop(false);
  source.SetLanguage(L::wlTurkish);
  SetLanguageBase(41000);
  target.Assign(&source);
  EXPECT_FALSE(target.Enabled());
  EXPECT_TRUE(target.HideFileLocation());
  EXPECT_FALSE(target.StayOnTop());
  EXPECT_EQ(target.Language(), L::wlTurkish);
  EXPECT_EQ(LanguageBase(), 42300);

  target.Assign(nullptr);
  EXPECT_TRUE(target.Enabled());
  EXPECT_FALSE(target.HideFileLocation());
  EXPECT_TRUE(target.StayOnTop());
  EXPECT_EQ(target.Language(), L::wlAuto);

  // Another kind of settings object is refused.
  struct Other : ui::TPersistent {
    const ui::ClassInfo& Class() const override { return TupUpdaterWizard::StaticClass(); }
  } other;
  EXPECT_THROW(target.Assign(&other), std::runtime_error);
}

}  // namespace
}  // namespace tallivo
