#include "pages/parameter_pages.h"

#include "model/value_codec.h"
#include "pages/read_zero_dlg.h"

namespace tarn {

namespace {

constexpr int kVehicleLastFocusEdit = SlotEditId(kVehicleSlotCount - 1);  // 1075
// The focus display of the 48-slot pages stops one slot short of the grid.
constexpr int kGridLastFocusEdit = SlotEditId(kPageSlotCount - 2);  // 1103

// Every flag row has a box of its own, so the box ids never run past 1121.
static_assert(kFlagRowCount <= kFlagBoxCount);

constexpr int FlagBoxId(int j) {
  return kFirstFlagBox + j;
}

}  // namespace

CVehicleDlg::CVehicleDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session, {kTemplateVehicle, PageRows::Vehicle, kVehicleLastFocusEdit}) {}

void CVehicleDlg::OnShowWindow(bool show) {
  SetText(kIdReadZero, u"ReadZero");
  ParameterPage::OnShowWindow(show);
}

void CVehicleDlg::SetUpExtras(const std::vector<ShownRow>& rows) {
  boxes_.clear();
  flagRows_.clear();
  for (const ShownRow& row : rows) {
    if (row.place == Place::CheckBox) {
      boxes_.push_back(row);
      flagRows_.push_back(row.index);
    }
  }
  for (const ShownRow& box : boxes_) {
    ShowControl(FlagBoxId(box.number), true);
    SetText(FlagBoxId(box.number), box.def->name);
    if (!box.editable) {
      EnableControl(FlagBoxId(box.number), false);
    }
  }
}

void CVehicleDlg::FillExtras() {
  for (const ShownRow& box : boxes_) {
    if (box.shows == Shows::Flag) {
      const bool set = GetFlag(*box.def, session().image);
      SetCheck(FlagBoxId(box.number), set ? ui::CheckState::Checked : ui::CheckState::Unchecked);
    }
  }
}

// The check boxes cannot be refused, so they are stored first and always.
void CVehicleDlg::SaveExtras() {
  for (const ShownRow& box : boxes_) {
    const ui::CheckState state = GetCheck(FlagBoxId(box.number));
    if (box.shows != Shows::Flag || state == ui::CheckState::Indeterminate) {
      continue;
    }
    SetFlag(*box.def, session().image, state == ui::CheckState::Checked);
  }
}

void CVehicleDlg::OnCommand(int id) {
  if (id >= kFirstFlagBox && id < kFirstFlagBox + kFlagBoxCount) {
    OnFlagClicked(id);
  } else if (id == kIdReadZero) {
    OnReadZero();
  } else {
    ParameterPage::OnCommand(id);
  }
}

void CVehicleDlg::OnFlagClicked(int id) {
  const auto j = static_cast<std::size_t>(id - kFirstFlagBox);
  if (j < boxes_.size()) {
    SetText(kIdInfoLine, boxes_[j].def->tips);
  }
  InvalidateColor(id);
}

bool CVehicleDlg::Unwritten(int id) const {
  const auto j = static_cast<std::size_t>(id - kFirstFlagBox);
  if (id < kFirstFlagBox || j >= boxes_.size()) {
    return ParameterPage::Unwritten(id);
  }
  const ShownRow& box = boxes_[j];
  const ui::CheckState state = GetCheck(id);
  if (!session().flags.imageRead || box.shows != Shows::Flag ||
      state == ui::CheckState::Indeterminate) {
    return false;
  }
  return (state == ui::CheckState::Checked) != GetFlag(*box.def, session().controllerImage);
}

void CVehicleDlg::InvalidateValueColors() {
  ParameterPage::InvalidateValueColors();
  for (const ShownRow& box : boxes_) {
    InvalidateColor(FlagBoxId(box.number));
  }
}

// The dialog may have stored zero points into the image; closing it with the
// close box or Esc refills the page so that they show at once.
void CVehicleDlg::OnReadZero() {
  CReadZeroADdlg dialog(host(), session());
  if (host().RunModal(dialog) == ui::kIdCancel) {
    OnShowWindow(true);
  }
}

CControlDlg::CControlDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session, {kTemplateControl, PageRows::Control, kGridLastFocusEdit}) {}

CMotorDlg::CMotorDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session, {kTemplateMotor, PageRows::Motor, kGridLastFocusEdit}) {}

CCOMDlg::CCOMDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session, {kTemplateCom, PageRows::Com, kGridLastFocusEdit}) {}

}  // namespace tarn
