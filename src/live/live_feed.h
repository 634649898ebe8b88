// Where the samples of the monitor's poll go on the UI thread: the error
// history, the chart series and the recording, kept for the whole run (also
// while the monitor page is hidden), and the windows that listen. The
// monitor page owns one and hands it every sample after its own display.
//
// Threading: the UI thread only.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/definitions.h"
#include "live/chart_series.h"
#include "live/error_history.h"
#include "live/live_sample.h"
#include "live/recorder.h"

namespace tarn {

class LiveFeed {
 public:
  using Listener = std::function<void(const LiveSample&)>;

  explicit LiveFeed(const DefinitionSet& defs);

  // Starts recording into `path` with the next poll; see Recorder::Start.
  bool StartRecording(const std::filesystem::path& path, std::string* error,
                      char separator = ',');
  void StopRecording() { recorder_.Stop(); }

  // Passes `sample` to the history, the chart and the recording, then to the
  // listeners. A recording that fails to write ends; its reason is kept in
  // RecordingError() until the next StartRecording.
  void Take(const LiveSample& sample);

  // Called after every sample is taken; returns an id for RemoveListener.
  int AddListener(Listener listener);
  void RemoveListener(int id);

  ErrorHistory& History() { return history_; }
  ChartSeries& Chart() { return chart_; }
  const Recorder& Recording() const { return recorder_; }
  const std::string& RecordingError() const { return recordingError_; }

 private:
  ErrorHistory history_;
  ChartSeries chart_;
  Recorder recorder_;
  std::string recordingError_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListener_ = 1;
};

}  // namespace tarn
