#include "net/file_attributes.h"

#include <array>

namespace tallivo {

std::uint32_t FileAttributeFlags(TupFileAttributes attributes) {
  // Indexed by TupFileAttribute.
  static constexpr std::array<std::uint32_t, 6> kFlags = {kFileAttributeArchive,   kFileAttributeHidden,
                                                          kFileAttributeReadOnly,  kFileAttributeSystem,
                                                          kFileAttributeTemporary, kFileAttributeOffline};
  std::uint32_t flags = 0;
  for (std::size_t i = 0; i < kFlags.size(); ++i) {
    if (attributes.Has(static_cast<TupFileAttribute>(i))) flags |= kFlags[i];
  }
  return flags;
}

}  // namespace tallivo
