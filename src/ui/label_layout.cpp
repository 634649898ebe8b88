#include "ui/label_layout.h"

#include <algorithm>

namespace tarn::ui {
namespace {

constexpr char16_t kSpace = u' ';

std::vector<std::u16string_view> WordsOf(std::u16string_view text) {
  std::vector<std::u16string_view> words;
  std::size_t start = 0;
  while (start < text.size()) {
    if (text[start] == kSpace) {
      ++start;
      continue;
    }
    const std::size_t end = std::min(text.find(kSpace, start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  return words;
}

std::u16string Joined(std::vector<std::u16string_view>::const_iterator begin,
                      std::vector<std::u16string_view>::const_iterator end) {
  std::u16string joined;
  for (auto word = begin; word != end; ++word) {
    if (!joined.empty()) joined.push_back(kSpace);
    joined.append(*word);
  }
  return joined;
}

// The longest start of `text` that fits with an ellipsis after it; a space
// before the cut is dropped.
std::u16string Elided(std::u16string_view text, double width, const TextWidth& widthOf) {
  for (std::size_t length = text.size(); length > 0; --length) {
    std::u16string shown(text.substr(0, length));
    while (!shown.empty() && shown.back() == kSpace) shown.pop_back();
    shown.push_back(kEllipsis);
    if (widthOf(shown) <= width) return shown;
  }
  return std::u16string(1, kEllipsis);
}

}  // namespace

bool IsRowLabel(const ControlTemplate& control) {
  return control.kind == ControlKind::StaticText && control.align == TextAlign::Left &&
         !control.staticEdge && !control.centerVertically && control.cy <= kLabelHeight;
}

LabelLines LayOutLabel(std::u16string_view text, double width, int lineRoom,
                       const TextWidth& widthOf) {
  const int room = std::max(1, lineRoom);
  const std::vector<std::u16string_view> words = WordsOf(text);
  LabelLines layout;
  auto next = words.begin();
  while (next != words.end()) {
    if (static_cast<int>(layout.lines.size()) + 1 == room || widthOf(*next) > width) {
      // The last line, or a word too long for any line: what is left goes
      // here, cut with an ellipsis if it must be.
      const std::u16string rest = Joined(next, words.end());
      layout.cut = widthOf(rest) > width;
      layout.lines.push_back(layout.cut ? Elided(rest, width, widthOf) : rest);
      break;
    }
    std::u16string line(*next++);
    while (next != words.end()) {
      std::u16string longer = line + kSpace;
      longer.append(*next);
      if (widthOf(longer) > width) break;
      line = std::move(longer);
      ++next;
    }
    layout.lines.push_back(std::move(line));
  }
  return layout;
}

int ChooseLabelPercent(std::size_t count, const CutAt& cutAt) {
  std::vector<std::size_t> fitting;
  for (std::size_t label = 0; label < count; ++label) {
    if (!cutAt(label, kLabelFloorPercent)) fitting.push_back(label);
  }
  for (int percent = kLabelFullPercent; percent > kLabelFloorPercent;
       percent -= kLabelStepPercent) {
    const bool allFit = std::none_of(fitting.begin(), fitting.end(),
                                     [&](std::size_t label) { return cutAt(label, percent); });
    if (allFit) return percent;
  }
  return kLabelFloorPercent;
}

}  // namespace tarn::ui
