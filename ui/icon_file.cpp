#include "ui/icon_file.h"

namespace tallivo::ui {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;

std::uint32_t Read16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8;
}
std::uint32_t Read32(std::span<const std::uint8_t> d, std::size_t at) {
  return Read16(d, at) | Read16(d, at + 2) << 16;
}

}  // namespace

std::optional<IconFileView> ParseIconFile(std::span<const std::uint8_t> data) {
  if (data.size() < kHeaderSize || Read16(data, 0) != 0 || Read16(data, 2) != 1) return std::nullopt;
  const std::size_t count = Read16(data, 4);
  const std::size_t directoryEnd = kHeaderSize + count * kEntrySize;
  if (count == 0 || directoryEnd > data.size()) return std::nullopt;
  IconFileView view;
  view.length = directoryEnd;
  view.entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kHeaderSize + i * kEntrySize;
    IconEntry e;
    e.width = data[at] == 0 ? 256 : data[at];
    e.height = data[at + 1] == 0 ? 256 : data[at + 1];
    e.bitCount = static_cast<int>(Read16(data, at + 6));
    e.size = Read32(data, at + 8);
    e.offset = Read32(data, at + 12);
    // Images must follow the directory and fit; compared without overflow.
    if (e.size == 0 || e.offset < directoryEnd || e.offset > data.size() || e.size > data.size() - e.offset)
      return std::nullopt;
    if (e.offset + e.size > view.length) view.length = e.offset + e.size;
    view.entries.push_back(e);
  }
  return view;
}

std::optional<std::vector<std::span<const std::uint8_t>>> SplitIconFiles(std::span<const std::uint8_t> data) {
  std::vector<std::span<const std::uint8_t>> files;
  while (!data.empty()) {
    const auto view = ParseIconFile(data);
    if (!view) return std::nullopt;
    files.push_back(data.first(view->length));
    data = data.subspan(view->length);
  }
  return files;
}

std::size_t ChooseIconEntry(const std::vector<IconEntry>& entries, int size) {
  std::size_t best = 0;
  const auto better = [size](const IconEntry& a, const IconEntry& b) {
    const bool aFits = a.width >= size, bFits = b.width >= size;
    if (aFits != bFits) return aFits;
    if (a.width != b.width) return aFits ? a.width < b.width : a.width > b.width;
    return a.bitCount > b.bitCount;
  };
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (better(entries[i], entries[best])) best = i;
  }
  return best;
}

}  // namespace tallivo::ui
