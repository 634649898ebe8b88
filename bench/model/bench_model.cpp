// Time to choose, scan and load the definitions: one page text and the monitor
// text, as the program does once at start-up. Prints the median and the best
// of many runs for each built-in page text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "model/definition_loader.h"

namespace {

constexpr int kRuns = 200;
constexpr double kTargetMs = 2.0;

struct Text {
  int id;
  std::uint8_t versionLow;
};
constexpr Text kTexts[] = {{165, 0x09}, {162, 0x07}, {153, 0x05}, {140, 0x04}};

tarn::ParameterImage ImageFor(const Text& text) {
  tarn::ParameterImage image;
  const char module[] = "MQX48TRN";
  std::copy(module, module + tarn::kModuleNameSize, image.bytes.begin());
  image[tarn::kAddrVersion] = 0x01;
  image[tarn::kAddrVersion + 1] = text.versionLow;
  return image;
}

}  // namespace

int main() {
  auto defs = std::make_unique<tarn::DefinitionSet>();
  double worstMedian = 0;
  for (const Text& text : kTexts) {
    const tarn::ParameterImage image = ImageFor(text);
    std::vector<double> ms;
    ms.reserve(kRuns);
    for (int run = 0; run < kRuns; ++run) {
      const auto start = std::chrono::steady_clock::now();
      const tarn::LoadResult result = tarn::LoadDefinitionSet(image, *defs);
      const auto stop = std::chrono::steady_clock::now();
      if (result != tarn::LoadResult::Loaded || defs->pageTextId != text.id) {
        std::printf("page text %d: not loaded\n", text.id);
        return 1;
      }
      ms.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    worstMedian = std::max(worstMedian, median);
    std::printf(
        "load page text %d (%d rows) + monitor text 137 (%d items, %d errors): "
        "median %.3f ms, best %.3f ms\n",
        text.id, defs->paramCount, defs->monitorCount, defs->errorCount, median, ms.front());
  }
  std::printf("worst median %.3f ms, target under %.1f ms: %s\n", worstMedian, kTargetMs,
              worstMedian < kTargetMs ? "met" : "missed");
  return 0;
}
