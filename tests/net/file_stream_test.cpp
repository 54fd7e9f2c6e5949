// The file a download is written into: created anew, made writable when asked,
// and a refusal that says which file and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/text_win.h"
#include "net/file_stream_win.h"

namespace tallivo {
namespace {

namespace fs = std::filesystem;

class FileStream : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tallivo-stream-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir_, ignored))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const char* name) const { return Narrow((dir_ / name).wstring()); }

  fs::path dir_;
};

TEST_F(FileStream, AnExistingFileIsEmptiedAndWrittenAnew) {
  const std::string path = Path("€ download.uTMP");
  std::ofstream(fs::path(Widen(path)), std::ios::binary) << "old contents that are longer";
  {
    TupFileStream stream(path, false);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_TRUE(stream.Write("new", 3));
    EXPECT_EQ(stream.Size(), 3);
    // Shared for reading while it is being written.
    std::ifstream reader(fs::path(Widen(path)), std::ios::binary);
    EXPECT_TRUE(reader.good());
  }
  std::ifstream in(fs::path(Widen(path)), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new");
}

TEST_F(FileStream, LiftingProtectionGivesTheAttributesBack) {
  const std::string path = Path("protected.exe");
  std::ofstream(fs::path(Widen(path)), std::ios::binary) << "x";
  ASSERT_TRUE(SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  {
    TupFileStream stream(path, true);
    EXPECT_TRUE(stream.Write("yz", 2));
  }
  EXPECT_TRUE(GetFileAttributesW(Widen(path).c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(fs::file_size(dir_ / "protected.exe"), 2u);
}

TEST_F(FileStream, AFileThatCannotBeCreatedSaysWhichAndWhy) {
  const std::string path = Path("no such folder\\file.uTMP");
  try {
    TupFileStream stream(path, false);
    ADD_FAILURE() << "created " << path;
  } catch (const EFCreateError& e) {
    const std::string message = e.what();
    const std::string head = "Cannot create file \"" + path + "\". ";
    EXPECT_EQ(message.substr(0, head.size()), head);
    EXPECT_GT(message.size(), head.size()) << "the system's reason follows";
  }
}

}  // namespace
}  // namespace tallivo
