// A controller's image for the tests of saved images: a 48 V controller
// with firmware 01.09 (page text 165) whose every shown value lies inside its
// range, and its loaded definitions.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "model/definition_loader.h"
#include "model/page_layout.h"
#include "model/text_numbers.h"
#include "model/value_codec.h"

namespace tarn::testing {

using namespace std::chrono_literals;

inline constexpr std::chrono::year_month_day kDate{2026y, std::chrono::December, 9d};

inline ParameterImage ControllerImage() {
  ParameterImage image;
  image.bytes.fill(0);
  const std::string module = "1QX48A01";
  std::copy(module.begin(), module.end(), image.bytes.begin());
  const std::string customer = "TARN";
  std::copy(customer.begin(), customer.end(), image.bytes.begin() + kAddrCustomer);
  const std::uint8_t serial[] = {0x00, 0x01, 0xA2, 0xB3};
  std::copy(std::begin(serial), std::end(serial), image.bytes.begin() + kAddrSerialNumber);
  image[kAddrVersion] = 0x01;
  image[kAddrVersion + 1] = 0x09;
  auto defs = std::make_unique<DefinitionSet>();
  EXPECT_EQ(LoadDefinitionSet(image, *defs), LoadResult::Loaded);
  for (const ShownRow& row : ShownRows(*defs)) {
    const ParamDef& def = *row.def;
    if (row.shows == Shows::Text && def.en == 1 && def.format != Format::Hex) {
      EXPECT_EQ(StoreText(def, numbers::DecimalText(std::max(def.rangeL, 0)), image),
                StoreResult::Stored);
    }
  }
  return image;
}

class ServiceFiles : public ::testing::Test {
 protected:
  ServiceFiles() : controller(ControllerImage()) {
    EXPECT_EQ(LoadDefinitionSet(controller, *defs), LoadResult::Loaded);
  }

  std::unique_ptr<DefinitionSet> defs = std::make_unique<DefinitionSet>();
  ParameterImage controller;
};

}  // namespace tarn::testing
