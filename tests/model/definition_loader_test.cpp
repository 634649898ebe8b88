#include "model/definition_loader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace tarn {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

ParameterImage Identity(std::string_view module, std::uint8_t versionHigh,
                        std::uint8_t versionLow) {
  ParameterImage image;
  for (std::size_t i = 0; i < module.size() && i < kModuleNameSize; ++i) {
    image[i] = static_cast<std::uint8_t>(module[i]);
  }
  image[kAddrVersion] = versionHigh;
  image[kAddrVersion + 1] = versionLow;
  return image;
}

struct ChoiceCase {
  std::string module;
  std::uint8_t high;
  std::uint8_t low;
  LoadResult result;
  int textId;
};

TEST(ChoosePageTextTest, ByModelCodeAndVersion) {
  const ChoiceCase cases[] = {
      {"MQX48ABC", 0x01, 0x04, LoadResult::Loaded, 140},
      {"MQX48ABC", 0x01, 0x05, LoadResult::Loaded, 153},
      {"MQX48ABC", 0x01, 0x06, LoadResult::Loaded, 162},
      {"MQX48ABC", 0x01, 0x07, LoadResult::Loaded, 162},
      {"MQX48ABC", 0x01, 0x08, LoadResult::Loaded, 162},
      {"MQX48ABC", 0x01, 0x09, LoadResult::Loaded, 165},
      {"MQX48ABC", 0x02, 0x00, LoadResult::Loaded, 165},
      {"MQX48ABC", 0xFF, 0xFF, LoadResult::Loaded, 165},
      {"\xFFQX48ABC", 0x01, 0x09, LoadResult::Loaded, 165},  // byte 0 plays no part
      {"MQX48ABC", 0x01, 0x03, LoadResult::OldVersion, 0},
      {"MQX48ABC", 0x00, 0xFF, LoadResult::OldVersion, 0},
      {"Mqx48ABC", 0x01, 0x09, LoadResult::UnsupportedModel, 0},
      {std::string("MQ\0"
                   "48ABC",
                   8),
       0x01, 0x09, LoadResult::UnsupportedModel, 0},
      {"MXQ48ABC", 0x01, 0x09, LoadResult::UnsupportedModel, 0},
      {"MQY48ABC", 0x00, 0x01, LoadResult::UnsupportedModel, 0},  // model checked first
  };
  for (const ChoiceCase& c : cases) {
    int textId = 0;
    EXPECT_EQ(ChoosePageText(Identity(c.module, c.high, c.low), &textId), c.result)
        << c.module << " " << int{c.high} << "." << int{c.low};
    EXPECT_EQ(textId, c.textId) << c.module << " " << int{c.high} << "." << int{c.low};
  }
  EXPECT_EQ(RefusalMessageId(LoadResult::UnsupportedModel), 157);
  EXPECT_EQ(RefusalMessageId(LoadResult::OldVersion), 156);
  EXPECT_EQ(RefusalMessageId(LoadResult::Loaded), 0);
}

TEST(LoadDefinitionSetTest, RefusalTouchesOnlyTheRowCountAndHardwareCodeIsSeenAnyway) {
  auto defs = std::make_unique<DefinitionSet>();
  defs->paramCount = 7;
  defs->controlStart = 3;
  defs->monitorCount = 5;
  ParameterImage image = Identity("Mqx48ABC", 0x01, 0x09);
  image[kAddrHardwareCode] = '7';
  image[kAddrHardwareCode + 1] = 'W';
  EXPECT_EQ(LoadDefinitionSet(image, *defs), LoadResult::UnsupportedModel);
  EXPECT_FALSE(ComPageOffered(image));
  EXPECT_EQ(defs->paramCount, 0);
  EXPECT_EQ(defs->controlStart, 3);
  EXPECT_EQ(defs->monitorCount, 5);
  EXPECT_EQ(defs->pageTextId, 0);

  image[kAddrHardwareCode + 1] = 'w';
  EXPECT_TRUE(ComPageOffered(image));
}

constexpr std::string_view kVoltageRows =
    "[023]#\tpro=2#\tpos=1#\tshow=1#\ten=0#\trangeL=0#\trangeH=144#\r\n"
    "[025]#\tpro=2#\tpos=1#\tshow=1#\ten=1#\trangeL=18#\trangeH=180#\r\n"
    "[027]#\tpro=2#\tpos=1#\tshow=1#\ten=1#\trangeL=18#\trangeH=180#\r\n\\\r\n";

struct VoltageCase {
  std::string code;
  std::uint8_t voltsHigh;
  std::uint8_t voltsLow;
  std::int32_t low;
  std::int32_t high;
};

