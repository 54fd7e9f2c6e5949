// The string keys of a version resource and how their values are addressed.
// Portable: no Windows headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo {

// The keys TVersionInfo reads, index 1 to 8 in this order.
inline constexpr std::array<std::string_view, 8> kVersionKeys{
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyRight", "OriginalFileName", "ProductName", "ProductVersion"};

inline constexpr int kFileVersionIndex = 3;
inline constexpr int kLegalCopyrightIndex = 5;

// The key at `index` (1 to 8), or an empty view for any other index.
std::string_view VersionKey(int index);

// One \VarFileInfo\Translation entry: the language in the low 16 bits, the
// code page in the high 16 bits.
struct VersionTranslation {
  std::uint16_t language = 0;
  std::uint16_t codePage = 0;
};

// Splits a translation entry read as one little-endian 32-bit value.
VersionTranslation TranslationFromEntry(std::uint32_t entry);

// "\StringFileInfo\LLLLCCCC\key", language and code page as four upper-case
// hexadecimal digits each.
std::string StringFileInfoPath(VersionTranslation translation, std::string_view key);

}  // namespace tallivo
