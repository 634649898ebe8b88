// Pieces the live-data tests share: a strict reader for the recorded CSV
// files, samples built by hand, and the built-in monitor definitions.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "model/csv.h"
#include "model/definition_loader.h"
#include "monitor/live_sample.h"
#include "resources/embedded.h"

namespace tarn::testing {

using CsvRecord = std::vector<std::string>;

// A file as a spreadsheet program reads it, or why it could not: the
// byte-order mark, then records of fields ended by CR LF, fields quoted
// where they hold a comma, a quote or a line break.
struct CsvFile {
  bool valid = false;
  std::string problem;
  std::vector<CsvRecord> records;
};

inline CsvFile ParseCsv(const std::string& text) {
  CsvFile file;
  if (text.rfind(csv::kByteOrderMark, 0) != 0) {
    file.problem = "no byte-order mark";
    return file;
  }
  CsvRecord record;
  std::string field;
  bool quoted = false;
  bool recordOpen = false;
  for (std::size_t i = csv::kByteOrderMark.size(); i < text.size(); ++i) {
    const char c = text[i];
    recordOpen = true;
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      record.push_back(std::move(field));
      field.clear();
      file.records.push_back(std::move(record));
      record.clear();
      recordOpen = false;
      ++i;
    } else if (c == '\r' || c == '\n') {
      file.problem = "a bare line break at byte " + std::to_string(i);
      return file;
    } else {
      field += c;
    }
  }
  if (quoted || recordOpen) {
    file.problem = "the last record is not ended";
    return file;
  }
  for (const CsvRecord& r : file.records) {
    if (r.size() != file.records.front().size()) {
      file.problem = "records of different lengths";
      return file;
    }
  }
  file.valid = true;
  return file;
}

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
