// Pieces the live-data tests share: a strict reader for the recorded CSV
// files, samples built by hand, and the built-in monitor definitions.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv.h"
#include "model/definition_loader.h"
#include "live/live_sample.h"
#include "resources/embedded.h"

namespace tarn::testing {

// A monitor item as the loader stores it, codes decoded.
inline MonitorItemDef MonitorItem(int offset, int pro, int pos, std::u16string sw) {
  MonitorItemDef item;
  item.offset = offset;
  item.pro = pro;
  item.pos = pos;
  item.sw = std::move(sw);
  DecodeCodes(item);
  return item;
}

using CsvRecord = std::vector<std::string>;

// A file as a spreadsheet program reads it, or why it could not: the
// byte-order mark, then records ended by CR LF, fields split at commas
// outside quotes. The recordings never hold a line break inside a field.
struct CsvFile {
  bool valid = false;
  std::string problem;
  std::vector<CsvRecord> records;
};

inline CsvRecord SplitFields(std::string_view line) {
  CsvRecord fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += line[++i];
    } else if (line[i] == '"') {
      quoted = !quoted;
    } else if (line[i] == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  return fields;
}

inline CsvFile ParseCsv(std::string_view text) {
  CsvFile file;
  if (!text.starts_with(csv::kByteOrderMark)) file.problem = "no byte-order mark";
  text.remove_prefix(std::min(text.size(), csv::kByteOrderMark.size()));
  while (file.problem.empty() && !text.empty()) {
    const std::size_t end = text.find(csv::kRowEnd);
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) file.problem = "the last record is not ended";
    if (line.find_first_of("\r\n") != std::string_view::npos) file.problem = "a bare line break";
    file.records.push_back(SplitFields(line));
    if (file.records.back().size() != file.records.front().size()) {
      file.problem = "records of different lengths";
    }
    text.remove_prefix(std::min(text.size(), end + csv::kRowEnd.size()));
  }
  file.valid = file.problem.empty();
  return file;
}

// A folder of its own for one test, removed with everything in it.
struct TempDir {
  explicit TempDir(const std::string& name)
      : path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path operator/(const std::string& name) const { return path / name; }
  const std::filesystem::path path;
};

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline CsvFile ReadCsv(const std::filesystem::path& path) {
  return ParseCsv(ReadWhole(path));
}

// The index of the column named `header` in the header record, or -1.
inline int ColumnOf(const CsvFile& file, const std::string& header) {
  if (file.records.empty()) return -1;
  const CsvRecord& names = file.records.front();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == header) return static_cast<int>(i);
  }
  return -1;
}

// The definitions loaded for the simulated controller's model and version.
inline std::unique_ptr<DefinitionSet> BuiltInDefinitions() {
  auto defs = std::make_unique<DefinitionSet>();
  ParameterImage image;
  image[kAddrModelCode] = 'Q';
  image[kAddrModelCode + 1] = 'X';
  image[kAddrVersion] = 0x01;
  image[kAddrVersion + 1] = 0x09;
  EXPECT_EQ(LoadDefinitionSet(image, *defs), LoadResult::Loaded);
  return defs;
}

// A sample `tick` polls after `start`, every third accepted unless said.
inline LiveSample SampleAt(int tick, std::chrono::steady_clock::time_point start = {},
                           std::array<bool, kLiveDataThirds> accepted = {true, true, true}) {
  LiveSample sample;
  sample.steadyTime = start + std::chrono::milliseconds{200} * tick;
  sample.wallTime = std::chrono::system_clock::time_point{} + std::chrono::hours{24 * 365 * 55} +
                    std::chrono::milliseconds{200} * tick;
  sample.accepted = accepted;
  sample.tick = static_cast<std::uint8_t>(tick);
  return sample;
}

// Sets a big-endian word into the block.
inline void PutWord(LiveSample& sample, std::size_t offset, std::uint16_t value) {
  sample.block[offset] = static_cast<std::uint8_t>(value >> 8);
  sample.block[offset + 1] = static_cast<std::uint8_t>(value);
}

inline std::string Utf8(std::u16string_view text) {
  return res::EncodeUtf8(text);
}

}  // namespace tarn::testing
