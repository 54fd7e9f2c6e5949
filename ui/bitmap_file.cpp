#include "ui/bitmap_file.h"

namespace tallivo::ui {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB
// Large enough for any glyph, small enough that row arithmetic cannot overflow.
constexpr std::int64_t kMaxSide = 1 << 15;

std::uint32_t U32(const std::vector<std::uint8_t>& d, std::size_t at) {
  return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
         static_cast<std::uint32_t>(d[at + 2]) << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

}  // namespace

std::optional<BitmapFileView> ParseBitmapFile(const std::vector<std::uint8_t>& data) {
  if (data.size() < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' || data[1] != 'M')
    return std::nullopt;
  const std::uint32_t bitsOffset = U32(data, 10);
  const std::uint32_t infoSize = U32(data, 14);
  if (infoSize < kInfoHeaderSize || infoSize > data.size() - kFileHeaderSize) return std::nullopt;
  const auto width = static_cast<std::int32_t>(U32(data, 18));
  const auto height = static_cast<std::int32_t>(U32(data, 22));
  const std::uint16_t planes = U16(data, 26);
  const std::uint16_t bitCount = U16(data, 28);
  const std::uint32_t compression = U32(data, 30);
  const std::uint32_t colorsUsed = U32(data, 46);
  if (planes != 1 || compression != kUncompressed) return std::nullopt;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    return std::nullopt;
  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (width <= 0 || width > kMaxSide || rows == 0 || rows > kMaxSide) return std::nullopt;

  std::int64_t paletteEntries = 0;
  if (bitCount <= 8) paletteEntries = colorsUsed != 0 ? colorsUsed : (std::int64_t{1} << bitCount);
  if (paletteEntries > (std::int64_t{1} << bitCount)) return std::nullopt;
  const std::int64_t paletteEnd = static_cast<std::int64_t>(kFileHeaderSize) + infoSize + 4 * paletteEntries;
  if (bitsOffset < paletteEnd) return std::nullopt;
  const std::int64_t stride = (static_cast<std::int64_t>(width) * bitCount + 31) / 32 * 4;
  if (static_cast<std::int64_t>(bitsOffset) + stride * rows > static_cast<std::int64_t>(data.size()))
    return std::nullopt;

  BitmapFileView view;
  view.width = width;
  view.height = height;
  view.bitCount = bitCount;
  view.infoOffset = kFileHeaderSize;
  view.bitsOffset = bitsOffset;
  return view;
}

}  // namespace tallivo::ui