TEST(VoltageRuleTest, RangesOfTheVoltageLimitsFollowTheClassCode) {
  const VoltageCase cases[] = {
      {"24", 0, 0, 8, 30},        {"32", 0, 0, 18, 380},
      {"36", 0, 0, 18, 450},      {"48", 0, 0, 18, 60},
      {"60", 0, 0, 18, 80},       {"72", 0, 0, 18, 90},
      {"84", 0, 0, 18, 105},      {"96", 0, 0, 18, 120},
      {"12", 0, 0, 18, 136},      {"14", 0, 0, 18, 180},
      {"10", 0, 0, 18, 400},      {"80", 0x00, 0x50, 18, 100},
      {"80", 0x00, 0x49, 18, 91}, {"80", 0xFF, 0xFF, 18, 81918},
      {"55", 0, 0, 18, 180},      {std::string("2\0", 2), 0, 0, 18, 180},
  };
  auto defs = std::make_unique<DefinitionSet>();
  for (const VoltageCase& c : cases) {
    ParameterImage image = Identity("MQX" + c.code, 0x01, 0x09);
    image[kAddrControllerVoltage] = c.voltsHigh;
    image[kAddrControllerVoltage + 1] = c.voltsLow;
    LoadPageRows(Bytes(kVoltageRows), image, *defs);
    ASSERT_EQ(defs->paramCount, 3);
    EXPECT_EQ(defs->params[0].rangeH, 144) << "row 23 keeps its range, class " << c.code;
    for (int row : {1, 2}) {
      EXPECT_EQ(defs->params[row].rangeL, c.low) << "class " << c.code << " row " << row;
      EXPECT_EQ(defs->params[row].rangeH, c.high) << "class " << c.code << " row " << row;
    }
  }
}

// A later read may bring a controller of another voltage class: its limits are
// checked against its own class, starting again from the text's ranges.
TEST(VoltageRuleTest, RefreshFollowsTheClassOfEachNewImage) {
  auto defs = std::make_unique<DefinitionSet>();
  LoadPageRows(Bytes(kVoltageRows), Identity("MQX48", 0x01, 0x09), *defs);
  const struct {
    std::string code;
    std::int32_t low;
    std::int32_t high;
  } reads[] = {{"24", 8, 30}, {"48", 18, 60}, {"55", 18, 180}, {"24", 8, 30}};
  for (const auto& read : reads) {
    RefreshVoltageRanges(Bytes(kVoltageRows), Identity("MQX" + read.code, 0x01, 0x09), *defs);
    for (int row : {1, 2}) {
      EXPECT_EQ(defs->params[row].rangeL, read.low) << "class " << read.code;
      EXPECT_EQ(defs->params[row].rangeH, read.high) << "class " << read.code;
    }
    EXPECT_EQ(defs->params[0].rangeH, 144);
  }
}

TEST(LoadPageRowsTest, StoresFieldsMarkersAndUsability) {
  const std::string_view text =
      "header\r\n"
      "[020]#\tpro=0#\tpos=3#\tshow=1#\ten=0#\tsw=uo#\tname=Флаг#\trangeL=0#\trangeH=1#\ttips=Бит#"
      "\r\n"
      "[128]#\tpro=2#\tpos=1#\tshow=1#\ten=1#\tsw=uo#\tname=IQ "
      "Kp#\trangeL=0#\trangeH=32767#\ttips=t#\r\n"
      "[256]#\tpro=1#\tpos=0#\tshow=0#\ten=1#\tsw=so#\tname=m#\trangeL=-5#\trangeH=5#\ttips=#\r\n"
      "[384]#\tpro=2#\tpos=7#\tshow=1#\ten=0#\tsw=uo#\tname=too "
      "long#\trangeL=0#\trangeH=0#\ttips=#\r\n"
      "[509]#\tpro=2#\tpos=3#\tshow=1#\ten=0#\tsw=h#\tname=past "
      "end#\trangeL=0#\trangeH=0#\ttips=#\r\n"
      "\\\r\n";
  auto defs = std::make_unique<DefinitionSet>();
  LoadPageRows(Bytes(text), ParameterImage{}, *defs);
  ASSERT_EQ(defs->paramCount, 5);
  const ParamDef& flag = defs->params[0];
  EXPECT_EQ(flag.address, 20);
  EXPECT_EQ(flag.pro, 0);
  EXPECT_EQ(flag.pos, 3);
  EXPECT_EQ(flag.show, 1);
  EXPECT_EQ(flag.en, 0);
  EXPECT_EQ(flag.sw, u"uo");
  EXPECT_EQ(flag.name, u"Флаг");
  EXPECT_EQ(flag.tips, u"Бит");
  EXPECT_EQ(defs->params[2].rangeL, -5);
  EXPECT_EQ(defs->controlStart, 1);
  EXPECT_EQ(defs->motorStart, 2);
  EXPECT_EQ(defs->comStart, 3);
  EXPECT_TRUE(defs->params[1].usable);
  EXPECT_FALSE(defs->params[3].usable);
  EXPECT_FALSE(defs->params[4].usable);
}

