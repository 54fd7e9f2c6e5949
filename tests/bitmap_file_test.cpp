#include "ui/bitmap_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tallivo::ui {
namespace {

void Put32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& d, std::size_t at, std::uint16_t v) {
  d[at] = static_cast<std::uint8_t>(v);
  d[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// An uncompressed BMP file with `colours` palette entries and zeroed pixels.
std::vector<std::uint8_t> MakeBmp(int width, int height, int bits, std::uint32_t colours = 0) {
  const std::uint32_t palette = bits <= 8 ? (colours ? colours : (1u << bits)) : 0;
  const std::uint32_t offset = 14 + 40 + 4 * palette;
  const std::uint32_t stride =
      (static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bits) + 31) / 32 * 4;
  const std::uint32_t rows = static_cast<std::uint32_t>(height < 0 ? -height : height);
  std::vector<std::uint8_t> d(offset + stride * rows);
  d[0] = 'B';
  d[1] = 'M';
  Put32(d, 2, static_cast<std::uint32_t>(d.size()));
  Put32(d, 10, offset);
  Put32(d, 14, 40);
  Put32(d, 18, static_cast<std::uint32_t>(width));
  Put32(d, 22, static_cast<std::uint32_t>(height));
  Put16(d, 26, 1);
  Put16(d, 28, static_cast<std::uint16_t>(bits));
  Put32(d, 46, colours);
  return d;
}

TEST(ParseBitmapFile, AcceptsUncompressedBitmapsThatFitTheirData) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    bool valid;
  };
  auto headerCut = MakeBmp(1, 1, 24);
  headerCut.resize(53);
  auto truncated = MakeBmp(16, 16, 4);
  truncated.pop_back();
  auto badMagic = MakeBmp(16, 16, 4);
  badMagic[1] = 'A';
  auto compressed = MakeBmp(16, 16, 4);
  Put32(compressed, 30, 2);  // BI_RLE4
  auto twoPlanes = MakeBmp(16, 16, 24);
  Put16(twoPlanes, 26, 2);
  auto bitsInPalette = MakeBmp(16, 16, 8);
  Put32(bitsInPalette, 10, 14 + 40 + 4 * 255);
  auto tooManyColours = MakeBmp(2, 2, 4, 16);
  Put32(tooManyColours, 46, 17);
  auto smallHeader = MakeBmp(2, 2, 24);
  Put32(smallHeader, 14, 12);
  auto hugeHeader = MakeBmp(2, 2, 24);
  Put32(hugeHeader, 14, 0xFFFFFFF0u);
  auto hugeOffset = MakeBmp(2, 2, 24);
  Put32(hugeOffset, 10, 0xFFFFFFF0u);
  const std::vector<Case> cases = {
      {"4-bit, 16 colours", MakeBmp(16, 16, 4), true},
      {"4-bit, 4 colours used", MakeBmp(16, 16, 4, 4), true},
      {"1-bit", MakeBmp(9, 3, 1), true},
      {"8-bit", MakeBmp(5, 5, 8), true},
      {"24-bit with row padding", MakeBmp(3, 2, 24), true},
      {"32-bit top-down", MakeBmp(4, -4, 32), true},
      {"empty", {}, false},
      {"header cut short", headerCut, false},
      {"one byte short", truncated, false},
      {"not BM", badMagic, false},
      {"run-length compressed", compressed, false},
      {"two planes", twoPlanes, false},
      {"16-bit", MakeBmp(4, 4, 16), false},
      {"zero width", MakeBmp(0, 4, 24), false},
      {"zero height", MakeBmp(4, 0, 24), false},
      {"pixels start inside the palette", bitsInPalette, false},
      {"more colours than the depth allows", tooManyColours, false},
      {"core header", smallHeader, false},
      {"header larger than the file", hugeHeader, false},
      {"pixels beyond the file", hugeOffset, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseBitmapFile(c.data).has_value(), c.valid);
  }
  const auto view = ParseBitmapFile(MakeBmp(4, -4, 32));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->width, 4);
  EXPECT_EQ(view->height, -4);
  EXPECT_EQ(view->bitCount, 32);
  EXPECT_EQ(view->infoOffset, 14u);
  EXPECT_EQ(view->bitsOffset, 54u);
}

}  // namespace
}  // namespace tallivo::ui
