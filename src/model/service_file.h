// Saved images as service files: whether a file fits the connected
// controller, the name proposed for a new one, and the identity texts that
// name a controller. Pure functions on bytes; the callers open the files.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

// Why a file cannot be loaded into the connected controller's image.
enum class FileFit {
  Fits,
  WrongSize,         // not exactly 512 bytes
  UnsupportedModel,  // its model code is not one the tool supports
  OldVersion,        // its software version is older than any definitions
  OtherGeneration,   // it selects other definitions than the loaded ones, so
                     // its values lie at other addresses
};

// Checks `bytes` against the definitions loaded for the connected controller,
// with the loader's own choice of definitions. On Fits, `image` (if given)
// receives the bytes; otherwise it is left alone.
FileFit CheckImageFile(std::span<const std::uint8_t> bytes, const DefinitionSet& loaded,
                       ParameterImage* image);

// The identity fields as the vehicle page shows them: the module name up to
// its first zero byte, the serial number and the version in hexadecimal.
std::u16string ModuleNameText(const ParameterImage& image);
std::u16string SerialNumberText(const ParameterImage& image);
std::u16string VersionText(const ParameterImage& image);

// The date as YYYY-MM-DD.
std::u16string DateText(std::chrono::year_month_day date);

// The name proposed for a saved image: module name, serial number and date,
// for example 1QX48A01_0001A2B3_2026-12-09.bin. Characters that are not
// printable ASCII or that a file name cannot carry on Windows or Linux become
// '_'.
std::u16string ProposedFileName(const ParameterImage& image, std::chrono::year_month_day date);

}  // namespace tarn