// The codes are decoded once, exactly as written: a near miss is unknown.
TEST(LoadPageRowsTest, DecodesStorageAndFormatCodes) {
  struct Case {
    const char* row;
    Storage storage;
    Format format;
  };
  const Case cases[] = {
      {"[030]#\tpro=0#\tpos=1#\tsw=uo#\r\n", Storage::Bit, Format::Unsigned},
      {"[030]#\tpro=1#\tsw=so#\r\n", Storage::Byte, Format::Signed},
      {"[030]#\tpro=2#\tpos=3#\tsw=h#\r\n", Storage::Group, Format::Hex},
      {"[030]#\tpro=2#\tpos=7#\tsw=a#\r\n", Storage::Group, Format::Characters},
      {"[030]#\tpro=3#\tsw=UO#\r\n", Storage::Unknown, Format::Unknown},
      {"[030]#\tpro=-1#\tsw=uo #\r\n", Storage::Unknown, Format::Unknown},
      {"[030]#\tpro=1#\r\n", Storage::Byte, Format::Unknown},
  };
  for (const Case& c : cases) {
    auto defs = std::make_unique<DefinitionSet>();
    LoadPageRows(Bytes(c.row), ParameterImage{}, *defs);
    ASSERT_EQ(defs->paramCount, 1) << c.row;
    EXPECT_EQ(defs->params[0].storage, c.storage) << c.row;
    EXPECT_EQ(defs->params[0].format, c.format) << c.row;
    const std::string monitor = std::string("[Dat]#\r\n") + c.row;
    LoadMonitorRows(Bytes(monitor), *defs);
    ASSERT_EQ(defs->monitorCount, 1) << c.row;
    EXPECT_EQ(defs->monitorItems[0].storage, c.storage) << c.row;
    EXPECT_EQ(defs->monitorItems[0].format, c.format) << c.row;
  }
}

std::string RepeatedRows(std::string_view row, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += row;
  }
  return text;
}

TEST(CapacityTest, RowsBeyondATableAreDropped) {
  auto defs = std::make_unique<DefinitionSet>();
  const std::string pages =
      RepeatedRows("[001]#\tpro=1#\tshow=1#\r\n", kParamCapacity) + "[384]#\tpro=1#\r\n\\";
  LoadPageRows(Bytes(pages), ParameterImage{}, *defs);
  EXPECT_EQ(defs->paramCount, kParamCapacity);
  EXPECT_EQ(defs->comStart, 0) << "a dropped row must not move a marker";

  const std::string monitor = "[Dat]#\r\n" + RepeatedRows("[002]#\tname=d#\r\n", 200) +
                              "[Err]#\r\n" + RepeatedRows("[003]#\tname=e#\r\n", 40) + "\\";
  LoadMonitorRows(Bytes(monitor), *defs);
  EXPECT_EQ(defs->monitorCount, kMonitorItemCapacity);
  EXPECT_EQ(defs->errorCount, kErrorBitCapacity);
}

TEST(LoadMonitorRowsTest, SectionsDecideWhereRowsGo) {
  const std::string_view text =
      "[000]#\tname=before any section#\r\n"
      "[Err]#\r\n"
      "[003]#\tname=Сбой#\r\n"
      "[Dat]#\r\n"
      "[016]#\tpro=2#\tpos=1#\tsw=h#\tname=Неудача#\tmin=0#\tmax=65535#\tshow=300#\trgb=7F7F7F#"
      "\ttips=Fault，℃#\r\n"
      "[Err]#\r\n"
      "[015]#\tname=Последний#\r\n"
      "\\";
  auto defs = std::make_unique<DefinitionSet>();
  LoadMonitorRows(Bytes(text), *defs);
  ASSERT_EQ(defs->monitorCount, 1);
  ASSERT_EQ(defs->errorCount, 2);
  const MonitorItemDef& item = defs->monitorItems[0];
  EXPECT_EQ(item.offset, 16);
  EXPECT_EQ(item.pro, 2);
  EXPECT_EQ(item.pos, 1);
  EXPECT_EQ(item.sw, u"h");
  EXPECT_EQ(item.storage, Storage::Group);
  EXPECT_EQ(item.format, Format::Hex);
  EXPECT_EQ(item.name, u"Неудача");
  EXPECT_EQ(item.max, 65535);
  EXPECT_EQ(item.show, 44);
  EXPECT_EQ(item.rgb, 8355711U);
  EXPECT_EQ(item.tips, u"Fault，℃");
  EXPECT_EQ(defs->errorBits[0].bit, 3);
  EXPECT_EQ(defs->errorBits[0].name, u"Сбой");
  EXPECT_EQ(defs->errorBits[1].bit, 15);
}

}  // namespace
}  // namespace tarn
