#include "monitor/monitor_page.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string>

#include "live/live_poll.h"
#include "live/monitor_display.h"

namespace tarn {

namespace {

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

struct CMonitor1Dlg::Impl {
  Impl(ControllerLink& link, const DefinitionSet& defs) : poll(link), feed(defs) {}

  LivePoll poll;

  // UI-thread state.
  LiveFeed feed;
  ErrorRotation rotation;
  bool setUp = false;
  int errorEditId = 0;
  bool shownSuccess = false;
  // Posted samples are shown only while this lives; reset on the UI thread
  // when the page goes, so a late sample never touches a destroyed page.
  std::shared_ptr<int> alive = std::make_shared<int>(0);
};

CMonitor1Dlg::CMonitor1Dlg(ui::Host& host, Session& session)
    : ui::Dialog(host, kTemplateMonitor),
      session_(session),
      impl_(std::make_unique<Impl>(session.link, session.defs)) {}

CMonitor1Dlg::~CMonitor1Dlg() {
  StopPolling();
  impl_->alive.reset();
}

void CMonitor1Dlg::StopPolling() {
  impl_->poll.Stop();
}

LiveFeed& CMonitor1Dlg::Live() {
  return impl_->feed;
}

void CMonitor1Dlg::OnShowWindow(bool show) {
  if (!show) {
    // Hiding always ends the poll, so nothing else meets it on the link.
    StopPolling();
    return;
  }
  if (!session_.flags.imageRead) return;
  if (!impl_->setUp) SetUpSlots();
  impl_->poll.Start([this, alive = std::weak_ptr<int>(impl_->alive)](const LiveSample& sample) {
    host().PostToUi([this, alive, sample] {
      if (alive.lock()) OnSample(sample);
    });
  });
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

void CMonitor1Dlg::OnSample(const LiveSample& sample) {
  ShowValues(sample);
  ShowStatus(sample.Answered());
  impl_->feed.Take(sample);
}

void CMonitor1Dlg::ShowValues(const LiveSample& sample) {
  const DefinitionSet& defs = session_.defs;
  const bool errorTick = sample.tick % kErrorDisplayEveryTicks == 0;
  for (int i = 0; i < ShownItemCount(defs); ++i) {
    const MonitorItemDef& item = defs.monitorItems[static_cast<std::size_t>(i)];
    if (!ItemFits(item)) continue;
    std::optional<std::u16string> text;
    // A value whose reply did not come is blank, not the last one received
    // passing for live; it comes back with the next answer.
    if (!IsFresh(item, sample)) {
      text = std::u16string();
    } else if (!IsErrorItem(item)) {
      text = FormatItem(item, sample.block);
    } else if (errorTick) {
      text = impl_->rotation.Step(ReadWord(item, sample.block), ErrorNames(defs));
    }
    if (text) SetText(SlotEditId(i), *text);
  }
}

void CMonitor1Dlg::ShowStatus(bool success) {
  SetText(kMonitorStatusBoxId, success ? kPollSuccess : kPollFailure);
  // The box repaints in its other colour only when the outcome turned.
  if (impl_->shownSuccess == success) return;
  impl_->shownSuccess = success;
  InvalidateColor(kMonitorStatusBoxId);
}

}  // namespace tarn
