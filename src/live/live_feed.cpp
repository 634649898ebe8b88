#include "live/live_feed.h"

#include <algorithm>
#include <chrono>

namespace tarn {

LiveFeed::LiveFeed(const DefinitionSet& defs) : history_(defs), chart_(defs), recorder_(defs) {}

bool LiveFeed::StartRecording(const std::filesystem::path& path, std::string* error,
                              char separator) {
  recordingError_.clear();
  return recorder_.Start(path, std::chrono::steady_clock::now(), error, separator);
}

void LiveFeed::Take(const LiveSample& sample) {
  history_.Take(sample);
  chart_.Take(sample);
  recorder_.Take(sample, &recordingError_);
  // A listener may remove itself or another one (a window closing): each is
  // looked up again before it is called, and added ones wait for the next.
  std::vector<int> ids;
  ids.reserve(listeners_.size());
  for (const auto& entry : listeners_) ids.push_back(entry.first);
  for (const int id : ids) {
    const auto found = std::find_if(listeners_.begin(), listeners_.end(),
                                    [id](const auto& entry) { return entry.first == id; });
    if (found == listeners_.end()) continue;
    const Listener listener = found->second;  // survives its own removal
    listener(sample);
  }
}

int LiveFeed::AddListener(Listener listener) {
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void LiveFeed::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

}  // namespace tarn
