#include "tools/cli_monitor.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "link/port_list.h"
#include "link/reconnect.h"
#include "model/definition_loader.h"
#include "model/image_file.h"
#include "live/connection_text.h"
#include "live/live_items.h"
#include "live/live_poll.h"
#include "live/recorder.h"
#include "live/wall_time.h"
#include "resources/embedded.h"
#include "tools/cli_session.h"
#include "tools/interrupt.h"

namespace tarn {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitPollsFailed = 1;
constexpr int kExitTrouble = 2;
constexpr std::int64_t kPollsPerSecond = std::chrono::seconds{1} / kLivePollPeriod;
constexpr std::string_view kNotReceived = "-";
constexpr std::chrono::milliseconds kWaitSlice{50};

// The poll's samples on their way from the poll thread to the command's
// thread, which prints or records them; the poll never waits for a terminal
// or a disk.
class SampleQueue {
 public:
  void Push(const LiveSample& sample) {
    std::lock_guard lock(mutex_);
    samples_.push_back(sample);
    arrived_.notify_one();
  }
  // The next sample; nothing once `stop` is requested. Waits in slices that
  // look at the stop request each time: with the Windows build's threads a
  // wake-up can be missed, and a wait without an end would then never end.
  std::optional<LiveSample> Pop(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
      if (arrived_.wait_for(lock, kWaitSlice, [&] { return !samples_.empty(); })) {
        return TakeFront();
      }
    }
    return std::nullopt;
  }
  std::optional<LiveSample> TryPop() {
    std::lock_guard lock(mutex_);
    if (samples_.empty()) return std::nullopt;
    return TakeFront();
  }

 private:
  LiveSample TakeFront() {
    LiveSample sample = samples_.front();
    samples_.pop_front();
    return sample;
  }

  std::mutex mutex_;
  std::condition_variable_any arrived_;
  std::deque<LiveSample> samples_;
};

int Fail(std::ostream& err, std::string_view reason) {
  err << "tarn-cli: " << reason << "\n";
  return kExitTrouble;
}

// Reads the image and loads the definitions the tool would use for this
// controller; a controller the tool refuses is refused here too.
bool LoadDefinitions(CliSession& session, DefinitionSet& defs, ControllerIdentity* identity,
                     std::ostream& err) {
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (!session.flags.imageRead) {
    Fail(err, "reading the image from " + session.connection.connectedPort + " failed");
    return false;
  }
  *identity = ControllerIdentity::Of(image);
  const LoadResult result = LoadDefinitionSet(image, defs);
  if (result != LoadResult::Loaded) {
    Fail(err, res::EncodeUtf8(res::String(RefusalMessageId(result))));
    return false;
  }
  return true;
}

// What the poll's samples become: lines on `out` or rows of a recording.
class Output {
 public:
  Output(const DefinitionSet& defs, std::ostream& out)
      : defs_(defs), columns_(LiveColumns(defs)), out_(out), recorder_(defs) {}

  bool StartRecording(const std::string& path, char separator, std::string* error) {
    return recorder_.Start(PathFromUtf8(path), std::chrono::steady_clock::now(), error, separator);
  }
  bool Recording() const { return recorder_.IsRecording(); }
  std::int64_t Rows() const { return recorder_.Rows(); }
  // Polls taken (printed or recorded) and how many of them failed: not
  // every third of the live data came.
  std::int64_t Taken() const { return taken_; }
  std::int64_t Failed() const { return failed_; }

  // The short names: each item by its tag, the three-digit offset that
  // heads its row in the monitor definition text.
  void PrintLegend(const std::string& port) {
    out_ << "Polling the controller on " << port << " every " << kLivePollPeriod.count() << " ms\n";
    for (const LiveColumn& column : columns_) {
      if (column.kind == LiveColumn::Kind::ActiveErrors) continue;
      out_ << "  " << column.tag << "  "
           << res::EncodeUtf8(defs_.monitorItems[static_cast<std::size_t>(column.item)].name)
           << (column.kind == LiveColumn::Kind::ErrorWord ? " (error word)" : "") << "\n";
    }
    out_.flush();
  }

  bool Take(const LiveSample& sample, std::string* error) {
    ++taken_;
    if (!sample.Complete()) ++failed_;
    NoteGone(sample);
    if (recorder_.IsRecording()) return recorder_.Take(sample, error);
    PrintLine(sample);
    return true;
  }

  // "Recorded 70 polls, 14 failed, into FILE"; the notes between the count
  // and the file name are what a reader needs to trust the rows.
  std::string RecordedSummary(const std::string& path) const {
    std::string summary = "Recorded " + std::to_string(Rows()) + (Rows() == 1 ? " poll" : " polls");
    const std::vector<std::string> notes = SummaryNotes();
    for (const std::string& note : notes) summary += ", " + note;
    if (!notes.empty()) summary += ",";
    return summary + " into " + path;
  }

 private:
  // "TIME Success! 000=25 001=10 ... 016=0x0080 018=1500 ... | High Pedel"
  void PrintLine(const LiveSample& sample) {
    std::string line = IsoLocalTime(sample.wallTime);
    line += sample.Complete() ? " Success!" : " Failure!";
    std::string errors;
    for (const LiveColumn& column : columns_) {
      const std::string text = ColumnText(column, sample, defs_);
      if (column.kind == LiveColumn::Kind::ActiveErrors) {
        errors = text;
        continue;
      }
      line += " " + column.tag + "=" + (text.empty() ? std::string(kNotReceived) : text);
    }
    if (!errors.empty()) line += " | " + errors;
    // Flushed per line, so a pipe or a remote shell sees each poll at once.
    out_ << line << "\n";
    out_.flush();
  }

