#include "pages/parameter_page.h"

#include <string>

#include "model/value_codec.h"

namespace tarn {

namespace {

bool HasText(const ParamDef& row) {
  return row.pro == 1 || row.pro == 2;
}

}  // namespace

std::u16string TipsWithRange(const ParamDef& row) {
  return row.tips + u" Range:" + RangeText(row);
}

ParameterPage::ParameterPage(ui::Host& host, Session& session, const Layout& layout)
    : ui::Dialog(host, layout.templateId), session_(session), layout_(layout) {}

void ParameterPage::OnShowWindow(bool show) {
  if (!session_.flags.imageRead) {
    return;
  }
  if (!labelsBuilt_) {
    SetUp();
    labelsBuilt_ = true;
  }
  pageSaved_ = false;
  if (show) {
    Fill();
  } else {
    Save();
  }
}

// Rows beyond the last slot have no place on the page: they are neither shown
// nor stored, so their image bytes stay as the controller sent them.
void ParameterPage::SetUp() {
  SetUpExtras();
  const RowRange range = RowsOfPage(layout_.rows, session_.defs);
  slotRows_.clear();
  for (int index = range.begin; index < range.end; ++index) {
    if (TakesSlot(Row(index)) && static_cast<int>(slotRows_.size()) < layout_.slotCount) {
      slotRows_.push_back(index);
    }
  }
  for (int k = 0; k < static_cast<int>(slotRows_.size()); ++k) {
    const ParamDef& row = Row(slotRows_[k]);
    ShowControl(SlotLabelId(k), true);
    ShowControl(SlotEditId(k), true);
    SetText(SlotLabelId(k), row.name);
    if (row.en == 0) {
      EnableControl(SlotEditId(k), false);
    }
  }
}

void ParameterPage::Fill() {
  FillExtras();
  for (int k = 0; k < static_cast<int>(slotRows_.size()); ++k) {
    const ParamDef& row = Row(slotRows_[k]);
    if (HasText(row)) {
      SetText(SlotEditId(k), FormatValue(row, session_.image));
    }
  }
}

void ParameterPage::Save() {
  SaveExtras();
  for (int k = 0; k < static_cast<int>(slotRows_.size()); ++k) {
    const ParamDef& row = Row(slotRows_[k]);
    if (!HasText(row)) {
      continue;
    }
    // Disabled edits are stored too: they write back the value they showed.
    if (StoreText(row, GetText(SlotEditId(k)), session_.image) == StoreResult::OutOfRange) {
      host().ShowText(RangeMessage(row), MsgButtons::Ok, MsgIcon::Exclamation);
      return;
    }
  }
  pageSaved_ = true;
}

void ParameterPage::OnEditFocus(int id) {
  if (id < kFirstSlotEdit || id > layout_.lastFocusEdit ||
      (id - kFirstSlotEdit) % kSlotIdStep != 0) {
    return;
  }
  const auto slot = static_cast<std::size_t>((id - kFirstSlotEdit) / kSlotIdStep);
  if (slot < slotRows_.size()) {
    SetText(kIdInfoLine, TipsWithRange(Row(slotRows_[slot])));
  }
}

std::optional<ui::Rgb> ParameterPage::TextColor(int id) const {
  if (id == kIdInfoLine) {
    return ui::kBlue;
  }
  return std::nullopt;
}

}  // namespace tarn
