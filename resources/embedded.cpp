#include "resources/embedded.h"

#include <charconv>
#include <optional>

namespace tarn::res {

extern const EmbeddedFile kEmbeddedFiles[];

std::span<const std::uint8_t> Find(std::string_view name) {
  for (const EmbeddedFile* file = kEmbeddedFiles; file->name != nullptr; ++file) {
    if (name == file->name) {
      return {file->data, file->size};
    }
  }
  return {};
}

std::span<const std::uint8_t> PageText(int id) {
  return Find("page_" + std::to_string(id) + ".txt");
}

std::span<const std::uint8_t> MonitorText(int id) {
  return Find("monitor_" + std::to_string(id) + ".txt");
}

namespace {

// One line of strings.txt: the id, a TAB, the text. "\r" and "\n" in the text
// stand for CR and LF, so a message of several lines stays on one line here.
std::optional<std::string> EntryText(std::string_view line, int id) {
  const auto tab = line.find('\t');
  if (tab == std::string_view::npos) {
    return std::nullopt;
  }
  int lineId = 0;
  const auto [ptr, ec] = std::from_chars(line.data(), line.data() + tab, lineId);
  if (ec != std::errc{} || ptr != line.data() + tab || lineId != id) {
    return std::nullopt;
  }
  std::string text;
  for (std::size_t i = tab + 1; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == 'r' || line[i + 1] == 'n')) {
      text += line[i + 1] == 'r' ? '\r' : '\n';
      ++i;
    } else if (line[i] != '\r') {
      text += line[i];
    }
  }
  return text;
}

}  // namespace

std::u16string String(int id) {
  const auto bytes = Find("strings.txt");
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::size_t start = 0;
  while (start < all.size()) {
    auto end = all.find('\n', start);
    if (end == std::string_view::npos) {
      end = all.size();
    }
    if (auto text = EntryText(all.substr(start, end - start), id)) {
      return DecodeUtf8(*text);
    }
    start = end + 1;
  }
  return {};
}

}  // namespace tarn::res