  // "14 failed: port gone 12:00:03-12:00:05": the failed count, and when the
  // port was out, from the first poll that found it gone to the last one.
  std::vector<std::string> SummaryNotes() const {
    std::vector<std::string> notes;
    if (failed_ == 0) return notes;
    std::string note = std::to_string(failed_) + " failed";
    for (std::size_t i = 0; i < gone_.size(); ++i) {
      note += (i == 0 ? ": port gone " : "; port gone ") + ClockTime(gone_[i].first) + "-" +
              ClockTime(gone_[i].second);
    }
    notes.push_back(note);
    return notes;
  }

  using Span = std::pair<std::chrono::system_clock::time_point, std::chrono::system_clock::time_point>;

  void NoteGone(const LiveSample& sample) {
    if (!sample.portGone) {
      inGone_ = false;
      return;
    }
    if (!inGone_) gone_.push_back({sample.wallTime, sample.wallTime});
    inGone_ = true;
    gone_.back().second = sample.wallTime;
  }

  // "12:00:03" of the local time.
  static std::string ClockTime(std::chrono::system_clock::time_point time) {
    constexpr std::size_t kTimeStart = 11;  // after "YYYY-MM-DDT"
    constexpr std::size_t kTimeLength = 8;
    const std::string iso = IsoLocalTime(time);
    return iso.size() >= kTimeStart + kTimeLength ? iso.substr(kTimeStart, kTimeLength) : iso;
  }

  const DefinitionSet& defs_;
  const std::vector<LiveColumn> columns_;
  std::ostream& out_;
  Recorder recorder_;
  std::int64_t taken_ = 0;
  std::int64_t failed_ = 0;
  std::vector<Span> gone_;  // the spans of polls that found the port gone
  bool inGone_ = false;
};

// The watch's news as lines on stderr, one writer at a time.
class WatchNews {
 public:
  explicit WatchNews(std::ostream& err) : err_(err) {}
  void Tell(LinkWatch::Event event, const std::string& port) {
    std::lock_guard lock(mutex_);
    switch (event) {
      case LinkWatch::Event::Lost:
        err_ << "tarn-cli: " << res::EncodeUtf8(ConnectionLostText(port)) << "\n";
        break;
      case LinkWatch::Event::Restored:
        err_ << "tarn-cli: " << res::EncodeUtf8(kConnectionRestored) << " (" << port << ")\n";
        break;
      case LinkWatch::Event::Other:
        err_ << "tarn-cli: another controller answers on " << port
             << "; it is not polled (start the command again to monitor it)\n";
        break;
    }
    err_.flush();
  }

 private:
  std::mutex mutex_;
  std::ostream& err_;
};

// Takes samples until the limit or the stop, then those the poll had handed
// on before it stopped. False when the output failed.
bool TakeSamples(LivePoll& poll, SampleQueue& queue, Output& output, std::int64_t limit,
                 std::stop_token stop, std::string* error) {
  std::int64_t taken = 0;
  while (taken < limit) {
    const std::optional<LiveSample> sample = queue.Pop(stop);
    if (!sample) break;
    if (!output.Take(*sample, error)) return false;
    ++taken;
  }
  poll.Stop();
  while (taken < limit) {
    const std::optional<LiveSample> sample = queue.TryPop();
    if (!sample) break;
    if (!output.Take(*sample, error)) return false;
    ++taken;
  }
  return true;
}

}  // namespace

int RunMonitor(const MonitorOptions& options, std::ostream& out, std::ostream& err,
               std::stop_token stop) {
  CliSession session(err);
  if (!ConnectController(session, err)) return kExitTrouble;
  auto defs = std::make_unique<DefinitionSet>();
  ControllerIdentity identity;
  if (!LoadDefinitions(session, *defs, &identity, err)) return kExitTrouble;

  Output output(*defs, out);
  std::string error;
  if (!options.csvPath.empty()) {
    if (!output.StartRecording(options.csvPath, options.csvSeparator, &error)) return Fail(err, error);
  } else {
    output.PrintLegend(session.connection.connectedPort);
  }
  const std::int64_t limit = options.seconds > 0 ? options.seconds * kPollsPerSecond
                                                 : std::numeric_limits<std::int64_t>::max();
  SampleQueue queue;
  // While the port is gone the polls fail at once, without traffic, and the
  // watch opens the same port again; polls succeed again by themselves once
  // the same controller answers.
  WatchNews news(err);
  LinkWatch watch(session.link);
  const std::string& port = session.connection.connectedPort;
  watch.Expect(port, StableNameOf(port), identity);
  watch.Start([&news](LinkWatch::Event event, const std::string& name) { news.Tell(event, name); });
  LivePoll poll(session.link);
  std::int64_t handed = 0;  // on the poll thread only
  poll.Start([&](const LiveSample& sample) {
    queue.Push(sample);
    // The poll ends itself after its last tick, so a late reader never
    // costs an extra exchange.
    if (++handed >= limit) poll.Stop();
  });
  const bool taken = TakeSamples(poll, queue, output, limit, stop, &error);
  poll.Stop();
  watch.Stop();
  if (!taken) return Fail(err, error);
  if (output.Recording()) out << output.RecordedSummary(options.csvPath) << "\n";
  return output.Failed() > 0 ? kExitPollsFailed : kExitDone;
}

int RunMonitorUntilInterrupted(const MonitorOptions& options, std::ostream& out,
                               std::ostream& err) {
  std::stop_source stop;
  const StopOnInterrupt interrupt(stop);
  return RunMonitor(options, out, err, stop.get_token());
}

}  // namespace tarn
