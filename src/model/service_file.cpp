#include "model/service_file.h"

#include <algorithm>
#include <string_view>

#include "model/definition_loader.h"
#include "model/text_numbers.h"

namespace tarn {

namespace {

constexpr char16_t kReplacement = u'_';
constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;
// Not allowed in a Windows file name; '/' not in a Linux one either.
constexpr std::u16string_view kForbidden = u"<>:\"/\\|?*";
constexpr std::u16string_view kImageSuffix = u".bin";
constexpr unsigned kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0xF;
constexpr std::size_t kYearDigits = 4;
constexpr std::size_t kMonthDayDigits = 2;

std::u16string HexBytes(const ParameterImage& image, std::size_t address, std::size_t count,
                        std::u16string_view digits) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t byte = image[address + i];
    text += digits[(byte >> kNibbleBits) & kNibbleMask];
    text += digits[byte & kNibbleMask];
  }
  return text;
}

// Decimal with leading zeros up to `width` digits.
std::u16string Digits(std::int64_t value, std::size_t width) {
  std::u16string text = numbers::DecimalText(value);
  if (text.size() < width) {
    text.insert(0, width - text.size(), u'0');
  }
  return text;
}

std::u16string FileNamePart(std::u16string_view text) {
  std::u16string part;
  for (const char16_t c : text) {
    const bool printable = c >= kFirstPrintable && c <= kLastPrintable;
    part += printable && kForbidden.find(c) == std::u16string_view::npos ? c : kReplacement;
  }
  return part;
}

}  // namespace

FileFit CheckImageFile(std::span<const std::uint8_t> bytes, const DefinitionSet& loaded,
                       ParameterImage* image) {
  if (bytes.size() != kImageSize) {
    return FileFit::WrongSize;
  }
  ParameterImage candidate;
  std::copy(bytes.begin(), bytes.end(), candidate.bytes.begin());
  int textId = 0;
  switch (ChoosePageText(candidate, &textId)) {
    case LoadResult::UnsupportedModel:
      return FileFit::UnsupportedModel;
    case LoadResult::OldVersion:
      return FileFit::OldVersion;
    case LoadResult::Loaded:
      break;
  }
  if (textId != loaded.pageTextId) {
    return FileFit::OtherGeneration;
  }
  if (image != nullptr) {
    *image = candidate;
  }
  return FileFit::Fits;
}

std::u16string ModuleNameText(const ParameterImage& image) {
  std::u16string text;
  for (std::size_t i = 0; i < kModuleNameSize && image[kAddrModuleName + i] != 0; ++i) {
    text += static_cast<char16_t>(image[kAddrModuleName + i]);
  }
  return text;
}

std::u16string SerialNumberText(const ParameterImage& image) {
  return HexBytes(image, kAddrSerialNumber, kSerialNumberFieldSize, u"0123456789abcdef");
}

std::u16string VersionText(const ParameterImage& image) {
  return HexBytes(image, kAddrVersion, kVersionFieldSize, u"0123456789abcdef");
}

std::u16string DateText(std::chrono::year_month_day date) {
  return Digits(static_cast<int>(date.year()), kYearDigits) + u"-" +
         Digits(static_cast<unsigned>(date.month()), kMonthDayDigits) + u"-" +
         Digits(static_cast<unsigned>(date.day()), kMonthDayDigits);
}

std::u16string ProposedFileName(const ParameterImage& image, std::chrono::year_month_day date) {
  const std::u16string serial =
      HexBytes(image, kAddrSerialNumber, kSerialNumberFieldSize, u"0123456789ABCDEF");
  return FileNamePart(ModuleNameText(image)) + u"_" + serial + u"_" + DateText(date) +
         std::u16string(kImageSuffix);
}

}  // namespace tarn
