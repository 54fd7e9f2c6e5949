#include "versioninfo/version_keys.h"

namespace tallivo {

std::string_view VersionKey(int index) {
  if (index < 1 || index > static_cast<int>(kVersionKeys.size())) return {};
  return kVersionKeys[static_cast<std::size_t>(index - 1)];
}

VersionTranslation TranslationFromEntry(std::uint32_t entry) {
  return {static_cast<std::uint16_t>(entry & 0xFFFFu), static_cast<std::uint16_t>(entry >> 16)};
}

std::string StringFileInfoPath(VersionTranslation translation, std::string_view key) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string path = "\\StringFileInfo\\";
  for (const std::uint16_t part : {translation.language, translation.codePage}) {
    for (int shift = 12; shift >= 0; shift -= 4) path += kHex[(part >> shift) & 0xF];
  }
  path += '\\';
  path += key;
  return path;
}

}  // namespace tallivo
