#include "model/image_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace tarn {
namespace {

namespace fs = std::filesystem;

// Names as technicians' folders and files have them: a Windows user folder
// is often Cyrillic, and a Windows build that opened files by their ANSI
// name could neither write nor read these.
TEST(ImageFile, NamesInAnyScriptAreWrittenAndReadBack) {
  const fs::path dir = fs::temp_directory_path() / PathFromUtf8("tarn_image_file_тест");
  fs::remove_all(dir);
  fs::create_directories(dir);
  ParameterImage image;
  for (std::size_t i = 0; i < image.bytes.size(); ++i) {
    image.bytes[i] = static_cast<std::uint8_t>(i * 7);
  }
  for (const char* name : {"backup.bin", "Иванов резерв.bin", "备份 1.bin"}) {
    const std::string path = Utf8Of(dir / PathFromUtf8(name));
    std::string error;
    EXPECT_TRUE(CheckFileCreatable(path, &error)) << name << ": " << error;
    ASSERT_TRUE(WriteFileAtomically(path, image.bytes, &error)) << name << ": " << error;
    const auto loaded = LoadImageFile(path, &error);
    ASSERT_TRUE(loaded) << name << ": " << error;
    EXPECT_TRUE(std::equal(loaded->bytes.begin(), loaded->bytes.end(), image.bytes.begin()))
        << name;
    const auto head = ReadFileHead(path, kImageSize, &error);
    ASSERT_TRUE(head) << name << ": " << error;
    EXPECT_EQ(head->size(), kImageSize) << name;
    EXPECT_TRUE(fs::exists(PathFromUtf8(path))) << name << " under its own name";
  }
  // Only the three files: no temporary file was left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 3);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tarn
