#include "live/recorder.h"

#include <cerrno>
#include <system_error>

#include "model/csv.h"
#include "model/image_file.h"
#include "live/wall_time.h"
#include "resources/embedded.h"

namespace tarn {
namespace {

constexpr std::u16string_view kTimeHeader = u"Time";
constexpr std::u16string_view kSecondsHeader = u"Seconds";
constexpr std::u16string_view kPollHeader = u"Poll";
constexpr std::u16string_view kPollSuccess = u"Success!";
constexpr std::u16string_view kPollFailure = u"Failure!";
constexpr std::size_t kLeadingColumns = 3;  // time, seconds, poll

std::string FileError(const std::filesystem::path& path, int code) {
  return Utf8Of(path) + ": " + std::generic_category().message(code);
}

// "12.400": whole milliseconds, written without the C library's locale (a
// front end may have set one with a decimal comma).
std::string SecondsText(std::chrono::steady_clock::duration elapsed) {
  constexpr long long kMillisPerSecond = 1000;
  const long long millis = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  std::string fraction = std::to_string(millis % kMillisPerSecond);
  fraction.insert(0, 3 - fraction.size(), '0');
  return std::to_string(millis / kMillisPerSecond) + "." + fraction;
}

}  // namespace

Recorder::Recorder(const DefinitionSet& defs) : defs_(defs) {}

bool Recorder::Start(const std::filesystem::path& path, std::chrono::steady_clock::time_point began,
                     std::string* error, char separator) {
  Stop();
  path_ = path;
  separator_ = separator;
  columns_ = LiveColumns(defs_);
  began_ = began;
  rows_ = 0;
  bytes_ = 0;
  errno = 0;
  // Binary: the rows carry their own CR LF on every system.
  file_.open(path, std::ios::binary | std::ios::trunc);
  if (!file_.is_open()) {
    *error = FileError(path, errno != 0 ? errno : EIO);
    return false;
  }
  std::vector<std::string> header = {res::EncodeUtf8(kTimeHeader), res::EncodeUtf8(kSecondsHeader),
                                     res::EncodeUtf8(kPollHeader)};
  for (const LiveColumn& column : columns_) header.push_back(res::EncodeUtf8(column.header));
  return WriteAndFlush(std::string(csv::kByteOrderMark) + csv::Row(header, separator_), error);
}

bool Recorder::Take(const LiveSample& sample, std::string* error) {
  // A poll taken before the recording began (its sample was still on the
  // way to the UI thread) is not part of it.
  if (!IsRecording() || sample.steadyTime < began_) return true;
  std::vector<std::string> fields;
  fields.reserve(kLeadingColumns + columns_.size());
  fields.push_back(IsoLocalTime(sample.wallTime));
  fields.push_back(SecondsText(sample.steadyTime - began_));
  fields.push_back(res::EncodeUtf8(sample.Complete() ? kPollSuccess : kPollFailure));
  for (const LiveColumn& column : columns_) fields.push_back(ColumnText(column, sample, defs_));
  if (!WriteAndFlush(csv::Row(fields, separator_), error)) return false;
  ++rows_;
  return true;
}

void Recorder::Stop() {
  if (file_.is_open()) file_.close();
  file_.clear();
}

bool Recorder::WriteAndFlush(const std::string& text, std::string* error) {
  errno = 0;
  file_.write(text.data(), static_cast<std::streamsize>(text.size()));
  file_.flush();
  if (file_.good()) {
    bytes_ += text.size();
    return true;
  }
  *error = FileError(path_, errno != 0 ? errno : EIO);
  Stop();
  // A row that went out only in part (a full disk) is cut off again, so the
  // file ends with the last whole row and stays a valid CSV.
  std::error_code ignored;
  if (std::filesystem::file_size(path_, ignored) > bytes_) {
    std::filesystem::resize_file(path_, bytes_, ignored);
  }
  return false;
}

std::u16string RecordingStatusText(const Recorder& recorder) {
  const std::string rows = std::to_string(recorder.Rows());
  return u"Recording " + res::DecodeUtf8(Utf8Of(recorder.Path().filename())) + u": " +
         std::u16string(rows.begin(), rows.end()) + (recorder.Rows() == 1 ? u" row" : u" rows");
}

}  // namespace tarn
