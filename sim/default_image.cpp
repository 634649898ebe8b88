// The simulated controller's image when no file is given: a plausible
// controller of model "QX", voltage class "48", software version 01 09.
#include <cstring>

#include "sim/simulator.h"

namespace tarn::sim {
namespace {

struct Field {
  std::uint16_t address;
  std::uint8_t size;  // bytes, big-endian
  std::uint32_t value;
};

// Every parameter the pages show, with a value inside its accepted range,
// plus a few hidden ones (zero points, temperatures) that a real controller
// carries. Everything not listed is 0.
constexpr Field kFields[] = {
    {16, 4, 0x01090000},  // software version 01 09
    {20, 1, 0x47},        // flags: interlocks on, three gears
    {21, 1, 0x01},        // flags: foot switch on
    {22, 1, 30},
    {23, 2, 48},
    {25, 2, 38},
    {27, 2, 58},
    {29, 2, 512},
    {31, 2, 1024},
    {33, 2, 2048},
    {35, 2, 2046},
    {37, 1, 80},
    {38, 1, 70},
    {40, 2, 1985},
    {42, 2, 1992},
    {44, 2, 1989},
    {52, 2, 40},
    {56, 1, 85},
    {57, 1, 95},
    {58, 1, 85},
    {59, 1, 80},
    {60, 1, 50},
    {67, 1, 25},
    {69, 1, 25},
    {70, 1, 100},
    {71, 1, 85},
    {72, 1, 50},
    {73, 1, 75},
    {92, 1, 10},
    {93, 1, 90},
    {94, 1, 10},
    {95, 1, 1},
    {96, 1, 20},
    {97, 1, 80},
    {98, 1, 50},
    {99, 1, 50},
    {100, 1, 1},
    {101, 1, 20},
    {102, 1, 80},
    {105, 2, 300},
    {107, 2, 4500},
    {109, 1, 100},
    {110, 1, 60},
    {111, 1, 70},
    {112, 1, 50},
    {113, 1, 40},
    {114, 1, 30},
    {126, 1, 0},
    {127, 1, 16},
    // Control page.
    {128, 2, 1200},
    {130, 2, 300},
    {134, 2, 1200},
    {136, 2, 300},
    {140, 2, 800},
    {142, 2, 200},
    {144, 2, 500},
    {200, 2, 1000},
    {202, 2, 100},
    {204, 2, 1000},
    {206, 2, 100},
    {226, 1, 20},
    {230, 1, 10},
    {231, 1, 15},
    {239, 1, 15},
    {240, 1, 5},
    {241, 1, 10},
    {242, 1, 5},
    {243, 1, 30},
    {244, 1, 25},
    {245, 1, 20},
    {246, 2, 3000},
    {248, 2, 500},
    {250, 2, 2000},
    {252, 2, 100},
    {254, 2, 300},
    // Motor page.
    {256, 2, 48},
    {258, 2, 150},
    {260, 2, 50},
    {262, 2, 1450},
    {264, 2, 200},
    {266, 2, 6000},
    {268, 1, 8},
    {269, 1, 2},
    {272, 1, 4},
    {310, 2, 40},
    {318, 1, 1},
    {319, 1, 130},
    {320, 1, 110},
    {321, 1, 100},
    {322, 1, 50},
    {332, 2, 512},
    {334, 2, 300},
    {336, 2, 900},
    {338, 2, 100},
    {340, 1, 0},
    {341, 2, 0},
    {343, 1, 5},
    {344, 1, 4},
    {345, 1, 6},
    {346, 1, 2},
    {347, 1, 3},
    {348, 1, 1},
    {349, 1, 1},
    {350, 1, 2},
    {351, 1, 3},
    {352, 1, 4},
    // Communication page.
    {498, 1, 0x27},
};

constexpr char kModuleName[] = "AQX48B01";
constexpr char kCustomer[] = "DEMO";
constexpr std::uint8_t kSerialNumber[] = {0x21, 0x07, 0x00, 0x35};
constexpr char kHardwareCode[] = "A1";

constexpr std::size_t kAddrModuleName = 0;
constexpr std::size_t kAddrCustomer = 8;
constexpr std::size_t kAddrSerialNumber = 12;
constexpr std::size_t kAddrHardwareCode = 84;
constexpr unsigned kByteBits = 8;

void Put(Image& image, std::size_t address, const void* bytes, std::size_t count) {
  std::memcpy(image.data() + address, bytes, count);
}

}  // namespace

Image DefaultImage() {
  Image image{};
  Put(image, kAddrModuleName, kModuleName, sizeof(kModuleName) - 1);
  Put(image, kAddrCustomer, kCustomer, sizeof(kCustomer) - 1);
  Put(image, kAddrSerialNumber, kSerialNumber, sizeof(kSerialNumber));
  Put(image, kAddrHardwareCode, kHardwareCode, sizeof(kHardwareCode) - 1);
  for (const Field& field : kFields) {
    for (std::size_t j = 0; j < field.size; ++j) {
      image[field.address + j] =
          static_cast<std::uint8_t>(field.value >> (kByteBits * (field.size - 1 - j)));
    }
  }
  return image;
}

}  // namespace tarn::sim
