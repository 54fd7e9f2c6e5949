// The file attributes the HTTP component and the updater give their files.
#pragma once

#include <cstdint>

#include "ui/published.h"

namespace tallivo {

// Stored sets use the member positions as bit numbers: keep this order.
enum class TupFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
using TupFileAttributes = ui::Set<TupFileAttribute>;

// Windows file attributes (FILE_ATTRIBUTE_...).
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x0001;
inline constexpr std::uint32_t kFileAttributeHidden = 0x0002;
inline constexpr std::uint32_t kFileAttributeSystem = 0x0004;
inline constexpr std::uint32_t kFileAttributeArchive = 0x0020;
inline constexpr std::uint32_t kFileAttributeTemporary = 0x0100;
inline constexpr std::uint32_t kFileAttributeOffline = 0x1000;

// The SetFileAttributesA value for `attributes`; 0 for the empty set.
std::uint32_t FileAttributeFlags(TupFileAttributes attributes);

}  // namespace tallivo
