#include "versioninfo/version_keys.h"

#include <gtest/gtest.h>

#include <vector>

namespace tallivo {
namespace {

TEST(VersionKeys, IndexesRunFromOneToEight) {
  const std::vector<std::pair<int, std::string_view>> cases = {
      {-1, ""},
      {0, ""},
      {1, "CompanyName"},
      {3, "FileVersion"},
      {5, "LegalCopyRight"},
      {6, "OriginalFileName"},
      {8, "ProductVersion"},
      {9, ""},
      {1000, ""},
  };
  for (const auto& [index, key] : cases) {
    SCOPED_TRACE(index);
    EXPECT_EQ(VersionKey(index), key);
  }
  EXPECT_EQ(VersionKey(kFileVersionIndex), "FileVersion");
  EXPECT_EQ(VersionKey(kLegalCopyrightIndex), "LegalCopyRight");
}

TEST(VersionKeys, PathsNameTheTranslationInUpperCaseHex) {
  struct Case {
    std::uint32_t entry;  // as read from \VarFileInfo\Translation
    std::string_view key;
    std::string_view path;
  };
  const std::vector<Case> cases = {
      {0x04E40409, "FileVersion", "\\StringFileInfo\\040904E4\\FileVersion"},
      {0x04B00407, "LegalCopyRight", "\\StringFileInfo\\040704B0\\LegalCopyRight"},
      {0x00000000, "CompanyName", "\\StringFileInfo\\00000000\\CompanyName"},
      {0xFFFFABCD, "x", "\\StringFileInfo\\ABCDFFFF\\x"},
      {0x000A0001, "", "\\StringFileInfo\\0001000A\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(StringFileInfoPath(TranslationFromEntry(c.entry), c.key), c.path);
  }
}

}  // namespace
}  // namespace tallivo
