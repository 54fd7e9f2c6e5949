// Checks a BMP file held in memory (a button glyph stored in a form) before
// it is handed to the system. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallivo::ui {

struct BitmapFileView {
  int width = 0;
  // As stored: positive for rows bottom to top, negative for top to bottom.
  int height = 0;
  int bitCount = 0;
  // Where the info header (and the palette after it) and the pixel rows start.
  std::size_t infoOffset = 0;
  std::size_t bitsOffset = 0;
};

// The layout of `data` if it is an uncompressed BMP (1, 4, 8, 24 or 32 bits
// a pixel) whose header, palette and rows all lie inside it; nullopt otherwise.
std::optional<BitmapFileView> ParseBitmapFile(const std::vector<std::uint8_t>& data);

}  // namespace tallivo::ui
