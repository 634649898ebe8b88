// Recording of live data into a CSV file that spreadsheet programs open:
// UTF-8 with a byte-order mark, a header row naming the columns, then one
// row per poll: the wall-clock time, the seconds since the recording began,
// the poll's outcome, every number item as the page shows it, the error word
// in hexadecimal and the names of the active errors. A value whose bytes did
// not come with the poll is left empty, so a failed poll is a row that says
// "Failure!" with empty values.
//
// Every row is written and flushed as it is taken: pulling the cable or
// ending the program loses at most the row in progress, and the file stays a
// valid CSV.
//
// Threading: one thread (the UI thread) uses a Recorder.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/definitions.h"
#include "live/live_items.h"
#include "live/live_sample.h"

namespace tarn {

class Recorder {
 public:
  explicit Recorder(const DefinitionSet& defs);

  // Creates `path` (or empties it), writes the byte-order mark and the header
  // row; rows count their seconds from `began`. False with *error set to the
  // file's name and the system's reason when the file cannot be written; a
  // recording already running is ended first. Fields are separated by
  // `separator` (',' or ';').
  bool Start(const std::filesystem::path& path, std::chrono::steady_clock::time_point began,
             std::string* error, char separator = ',');
  // Appends the row of `sample` and flushes it. Does nothing when not
  // recording or for a sample taken before the recording began. False when writing failed: the recording has then ended and
  // *error says why.
  bool Take(const LiveSample& sample, std::string* error);
  // Ends the recording and closes the file. Safe to call when not recording.
  void Stop();

  bool IsRecording() const { return file_.is_open(); }
  // Rows written in the current (or last) recording, the header not counted.
  std::int64_t Rows() const { return rows_; }
  const std::filesystem::path& Path() const { return path_; }
  // The columns of the current (or last) recording.
  const std::vector<LiveColumn>& Columns() const { return columns_; }

 private:
  bool WriteAndFlush(const std::string& text, std::string* error);

  const DefinitionSet& defs_;
  std::ofstream file_;
  std::filesystem::path path_;
  std::vector<LiveColumn> columns_;
  std::chrono::steady_clock::time_point began_{};
  std::int64_t rows_ = 0;
  char separator_ = ',';
  std::uintmax_t bytes_ = 0;  // written whole and flushed
};

// What the main window shows while recording: "Recording FILE: N rows".
std::u16string RecordingStatusText(const Recorder& recorder);

}  // namespace tarn
