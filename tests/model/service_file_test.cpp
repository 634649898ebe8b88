// Saved images as files: whether a file fits the connected controller and
// the name proposed for a new one.
#include "model/service_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "model/controller_image.h"

namespace tarn {
namespace {

using namespace std::chrono_literals;
using testing::kDate;
using testing::ServiceFiles;

TEST_F(ServiceFiles, AFileOfAnotherKindIsRefusedAndChangesNothing) {
  struct FitCase {
    const char* what;
    std::size_t size;
    std::size_t address;
    std::uint8_t byte;
    FileFit fit;
  };
  const FitCase cases[] = {
      {"one byte short", kImageSize - 1, 0, '1', FileFit::WrongSize},
      {"one byte over", kImageSize + 1, 0, '1', FileFit::WrongSize},
      {"empty", 0, 0, '1', FileFit::WrongSize},
      {"another model", kImageSize, kAddrModelCode, 'q', FileFit::UnsupportedModel},
      {"old version", kImageSize, kAddrVersion + 1, 0x03, FileFit::OldVersion},
      {"another generation", kImageSize, kAddrVersion + 1, 0x05, FileFit::OtherGeneration},
      {"a later version of the same generation", kImageSize, kAddrVersion + 1, 0x0A, FileFit::Fits},
      {"another module name", kImageSize, 0, '7', FileFit::Fits},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> file(controller.bytes.begin(), controller.bytes.end());
    file[c.address] = c.byte;
    file.resize(c.size, 0);
    ParameterImage image;
    const ParameterImage untouched = image;
    EXPECT_EQ(CheckImageFile(file, *defs, &image), c.fit);
    if (c.fit == FileFit::Fits) {
      EXPECT_TRUE(std::equal(file.begin(), file.end(), image.bytes.begin()));
    } else {
      EXPECT_EQ(image.bytes, untouched.bytes);
    }
  }
}

TEST(ProposedFileNameTest, ModuleNameSerialNumberAndDate) {
  struct NameCase {
    std::vector<std::uint8_t> module;
    std::chrono::year_month_day date;
    std::u16string name;
  };
  const NameCase cases[] = {
      {{'1', 'Q', 'X', '4', '8', 'A', '0', '1'}, kDate, u"1QX48A01_0001A2B3_2026-12-09.bin"},
      {{'1', 'Q', 'X', 0, '8', 'A', '0', '1'}, kDate, u"1QX_0001A2B3_2026-12-09.bin"},
      {{'a', '/', 'b', ':', '*', '?', '"', '\\'}, kDate, u"a_b______0001A2B3_2026-12-09.bin"},
      {{'<', '>', '|', 0x01, 0x7F, 0xE9, 0xFF, ' '}, kDate, u"_______ _0001A2B3_2026-12-09.bin"},
      {{0, 'Q'}, {2027y, std::chrono::January, 5d}, u"_0001A2B3_2027-01-05.bin"},
  };
  for (const NameCase& c : cases) {
    ParameterImage image;
    std::copy(c.module.begin(), c.module.end(), image.bytes.begin());
    const std::uint8_t serial[] = {0x00, 0x01, 0xA2, 0xB3};
    std::copy(std::begin(serial), std::end(serial), image.bytes.begin() + kAddrSerialNumber);
    EXPECT_EQ(ProposedFileName(image, c.date), c.name);
  }
}

}  // namespace
}  // namespace tarn
