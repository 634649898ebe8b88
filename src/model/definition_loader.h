// Chooses the definition texts for the controller in the image and fills the
// DefinitionSet.
#pragma once

#include <cstdint>
#include <span>

#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

enum class LoadResult {
  Loaded,
  UnsupportedModel,  // model code not "QX": message 157
  OldVersion,        // version below 0x0104: message 156
};

inline constexpr int kMsgOldVersion = 156;
inline constexpr int kMsgUnsupportedModel = 157;

// String-table id of the refusal message, 0 for Loaded.
int RefusalMessageId(LoadResult result);

// Whether the main window offers the communication page button: false for the
// hardware code "7W" in bytes 84-85.
bool ComPageOffered(const ParameterImage& image);

// Page text id chosen for this image (165, 162, 153, 140), or the refusal.
LoadResult ChoosePageText(const ParameterImage& image, int* textId);

// Decodes the row's `pro` and `sw` codes into its storage and format, and
// decides whether the codec can use it. The loader does this for every row it
// stores; a row made by hand must go through it too.
void DecodeCodes(ParamDef& row);
void DecodeCodes(MonitorItemDef& item);

// Fills `defs` from the chosen page text and monitor text 137. On a refusal
// only paramCount is reset.
LoadResult LoadDefinitionSet(const ParameterImage& image, DefinitionSet& defs);

// The two halves of LoadDefinitionSet on a given text: the page rows with their
// markers and the voltage rule (from `image`), and the monitor text's [Dat] and
// [Err] rows. Each resets its own counts; rows beyond a table's capacity are
// dropped.
void LoadPageRows(std::span<const std::uint8_t> text, const ParameterImage& image,
                  DefinitionSet& defs);
void LoadMonitorRows(std::span<const std::uint8_t> text, DefinitionSet& defs);

// Sets the ranges of the voltage limits (rows 25 and 27) anew from the loaded
// page text and the voltage class of `image`, so that a later read of a
// controller of another voltage class is checked against its own limits.
void RefreshVoltageRanges(std::span<const std::uint8_t> text, const ParameterImage& image,
                          DefinitionSet& defs);
void RefreshVoltageRanges(const ParameterImage& image, DefinitionSet& defs);

}  // namespace tarn
