#include "pages/parameter_page.h"

#include <string>

#include "model/value_codec.h"

namespace tarn {

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
  const std::vector<ShownRow> rows = ShownRowsOfPage(session_.defs, layout_.rows);
  SetUpExtras(rows);
  slots_.clear();
  slotRows_.clear();
  for (const ShownRow& row : rows) {
    if (row.place == Place::Slot) {
      slots_.push_back(row);
      slotRows_.push_back(row.index);
    }
  }
  for (const ShownRow& row : slots_) {
    ShowControl(SlotLabelId(row.number), true);
    ShowControl(SlotEditId(row.number), true);
    SetText(SlotLabelId(row.number), row.def->name);
    if (!row.editable) {
      EnableControl(SlotEditId(row.number), false);
    }
  }
}

void ParameterPage::Fill() {
  FillExtras();
  for (const ShownRow& row : slots_) {
    if (row.shows == Shows::Text) {
      SetText(SlotEditId(row.number), ShownValue(row, session_.image));
    }
  }
  InvalidateValueColors();
}

void ParameterPage::InvalidateValueColors() {
  for (const ShownRow& row : slots_) {
    InvalidateColor(SlotEditId(row.number));
  }
}

void ParameterPage::Save() {
  SaveExtras();
  for (const ShownRow& row : slots_) {
    if (row.shows != Shows::Text) {
      continue;
    }
    // Disabled edits are stored too: they write back the value they showed.
    const std::u16string text = GetText(SlotEditId(row.number));
    if (StoreText(*row.def, text, session_.image) == StoreResult::OutOfRange) {
      host().ShowText(RangeMessage(*row.def), MsgButtons::Ok, MsgIcon::Exclamation);
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
  if (slot < slots_.size()) {
    SetText(kIdInfoLine, TipsWithRange(*slots_[slot].def));
  }
}

void ParameterPage::OnEditChange(int id) {
  InvalidateColor(id);
}

bool ParameterPage::Unwritten(int id) const {
  if (!session_.flags.imageRead || id < kFirstSlotEdit || (id - kFirstSlotEdit) % kSlotIdStep != 0) {
    return false;
  }
  const auto slot = static_cast<std::size_t>((id - kFirstSlotEdit) / kSlotIdStep);
  if (slot >= slots_.size() || slots_[slot].shows != Shows::Text) {
    return false;
  }
  // The text is stored into a copy of the controller's image, so that "050"
  // typed over 50 is no change while a refused text is one.
  ParameterImage stored = session_.controllerImage;
  const StoreResult result = StoreText(*slots_[slot].def, GetText(id), stored);
  return result == StoreResult::OutOfRange || stored.bytes != session_.controllerImage.bytes;
}

std::optional<ui::Rgb> ParameterPage::TextColor(int id) const {
  if (id == kIdInfoLine || Unwritten(id)) {
    return ui::kBlue;
  }
  return std::nullopt;
}

}  // namespace tarn
