// The differences between the controller's image and another one (a saved
// file), row by row as the pages show them, and taking chosen values over.
// Pure functions: nothing here opens a file or talks to the controller.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "model/definitions.h"
#include "model/page_layout.h"
#include "model/parameter_image.h"

namespace tarn {

// Whether a differing value may be taken from the other image, and if not,
// why.
enum class Taking {
  Allowed,
  Identity,    // lies in bytes 0-19: module name, customer, serial number, version
  ReadOnly,    // the page takes no input for it
  OutOfRange,  // the other image's value fails the row's range check
};

struct Difference {
  ShownRow row;                    // page, place and label
  std::u16string controllerValue;  // as the page shows it
  std::u16string otherValue;       // as the page would show it
  Taking taking = Taking::Allowed;
};

// One entry for every row the pages show with a value (a check box's bit, an
// edit's text) whose bits differ between the two images, in page order. The
// range check uses the ranges in `defs`, which the controller's voltage class
// set when they were loaded.
std::vector<Difference> CompareImages(const DefinitionSet& defs, const ParameterImage& controller,
                                      const ParameterImage& other);

// Copies the values of the chosen entries from `other` into `image`: the
// bytes of a value, the single bit of a flag, and nothing else. An entry that
// may not be taken is skipped, whatever its `taking` says: the verdict is made
// anew from the row and `other`. Returns how many values were taken.
int ApplyDifferences(std::span<const Difference> chosen, const ParameterImage& other,
                     ParameterImage& image);

}  // namespace tarn
