#include "app/live_commands.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "app/file_commands.h"
#include "live/live_items.h"
#include "live/wall_time.h"
#include "resources/embedded.h"

namespace tarn {

namespace {

// Line colours of the chart's series, in the order the items were ticked.
constexpr std::array<ui::Rgb, kMaxChartItems> kSeriesColors = {
    ui::MakeRgb(0x1f, 0x5f, 0xbf),  // blue
    ui::MakeRgb(0xe0, 0x7a, 0x10),  // orange
    ui::MakeRgb(0x20, 0x9a, 0x3c),  // green
    ui::MakeRgb(0x8a, 0x3f, 0xb8),  // purple
};

constexpr std::u16string_view kFourAtMost = u"Four items at most: untick one to choose another.";
constexpr std::u16string_view kPausedHint = u"Paused: the picture holds, the poll goes on.";
constexpr std::u16string_view kPickHint = u"Tick up to four items.";
constexpr std::u16string_view kActiveMark = u"\u25CF";

// Widths of the history's columns in dialog units.
constexpr int kMarkWidth = 12;
constexpr int kNameWidth = 150;
constexpr int kTimeWidth = 72;
constexpr int kPollsWidth = 50;
constexpr int kItemWidth = 118;

// Where the time of day starts in an ISO 8601 time, and its length with
// milliseconds ("10:15:30.200").
constexpr std::size_t kIsoTimeStart = 11;
constexpr std::size_t kIsoTimeLength = 12;

std::u16string Ascii(std::string_view text) {
  return {text.begin(), text.end()};
}

std::u16string TimeOfDay(std::chrono::system_clock::time_point time) {
  const std::string iso = IsoLocalTime(time);
  return Ascii(iso.size() > kIsoTimeStart ? iso.substr(kIsoTimeStart, kIsoTimeLength) : iso);
}

// "live-2025-03-14-101530.csv": the time the recording was asked for.
std::u16string ProposedRecordingName() {
  std::string iso = IsoLocalTime(std::chrono::system_clock::now());
  iso.resize(std::min<std::size_t>(iso.size(), kIsoTimeStart + 8));  // to the seconds
  std::erase(iso, ':');
  std::replace(iso.begin(), iso.end(), 'T', '-');
  return u"live-" + Ascii(iso) + u".csv";
}

std::u16string FileName(const Recorder& recorder) {
  const std::u8string name = recorder.Path().filename().u8string();
  return res::DecodeUtf8(std::string(name.begin(), name.end()));
}

std::u16string RowsText(std::int64_t rows) {
  return Ascii(std::to_string(rows)) + (rows == 1 ? u" row" : u" rows");
}

}  // namespace

// --- The live chart. ---

CLiveChartDlg::CLiveChartDlg(ui::Host& host, const DefinitionSet& defs, LiveFeed& feed)
    : ui::Dialog(host, kTemplateLiveChart), defs_(defs), feed_(feed) {
  listener_ = feed_.AddListener([this](const LiveSample&) {
    if (!Ended() && !feed_.Chart().Paused()) Redraw();
  });
}

CLiveChartDlg::~CLiveChartDlg() {
  feed_.RemoveListener(listener_);
}

void CLiveChartDlg::OnInitDialog() {
  SetListColumns(kIdChartItems, {{u"Item", kItemWidth}});
  FillItems();
  SetCheck(kIdChartPause,
           feed_.Chart().Paused() ? ui::CheckState::Checked : ui::CheckState::Unchecked);
  ShowChoice();
  Redraw();
}

// One row per item that the page shows as a number, named as in a recording.
void CLiveChartDlg::FillItems() {
  rowItems_.clear();
  for (const LiveColumn& column : LiveColumns(defs_)) {
    if (column.kind == LiveColumn::Kind::Number) rowItems_.push_back(column.item);
  }
}

void CLiveChartDlg::OnCommand(int id) {
  if (id == kIdChartPause) {
    feed_.Chart().SetPaused(GetCheck(kIdChartPause) == ui::CheckState::Checked);
    ShowChoice();
    Redraw();
    return;
  }
  ui::Dialog::OnCommand(id);
}

void CLiveChartDlg::OnListCheck(int id, std::size_t row) {
  if (id != kIdChartItems || row >= rowItems_.size()) return;
  Choose(row);
  ShowChoice();
  Redraw();
}

// A ticked item is drawn after those chosen before it; an unticked one goes.
// A choice the series refuses (a fifth item) is not kept.
void CLiveChartDlg::Choose(std::size_t row) {
  std::vector<int> chosen = feed_.Chart().Chosen();
  const int item = rowItems_[row];
  if (List(kIdChartItems).rows[row].check == ui::CheckState::Checked) {
    if (std::find(chosen.begin(), chosen.end(), item) == chosen.end()) chosen.push_back(item);
  } else {
    std::erase(chosen, item);
  }
  feed_.Chart().Choose(chosen);
}

// The ticks show the series' choice; with four chosen the other rows grey.
void CLiveChartDlg::ShowChoice() {
  const std::vector<int>& chosen = feed_.Chart().Chosen();
  const bool full = chosen.size() >= kMaxChartItems;
  std::vector<ui::ListRow> rows;
  rows.reserve(rowItems_.size());
  for (const LiveColumn& column : LiveColumns(defs_)) {
    if (column.kind != LiveColumn::Kind::Number) continue;
    ui::ListRow row;
    row.cells = {column.header};
    const auto place = std::find(chosen.begin(), chosen.end(), column.item);
    const bool ticked = place != chosen.end();
    row.check = ticked ? ui::CheckState::Checked : ui::CheckState::Unchecked;
    row.checkable = ticked || !full;
    if (ticked) row.color = kSeriesColors[static_cast<std::size_t>(place - chosen.begin())];
    rows.push_back(std::move(row));
  }
  SetListRows(kIdChartItems, std::move(rows));
  std::u16string_view hint = full ? kFourAtMost : kPickHint;
  if (feed_.Chart().Paused()) hint = kPausedHint;
  SetText(kIdChartHint, hint);
}

void CLiveChartDlg::Redraw() {
  const ChartSeries& series = feed_.Chart();
  ui::ChartData data;
  data.spanSeconds = std::chrono::duration<double>(kChartSpan).count();
  data.endSeconds = 0;  // the newest sample
  for (std::size_t k = 0; k < series.Chosen().size(); ++k) {
    const MonitorItemDef& item = defs_.monitorItems[static_cast<std::size_t>(series.Chosen()[k])];
    const ChartScale scale = series.Scale(k);
    ui::ChartSeries line;
    line.name = item.name;
    line.color = kSeriesColors[k % kSeriesColors.size()];
    line.min = scale.min;
    line.max = scale.max;
    for (const ChartPoint& point : series.Series(k)) {
      const double value = point.value ? *point.value : std::numeric_limits<double>::quiet_NaN();
      line.points.push_back({point.seconds, value});
    }
    data.series.push_back(std::move(line));
  }
  SetChart(kIdChart, std::move(data));
}

// --- The error history. ---

CErrorHistoryDlg::CErrorHistoryDlg(ui::Host& host, const DefinitionSet& defs, LiveFeed& feed)
    : ui::Dialog(host, kTemplateErrorHistory), defs_(defs), feed_(feed) {
  listener_ = feed_.AddListener([this](const LiveSample&) {
    if (!Ended()) Refill();
  });
}

CErrorHistoryDlg::~CErrorHistoryDlg() {
  feed_.RemoveListener(listener_);
}

void CErrorHistoryDlg::OnInitDialog() {
  SetListColumns(kIdHistoryList, {{u"", kMarkWidth},
                                  {u"Error", kNameWidth},
                                  {u"First seen", kTimeWidth},
                                  {u"Last seen", kTimeWidth},
                                  {u"Polls", kPollsWidth}});
  Refill();
}

void CErrorHistoryDlg::OnCommand(int id) {
  if (id == kIdHistoryClear) {
    feed_.History().Clear();
    Refill();
    return;
  }
  ui::Dialog::OnCommand(id);
}

void CErrorHistoryDlg::Refill() {
  std::vector<ui::ListRow> rows;
  for (const ErrorRecord& record : feed_.History().Records()) {
    ui::ListRow row;
    row.cells = {record.activeNow ? std::u16string(kActiveMark) : std::u16string(),
                 ErrorBitName(record.bit, defs_), TimeOfDay(record.firstSeen),
                 TimeOfDay(record.lastSeen), Ascii(std::to_string(record.polls))};
    if (record.activeNow) row.color = ui::kRed;
    rows.push_back(std::move(row));
  }
  SetListRows(kIdHistoryList, std::move(rows));
}

// --- The menu. ---

LiveCommands::LiveCommands(ui::Dialog& window, const ui::Dialog& monitor, const DefinitionSet& defs,
                           LiveFeed& feed)
    : window_(window), monitor_(monitor), defs_(defs), feed_(feed) {
  listener_ = feed_.AddListener([this](const LiveSample&) { OnSample(); });
  ShowRecordingState();
}

LiveCommands::~LiveCommands() {
  feed_.RemoveListener(listener_);
  feed_.StopRecording();
  for (ui::Dialog* open :
       {static_cast<ui::Dialog*>(chart_.get()), static_cast<ui::Dialog*>(history_.get())}) {
    if (open != nullptr) window_.host().CloseModeless(*open);
  }
}

bool LiveCommands::OnCommand(int id) {
  switch (id) {
    case kIdRecordLive:
      StartRecording();
      return true;
    case kIdStopRecording:
      StopRecording();
      return true;
    case kIdLiveChart:
      Open(chart_);
      return true;
    case kIdErrorHistory:
      Open(history_);
      return true;
    default:
      return false;
  }
}

// A window closed by the user has ended; it is made anew, and finds its
// state in the feed.
template <typename Window>
void LiveCommands::Open(std::unique_ptr<Window>& window) {
  if (window && window->Ended()) {
    window_.host().CloseModeless(*window);
    window.reset();
  }
  if (!window) window = std::make_unique<Window>(window_.host(), defs_, feed_);
  window_.host().ShowModeless(*window, window_);
}

CLiveChartDlg* LiveCommands::Chart() const {
  return chart_ && !chart_->Ended() ? chart_.get() : nullptr;
}

CErrorHistoryDlg* LiveCommands::History() const {
  return history_ && !history_->Ended() ? history_.get() : nullptr;
}

void LiveCommands::StartRecording() {
  ui::FileRequest request;
  request.title = u"Record live data";
  request.proposedName = ProposedRecordingName();
  request.types = CsvFileTypes();
  request.suffix = u"csv";
  std::size_t chosenType = 0;
  request.chosenType = &chosenType;
  const auto path = window_.host().AskFileToSave(request);
  if (!path) return;
  std::string error;
  if (!feed_.StartRecording(*path, &error, CsvSeparatorOf(chosenType))) {
    ShowRecordingState();
    window_.SetStatusBarText(u"");  // no rows were recorded anywhere
    window_.host().ShowMessageWithDetails(kMsgRecordingNotStarted, res::DecodeUtf8(error),
                                          MsgButtons::Ok, MsgIcon::Exclamation);
    return;
  }
  ShowRecordingState();
}

void LiveCommands::StopRecording() {
  feed_.StopRecording();
  ShowRecordingState();
}

// A recording that could not write its row has ended inside the feed: the
// menu and the status bar follow, then the user is told why.
void LiveCommands::OnSample() {
  const bool failed = recording_ && !feed_.Recording().IsRecording();
  ShowRecordingState();
  if (failed) {
    window_.host().ShowMessageWithDetails(kMsgRecordingFailed,
                                          res::DecodeUtf8(feed_.RecordingError()), MsgButtons::Ok,
                                          MsgIcon::Exclamation);
  }
}

void LiveCommands::ShowRecordingState() {
  const Recorder& recorder = feed_.Recording();
  recording_ = recorder.IsRecording();
  window_.EnableMenuItem(kIdRecordLive, !recording_);
  window_.EnableMenuItem(kIdStopRecording, recording_);
  if (recording_) {
    std::u16string text = RecordingStatusText(recorder);
    // Rows come only from the monitor's poll, which runs while its page shows.
    if (!monitor_.IsShown()) text += u" (written while the monitor is shown)";
    window_.SetStatusBarText(text);
  } else if (!recorder.Path().empty()) {
    window_.SetStatusBarText(u"Recorded " + FileName(recorder) + u": " + RowsText(recorder.Rows()));
  }
}

}  // namespace tarn
