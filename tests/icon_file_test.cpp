#include "ui/icon_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tallivo::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& d, std::size_t at, std::uint32_t v) {
  d[at] = static_cast<std::uint8_t>(v);
  d[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& d, std::size_t at, std::uint32_t v) {
  Put16(d, at, v & 0xFFFF);
  Put16(d, at + 2, v >> 16);
}

struct Image {
  int size;  // 256 is stored as 0
  int bits;
  std::uint32_t bytes;
};

// An icon file whose images are `bytes` long each, filled with their index.
Bytes MakeIcon(const std::vector<Image>& images) {
  Bytes d(6 + 16 * images.size());
  Put16(d, 2, 1);
  Put16(d, 4, static_cast<std::uint32_t>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::size_t at = 6 + 16 * i;
    d[at] = d[at + 1] = static_cast<std::uint8_t>(images[i].size & 0xFF);
    Put16(d, at + 6, static_cast<std::uint32_t>(images[i].bits));
    Put32(d, at + 8, images[i].bytes);
    Put32(d, at + 12, static_cast<std::uint32_t>(d.size()));
    d.insert(d.end(), images[i].bytes, static_cast<std::uint8_t>(i));
  }
  return d;
}

TEST(ParseIconFile, ReadsTheDirectoryAndTheFileLength) {
  const Bytes icon = MakeIcon({{16, 32, 40}, {256, 32, 100}});
  const auto view = ParseIconFile(icon);
  ASSERT_TRUE(view);
  ASSERT_EQ(view->entries.size(), 2u);
  EXPECT_EQ(view->entries[0].width, 16);
  EXPECT_EQ(view->entries[1].width, 256);
  EXPECT_EQ(view->entries[1].height, 256);
  EXPECT_EQ(view->entries[0].offset, 6u + 32u);
  EXPECT_EQ(view->entries[1].offset, 6u + 32u + 40u);
  EXPECT_EQ(view->length, icon.size());

  // Data after the file (the next file of a list) is not part of it.
  Bytes longer = icon;
  longer.resize(longer.size() + 50, 0xEE);
  ASSERT_TRUE(ParseIconFile(longer));
  EXPECT_EQ(ParseIconFile(longer)->length, icon.size());
}

TEST(ParseIconFile, RejectsFilesThatDoNotHoldTogether) {
  const Bytes good = MakeIcon({{16, 32, 40}, {32, 32, 80}});
  struct Case {
    const char* what;
    Bytes data;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"header cut short", Bytes(good.begin(), good.begin() + 5)});
  cases.push_back({"directory cut short", Bytes(good.begin(), good.begin() + 20)});
  cases.push_back({"last image cut short", Bytes(good.begin(), good.end() - 1)});
  {
    Bytes d = good;
    d[2] = 2;  // a cursor file
    cases.push_back({"not an icon", d});
  }
  {
    Bytes d = good;
    d[0] = 1;
    cases.push_back({"reserved word set", d});
  }
  cases.push_back({"no images", MakeIcon({})});
  {
    Bytes d = good;
    Put32(d, 6 + 12, 10);  // first image inside the directory
    cases.push_back({"image overlaps the directory", d});
  }
  {
    Bytes d = good;
    Put32(d, 6 + 8, 0xFFFFFFF0u);  // size that wraps offset + size around
    cases.push_back({"size overflows", d});
  }
  {
    Bytes d = good;
    Put32(d, 6 + 16 + 12, 0xFFFFFFFFu);
    cases.push_back({"offset past the end", d});
  }
  {
    Bytes d = good;
    Put32(d, 6 + 8, 0);
    cases.push_back({"empty image", d});
  }
  {
    Bytes d = good;
    Put16(d, 4, 0xFFFF);  // more entries than the data holds
    cases.push_back({"huge count", d});
  }
  for (const Case& c : cases) EXPECT_FALSE(ParseIconFile(c.data)) << c.what;
}

TEST(SplitIconFiles, SplitsFilesStoredOneAfterAnother) {
  const Bytes a = MakeIcon({{16, 32, 40}});
  const Bytes b = MakeIcon({{16, 32, 60}, {32, 32, 90}});
  Bytes both = a;
  both.insert(both.end(), b.begin(), b.end());

  const auto files = SplitIconFiles(both);
  ASSERT_TRUE(files);
  ASSERT_EQ(files->size(), 2u);
  EXPECT_EQ(Bytes((*files)[0].begin(), (*files)[0].end()), a);
  EXPECT_EQ(Bytes((*files)[1].begin(), (*files)[1].end()), b);

  ASSERT_TRUE(SplitIconFiles(Bytes()));
  EXPECT_TRUE(SplitIconFiles(Bytes())->empty());

  Bytes trailing = both;
  trailing.push_back(0);
  EXPECT_FALSE(SplitIconFiles(trailing)) << "a stray byte after the last file";
  EXPECT_FALSE(SplitIconFiles(Bytes(both.begin(), both.end() - 1))) << "last file cut short";
}

TEST(ChooseIconEntry, PicksTheSmallestImageThatIsLargeEnoughElseTheLargest) {
  const std::vector<IconEntry> entries = {
      {16, 16, 32, 0, 1}, {32, 32, 8, 0, 1}, {32, 32, 32, 0, 1}, {24, 24, 32, 0, 1}, {48, 48, 32, 0, 1},
  };
  struct Case {
    int size;
    std::size_t expected;
  };
  for (const Case c : {Case{16, 0}, Case{12, 0}, Case{20, 3}, Case{24, 3}, Case{28, 2}, Case{32, 2},
                       Case{40, 4}, Case{64, 4}}) {
    EXPECT_EQ(ChooseIconEntry(entries, c.size), c.expected) << "size " << c.size;
  }
  EXPECT_EQ(ChooseIconEntry({{16, 16, 32, 0, 1}}, 32), 0u);
}

}  // namespace
}  // namespace tallivo::ui
