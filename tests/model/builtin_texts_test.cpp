// Figures of the definition texts carried in the program, and the round trip
// of every shown value through the codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "model/definition_loader.h"
#include "model/page_layout.h"
#include "model/value_codec.h"

namespace tarn {
namespace {

constexpr int kFlagRows = 16;

struct TextFigures {
  int textId;
  std::uint8_t versionLow;  // version 01.xx that selects the text
  int rows;
  int shownFlags;
  int shownVehicle;
  int shownControl;
  int shownMotor;
  int shownCom;
};

constexpr TextFigures kTexts[] = {
    {165, 0x09, 439, 12, 31, 28, 27, 1},
    {162, 0x07, 443, 11, 25, 16, 22, 0},
    {153, 0x05, 443, 11, 22, 15, 22, 0},
    {140, 0x04, 447, 9, 21, 10, 19, 0},
};

ParameterImage ImageFor(const TextFigures& text) {
  ParameterImage image;
  const char module[] = "MQX48TRN";
  std::copy(module, module + kModuleNameSize, image.bytes.begin());
  image[kAddrVersion] = 0x01;
  image[kAddrVersion + 1] = text.versionLow;
  return image;
}

std::unique_ptr<DefinitionSet> Load(const TextFigures& text) {
  auto defs = std::make_unique<DefinitionSet>();
  EXPECT_EQ(LoadDefinitionSet(ImageFor(text), *defs), LoadResult::Loaded);
  EXPECT_EQ(defs->pageTextId, text.textId);
  return defs;
}

// Rows of the page that take the given place, by the pages' own rule.
int ShownIn(const DefinitionSet& defs, PageRows page, Place place) {
  const std::vector<ShownRow> rows = ShownRowsOfPage(defs, page);
  return static_cast<int>(std::count_if(
      rows.begin(), rows.end(), [place](const ShownRow& row) { return row.place == place; }));
}

int RowsAt(const DefinitionSet& defs, int address) {
  int rows = 0;
  for (int i = 0; i < defs.paramCount; ++i) {
    rows += defs.params[static_cast<std::size_t>(i)].address == address ? 1 : 0;
  }
  return rows;
}

TEST(BuiltinTextsTest, RowsShownRowsAndMarkers) {
  for (const TextFigures& text : kTexts) {
    SCOPED_TRACE(text.textId);
    const auto defs = Load(text);
    EXPECT_EQ(defs->paramCount, text.rows);
    EXPECT_EQ(ShownIn(*defs, PageRows::Vehicle, Place::CheckBox), text.shownFlags);
    EXPECT_EQ(ShownIn(*defs, PageRows::Vehicle, Place::Slot), text.shownVehicle);
    EXPECT_EQ(ShownIn(*defs, PageRows::Control, Place::Slot), text.shownControl);
    EXPECT_EQ(ShownIn(*defs, PageRows::Motor, Place::Slot), text.shownMotor);
    EXPECT_EQ(ShownIn(*defs, PageRows::Com, Place::Slot), text.shownCom);
    // Every shown row of a built-in text has its place and a value there; only
    // its read-only rows take no input.
    for (const ShownRow& row : ShownRows(*defs)) {
      EXPECT_NE(row.shows, Shows::Nothing) << "row " << row.index;
      EXPECT_EQ(row.editable, row.def->en != 0) << "row " << row.index;
    }
    for (int address : {128, 256, 384}) {
      EXPECT_EQ(RowsAt(*defs, address), 1) << "address " << address;
    }
    EXPECT_EQ(defs->params[static_cast<std::size_t>(defs->controlStart)].address, 128);
    EXPECT_EQ(defs->params[static_cast<std::size_t>(defs->motorStart)].address, 256);
    EXPECT_EQ(defs->params[static_cast<std::size_t>(defs->comStart)].address, 384);
    for (int i = 0; i < kFlagRows; ++i) {
      const ParamDef& flag = defs->params[static_cast<std::size_t>(i)];
      EXPECT_EQ(flag.address, kAddrFlags + i / 8) << "flag row " << i;
      EXPECT_EQ(flag.pos, i % 8) << "flag row " << i;
      EXPECT_EQ(flag.storage, Storage::Bit) << "flag row " << i;
    }
    for (int i = 0; i < defs->paramCount; ++i) {
      EXPECT_TRUE(defs->params[static_cast<std::size_t>(i)].usable) << "row " << i;
    }
  }
}

// Every image byte except the flag bytes belongs to a row after the flag rows;
// only text 165 lets its hidden row 207 overlap the two-byte row 206.
TEST(BuiltinTextsTest, RowsCoverTheImage) {
  for (const TextFigures& text : kTexts) {
    SCOPED_TRACE(text.textId);
    const auto defs = Load(text);
    std::vector<int> cover(kImageSize, 0);
    for (int i = kFlagRows; i < defs->paramCount; ++i) {
      const ParamDef& def = defs->params[static_cast<std::size_t>(i)];
      const int size = def.storage == Storage::Group ? def.pos + 1 : 1;
      for (int b = 0; b < size; ++b) {
        ++cover[static_cast<std::size_t>(def.address + b)];
      }
    }
    for (int address = 0; address < static_cast<int>(kImageSize); ++address) {
      const bool flagByte = address == kAddrFlags || address == kAddrFlags + 1;
      const int expected = flagByte ? 0 : (text.textId == 165 && address == 207 ? 2 : 1);
      EXPECT_EQ(cover[static_cast<std::size_t>(address)], expected) << "address " << address;
    }
  }
}

int IndexOf(const DefinitionSet& defs, int address) {
  for (int i = kFlagRows; i < defs.paramCount; ++i) {
    if (defs.params[static_cast<std::size_t>(i)].address == address) {
      return i;
    }
  }
  return -1;
}

TEST(BuiltinTextsTest, Text165MovesRowsToOtherPages) {
  const auto defs = Load(kTexts[0]);
  for (int address : {74, 52, 22}) {
    const int index = IndexOf(*defs, address);
    EXPECT_GE(index, defs->controlStart) << address;
    EXPECT_LT(index, defs->motorStart) << address;
  }
  for (int address : {81, 82}) {
    const int index = IndexOf(*defs, address);
    EXPECT_GE(index, defs->motorStart) << address;
    EXPECT_LT(index, defs->comStart) << address;
  }
  const ParamDef& hot = defs->params[static_cast<std::size_t>(IndexOf(*defs, 319))];
  EXPECT_EQ(hot.name, u"℃ отсечка при выс. темп.");
  EXPECT_EQ(hot.rangeL, 60);
  EXPECT_EQ(hot.rangeH, 170);
  const ParamDef& low = defs->params[static_cast<std::size_t>(IndexOf(*defs, 25))];
  EXPECT_EQ(low.name, u"Слишком низкое");
  EXPECT_EQ(low.rangeH, 60) << "voltage class 48";
}

TEST(BuiltinTextsTest, MonitorText) {
  const auto defs = Load(kTexts[0]);
  ASSERT_EQ(defs->monitorCount, 32);
  ASSERT_EQ(defs->errorCount, 16);
  for (int i = 0; i < defs->monitorCount; ++i) {
    const MonitorItemDef& item = defs->monitorItems[static_cast<std::size_t>(i)];
    const bool single = i < 16;
    EXPECT_EQ(item.offset, single ? i : 16 + 2 * (i - 16)) << i;
    EXPECT_EQ(item.storage, single ? Storage::Byte : Storage::Group) << i;
    EXPECT_EQ(item.pos, single ? 0 : 1) << i;
    EXPECT_EQ(item.rgb, 0x7F7F7FU) << i;
  }
  EXPECT_EQ(defs->monitorItems[0].name, u"Педаль TPS");
  EXPECT_EQ(defs->monitorItems[10].tips, u"Motor temperature，range 0~150℃");
  EXPECT_EQ(defs->monitorItems[16].format, Format::Hex);
  for (int bit = 0; bit < defs->errorCount; ++bit) {
    EXPECT_EQ(defs->errorBits[static_cast<std::size_t>(bit)].bit, bit);
  }
  EXPECT_EQ(defs->errorBits[15].name, u"Ошибка текущего счетчика");
}

// A value inside the row's range, written into the image as the page expects.
void PutInRangeValue(const ParamDef& def, std::mt19937& random, ParameterImage& image) {
  const auto at = static_cast<std::size_t>(def.address);
  const std::size_t bytes =
      def.storage == Storage::Group ? static_cast<std::size_t>(def.pos) + 1 : 1;
  if (def.format == Format::Characters) {
    const std::size_t length = random() % (bytes + 1);
    for (std::size_t i = 0; i < bytes; ++i) {
      image[at + i] = i < length ? static_cast<std::uint8_t>('A' + random() % 26) : 0;
    }
    return;
  }
  if (def.format == Format::Hex || def.en != 1) {
    for (std::size_t i = 0; i < bytes; ++i) {
      image[at + i] = static_cast<std::uint8_t>(random());
    }
    return;
  }
  std::uint32_t low = static_cast<std::uint32_t>(def.rangeL);
  std::uint32_t high = static_cast<std::uint32_t>(def.rangeH);
  if (def.storage == Storage::Byte) {
    low = static_cast<std::uint32_t>(std::max(def.rangeL, 0));
    high = static_cast<std::uint32_t>(std::min(def.rangeH, 255));
  }
  ASSERT_LE(low, high) << "row " << def.address << " has an empty range";
  const std::uint32_t value = low + static_cast<std::uint32_t>(random() % (high - low + 1ULL));
  image.WriteBigEndian(at, bytes, value);
}

TEST(BuiltinTextsTest, FormattedValuesStoreBackUnchanged) {
  std::mt19937 random(20261209);
  for (const TextFigures& text : kTexts) {
    SCOPED_TRACE(text.textId);
    const auto defs = Load(text);
    for (int round = 0; round < 20; ++round) {
      ParameterImage image = ImageFor(text);
      std::vector<const ParamDef*> shown;
      for (const ShownRow& row : ShownRows(*defs)) {
        if (row.shows == Shows::Text) {
          shown.push_back(row.def);
          PutInRangeValue(*row.def, random, image);
        }
      }
      ASSERT_FALSE(shown.empty());
      for (const ParamDef* def : shown) {
        ParameterImage stored = image;
        const std::u16string value = FormatValue(*def, image);
        EXPECT_EQ(StoreText(*def, value, stored), StoreResult::Stored)
            << "address " << def->address;
        EXPECT_TRUE(stored.bytes == image.bytes) << "address " << def->address;
      }
    }
  }
}

}  // namespace
}  // namespace tarn
