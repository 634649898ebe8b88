#include "model/definition_loader.h"

#include <array>
#include <string>
#include <string_view>

#include "model/definition_reader.h"
#include "model/value_codec.h"
#include "resources/embedded.h"

namespace tarn {

namespace {

constexpr int kMonitorTextId = 137;

// Software versions (image bytes 16-17) and the page text each range uses.
struct VersionChoice {
  unsigned firstVersion;
  int textId;
};
constexpr std::array<VersionChoice, 4> kVersionChoices{{
    {0x0109, 165},
    {0x0106, 162},
    {0x0105, 153},
    {0x0104, 140},
}};

constexpr std::size_t kVersionBytes = 2;  // bytes 16-17 select the text

// Two-character codes in the image, compared byte for byte (case-sensitive).
constexpr std::string_view kModelCode = "QX";
constexpr std::string_view kHiddenComCode = "7W";

constexpr std::int32_t kControlFirstAddress = 128;
constexpr std::int32_t kMotorFirstAddress = 256;
constexpr std::int32_t kComFirstAddress = 384;
constexpr std::int32_t kUnderVoltageAddress = 25;
constexpr std::int32_t kOverVoltageAddress = 27;

// Accepted range of the voltage limits by voltage class code (image bytes 3-4).
struct VoltageLimit {
  std::string_view code;
  bool setsLow;
  std::int32_t low;
  std::int32_t high;
};
constexpr std::array<VoltageLimit, 11> kVoltageLimits{{
    {"24", true, 8, 30},
    {"32", false, 0, 380},
    {"36", false, 0, 450},
    {"48", false, 0, 60},
    {"60", false, 0, 80},
    {"72", false, 0, 90},
    {"84", false, 0, 105},
    {"96", false, 0, 120},
    {"12", false, 0, 136},
    {"14", false, 0, 180},
    {"10", false, 0, 400},
}};
// Class "80" takes its upper limit from the controller voltage: V * 125 / 100.
constexpr std::string_view kVoltageFromController = "80";
constexpr std::uint32_t kControllerVoltageNumerator = 125;
constexpr std::uint32_t kControllerVoltageDenominator = 100;
constexpr std::size_t kControllerVoltageBytes = 2;

// Whether the image bytes from `address` on are the characters of `code`.
bool BytesAre(const ParameterImage& image, int address, std::string_view code) {
  for (std::size_t i = 0; i < code.size(); ++i) {
    if (image[static_cast<std::size_t>(address) + i] != static_cast<std::uint8_t>(code[i])) {
      return false;
    }
  }
  return true;
}

bool VoltageClassIs(const ParameterImage& image, std::string_view code) {
  return BytesAre(image, kAddrVoltageClass, code);
}

void ApplyVoltageRule(const ParameterImage& image, ParamDef& def) {
  if (VoltageClassIs(image, kVoltageFromController)) {
    const std::uint32_t volts =
        image.ReadBigEndian(kAddrControllerVoltage, kControllerVoltageBytes);
    def.rangeH = static_cast<std::int32_t>(volts * kControllerVoltageNumerator /
                                           kControllerVoltageDenominator);
    return;
  }
  for (const VoltageLimit& limit : kVoltageLimits) {
    if (VoltageClassIs(image, limit.code)) {
      if (limit.setsLow) {
        def.rangeL = limit.low;
      }
      def.rangeH = limit.high;
      return;
    }
  }
}

// The codes as the texts write them.
constexpr std::int32_t kProBit = 0;
constexpr std::int32_t kProByte = 1;
constexpr std::int32_t kProGroup = 2;

struct FormatCode {
  std::u16string_view sw;
  Format format;
};
constexpr std::array<FormatCode, 4> kFormatCodes{{
    {u"uo", Format::Unsigned},
    {u"so", Format::Signed},
    {u"h", Format::Hex},
    {u"a", Format::Characters},
}};

Storage StorageOf(std::int32_t pro) {
  switch (pro) {
    case kProBit:
      return Storage::Bit;
    case kProByte:
      return Storage::Byte;
    case kProGroup:
      return Storage::Group;
    default:
      return Storage::Unknown;
  }
}

// Exact and case-sensitive: "UO" is not "uo".
Format FormatOf(std::u16string_view sw) {
  for (const FormatCode& code : kFormatCodes) {
    if (code.sw == sw) {
      return code.format;
    }
  }
  return Format::Unknown;
}

ParamDef ParamRow(std::string_view row) {
  ParamDef def;
  def.address = RowTag(row);
  def.pro = DecimalField(row, "pro");
  def.pos = DecimalField(row, "pos");
  def.show = DecimalField(row, "show");
  def.en = DecimalField(row, "en");
  def.sw = TextField(row, "sw");
  def.name = TextField(row, "name");
  def.rangeL = DecimalField(row, "rangeL");
  def.rangeH = DecimalField(row, "rangeH");
  def.tips = TextField(row, "tips");
  DecodeCodes(def);
  return def;
}

void MarkPageStart(DefinitionSet& defs, std::int32_t address, std::int32_t index) {
  if (address == kControlFirstAddress) {
    defs.controlStart = index;
  } else if (address == kMotorFirstAddress) {
    defs.motorStart = index;
  } else if (address == kComFirstAddress) {
    defs.comStart = index;
  }
}

}  // namespace

void DecodeCodes(ParamDef& row) {
  row.storage = StorageOf(row.pro);
  row.format = FormatOf(row.sw);
  row.usable = DefinitionUsable(row);
}

void DecodeCodes(MonitorItemDef& item) {
  item.storage = StorageOf(item.pro);
  item.format = FormatOf(item.sw);
}

void LoadPageRows(std::span<const std::uint8_t> text, const ParameterImage& image,
                  DefinitionSet& defs) {
  defs.paramCount = 0;
  defs.controlStart = 0;
  defs.motorStart = 0;
  defs.comStart = 0;
  RowScanner scanner(text);
  std::string row;
  while (scanner.Next(row) && defs.paramCount < kParamCapacity) {
    ParamDef& def = defs.params[static_cast<std::size_t>(defs.paramCount)];
    def = ParamRow(row);
    MarkPageStart(defs, def.address, defs.paramCount);
    if (def.address == kUnderVoltageAddress || def.address == kOverVoltageAddress) {
      ApplyVoltageRule(image, def);
    }
    ++defs.paramCount;
  }
}

void RefreshVoltageRanges(std::span<const std::uint8_t> text, const ParameterImage& image,
                          DefinitionSet& defs) {
  RowScanner scanner(text);
  std::string row;
  for (std::int32_t index = 0; index < defs.paramCount && scanner.Next(row); ++index) {
    ParamDef& def = defs.params[static_cast<std::size_t>(index)];
    if (def.address == kUnderVoltageAddress || def.address == kOverVoltageAddress) {
      def.rangeL = DecimalField(row, "rangeL");
      def.rangeH = DecimalField(row, "rangeH");
      ApplyVoltageRule(image, def);
    }
  }
}

void RefreshVoltageRanges(const ParameterImage& image, DefinitionSet& defs) {
  RefreshVoltageRanges(res::PageText(defs.pageTextId), image, defs);
}

namespace {

MonitorItemDef MonitorRow(std::string_view row) {
  MonitorItemDef item;
  item.offset = RowTag(row);
  item.pro = DecimalField(row, "pro");
  item.pos = DecimalField(row, "pos");
  item.sw = TextField(row, "sw");
  item.name = TextField(row, "name");
  item.min = DecimalField(row, "min");
  item.max = DecimalField(row, "max");
  item.show = static_cast<std::uint8_t>(DecimalField(row, "show"));
  item.rgb = HexField(row, "rgb");
  item.tips = TextField(row, "tips");
  DecodeCodes(item);
  return item;
}

void StoreMonitorRow(std::string_view row, Section section, DefinitionSet& defs) {
  if (section == Section::Dat && defs.monitorCount < kMonitorItemCapacity) {
    defs.monitorItems[static_cast<std::size_t>(defs.monitorCount++)] = MonitorRow(row);
  } else if (section == Section::Err && defs.errorCount < kErrorBitCapacity) {
    defs.errorBits[static_cast<std::size_t>(defs.errorCount++)] =
        ErrorBitDef{RowTag(row), TextField(row, "name")};
  }
}

}  // namespace

void LoadMonitorRows(std::span<const std::uint8_t> text, DefinitionSet& defs) {
  defs.monitorCount = 0;
  defs.errorCount = 0;
  RowScanner scanner(text);
  Section section = Section::None;
  std::string row;
  while (scanner.Next(row)) {
    const Section opened = RowSection(row);
    if (opened != Section::None) {
      section = opened;
    } else {
      StoreMonitorRow(row, section, defs);
    }
  }
}

int RefusalMessageId(LoadResult result) {
  switch (result) {
    case LoadResult::UnsupportedModel:
      return kMsgUnsupportedModel;
    case LoadResult::OldVersion:
      return kMsgOldVersion;
    case LoadResult::Loaded:
      break;
  }
  return 0;
}

bool ComPageOffered(const ParameterImage& image) {
  return !BytesAre(image, kAddrHardwareCode, kHiddenComCode);
}

LoadResult ChoosePageText(const ParameterImage& image, int* textId) {
  if (!BytesAre(image, kAddrModelCode, kModelCode)) {
    return LoadResult::UnsupportedModel;
  }
  const std::uint32_t version = image.ReadBigEndian(kAddrVersion, kVersionBytes);
  for (const VersionChoice& choice : kVersionChoices) {
    if (version >= choice.firstVersion) {
      if (textId != nullptr) {
        *textId = choice.textId;
      }
      return LoadResult::Loaded;
    }
  }
  return LoadResult::OldVersion;
}

LoadResult LoadDefinitionSet(const ParameterImage& image, DefinitionSet& defs) {
  defs.paramCount = 0;
  int textId = 0;
  const LoadResult choice = ChoosePageText(image, &textId);
  if (choice != LoadResult::Loaded) {
    return choice;
  }
  LoadPageRows(res::PageText(textId), image, defs);
  LoadMonitorRows(res::MonitorText(kMonitorTextId), defs);
  defs.pageTextId = textId;
  return LoadResult::Loaded;
}

}  // namespace tarn
