// Icon files (.ico) held in memory, as stored in forms: one file per icon,
// several sizes each, and lists of icons kept as files one after another.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tallivo::ui {

// One image of an icon file.
struct IconEntry {
  int width = 0;  // pixels; a stored 0 means 256
  int height = 0;
  int bitCount = 0;        // 0 when the directory leaves it open
  std::size_t offset = 0;  // of the image data, from the file's start
  std::size_t size = 0;
};

struct IconFileView {
  std::vector<IconEntry> entries;
  // Bytes the file occupies: up to the end of its last image.
  std::size_t length = 0;
};

// The directory of the icon file at the start of `data`, if it has at least
// one image and every image lies inside `data`; nullopt otherwise. `data` may
// go on past the file.
std::optional<IconFileView> ParseIconFile(std::span<const std::uint8_t> data);

// Splits icon files stored one after another; nullopt unless all of `data` is
// a sequence of well-formed files. Empty data is an empty list.
std::optional<std::vector<std::span<const std::uint8_t>>> SplitIconFiles(std::span<const std::uint8_t> data);

// The image to draw at `size` pixels: the smallest at least that large (the
// deepest colour among equals), or failing that the largest. Returns an index
// into `entries`, which must not be empty.
std::size_t ChooseIconEntry(const std::vector<IconEntry>& entries, int size);

}  // namespace tallivo::ui
