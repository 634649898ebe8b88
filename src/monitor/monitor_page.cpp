#include "monitor/monitor_page.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "monitor/monitor_display.h"
#include "ui/periodic_timer.h"

namespace tarn {

namespace {

constexpr std::chrono::milliseconds kPollPeriod{200};
constexpr std::u16string_view kStatusCaption = u"Status";
constexpr std::u16string_view kPollSuccess = u"Success!";
constexpr std::u16string_view kPollFailure = u"Failure!";

// The items that get a slot: table order, at most one per slot.
int ShownItemCount(const DefinitionSet& defs) {
  return std::clamp(defs.monitorCount, 0, kMonitorSlotCount);
}

std::span<const ErrorBitDef> ErrorNames(const DefinitionSet& defs) {
  const int count = std::clamp(defs.errorCount, 0, kErrorBitCapacity);
  return {defs.errorBits.data(), static_cast<std::size_t>(count)};
}

}  // namespace

// What one tick hands to the UI thread.
struct CMonitor1Dlg::Update {
  bool success = false;
  std::vector<std::pair<int, std::u16string>> texts;
};

struct CMonitor1Dlg::Impl {
  // Poll state: used only by the tick. Ticks run one after another (a new
  // timer thread starts only after the previous one was joined), so no lock.
  MonitorBlock block{};
  std::uint8_t tickCounter = 0;
  ErrorRotation rotation;

  // UI-thread state.
  bool setUp = false;
  int errorEditId = 0;
  bool shownSuccess = false;
  // Posted updates run only while this lives; reset on the UI thread when
  // the page goes, so a late update never touches a destroyed page.
  std::shared_ptr<int> alive = std::make_shared<int>(0);

  ui::PeriodicTimer timer;
};

CMonitor1Dlg::CMonitor1Dlg(ui::Host& host, Session& session)
    : ui::Dialog(host, kTemplateMonitor), session_(session), impl_(std::make_unique<Impl>()) {}

CMonitor1Dlg::~CMonitor1Dlg() {
  StopPolling();
  impl_->alive.reset();
}

void CMonitor1Dlg::StopPolling() {
  impl_->timer.Stop();
}

void CMonitor1Dlg::OnShowWindow(bool show) {
  if (!show) {
    // Hiding always ends the poll, so nothing else meets it on the link.
    StopPolling();
    return;
  }
  if (!session_.flags.imageRead) return;
  if (!impl_->setUp) SetUpSlots();
  impl_->timer.Start(kPollPeriod, [this](std::stop_token stop) { MonitorPoll(stop); });
}

// Every item with a slot shows its label, also one whose value the page
// cannot read (an unknown storage, bytes outside the block): its edit stays
// as it is, so the text tells that the controller has such a value.
void CMonitor1Dlg::SetUpSlots() {
  const DefinitionSet& defs = session_.defs;
  for (int i = 0; i < ShownItemCount(defs); ++i) {
    const MonitorItemDef& item = defs.monitorItems[static_cast<std::size_t>(i)];
    ShowControl(SlotLabelId(i), true);
    ShowControl(SlotEditId(i), true);
    SetText(SlotLabelId(i), item.name);
    if (item.format == Format::Hex) impl_->errorEditId = SlotEditId(i);
  }
  impl_->setUp = true;
  SetText(kMonitorStatusLabelId, kStatusCaption);
}

void CMonitor1Dlg::OnEditFocus(int id) {
  const int slot = MonitorSlotOfEdit(id);
  if (slot < 0 || slot >= ShownItemCount(session_.defs)) return;
  SetText(kIdInfoLine, session_.defs.monitorItems[static_cast<std::size_t>(slot)].tips);
}

std::optional<ui::Rgb> CMonitor1Dlg::TextColor(int id) const {
  if (id == kMonitorStatusBoxId) return impl_->shownSuccess ? ui::kGreen : ui::kRed;
  if (id == kIdInfoLine) return ui::kBlue;
  if (impl_->errorEditId != 0 && id == impl_->errorEditId) return ui::kRed;
  return std::nullopt;
}

// One live-data exchange into `third` of the block. A reply with fewer than
// 16 data bytes is refused, so no stale bytes pass for live values.
CMonitor1Dlg::ThirdResult CMonitor1Dlg::PollThird(std::uint8_t command, std::size_t third,
                                                  bool checkCommand, std::stop_token stop) {
  Reply reply;
  const bool received =
      session_.link.Exchange(command, {}, std::chrono::milliseconds{0}, &reply, stop);
  if (stop.stop_requested()) return ThirdResult::Stopped;
  if (!received || reply.length < kLiveDataThird) return ThirdResult::Refused;
  if (checkCommand && reply.command != command) return ThirdResult::Refused;
  std::copy_n(reply.data.begin(), kLiveDataThird,
              impl_->block.begin() + static_cast<std::ptrdiff_t>(third * kLiveDataThird));
  return ThirdResult::Accepted;
}

void CMonitor1Dlg::MonitorPoll(std::stop_token stop) {
  ++impl_->tickCounter;
  const ThirdResult first = PollThird(kCommandLiveData1, 0, true, stop);
  // A stop ends the tick without a display: an exchange cut short says
  // nothing about the controller.
  if (first == ThirdResult::Stopped) return;
  if (PollThird(kCommandLiveData2, 1, false, stop) == ThirdResult::Stopped) return;
  if (PollThird(kCommandLiveData3, 2, false, stop) == ThirdResult::Stopped) return;

  Update update;
  update.success = first == ThirdResult::Accepted;
  BuildTexts(&update);
  host().PostToUi([this, alive = std::weak_ptr<int>(impl_->alive), update = std::move(update)] {
    if (alive.lock()) ApplyUpdate(update);
  });
}

void CMonitor1Dlg::BuildTexts(Update* update) {
  const DefinitionSet& defs = session_.defs;
  const bool errorTick = impl_->tickCounter % kErrorDisplayEveryTicks == 0;
  for (int i = 0; i < ShownItemCount(defs); ++i) {
    const MonitorItemDef& item = defs.monitorItems[static_cast<std::size_t>(i)];
    if (!ItemFits(item)) continue;
    std::optional<std::u16string> text;
    if (!IsErrorItem(item)) {
      text = FormatItem(item, impl_->block);
    } else if (errorTick) {
      text = impl_->rotation.Step(ReadWord(item, impl_->block), ErrorNames(defs));
    }
    if (text) update->texts.emplace_back(SlotEditId(i), std::move(*text));
  }
}

void CMonitor1Dlg::ApplyUpdate(const Update& update) {
  for (const auto& [id, text] : update.texts) SetText(id, text);
  SetText(kMonitorStatusBoxId, update.success ? kPollSuccess : kPollFailure);
  // The box repaints in its other colour only when the outcome turned.
  if (impl_->shownSuccess == update.success) return;
  impl_->shownSuccess = update.success;
  InvalidateColor(kMonitorStatusBoxId);
}

}  // namespace tarn
