#include "pages/parameter_pages.h"

#include <algorithm>

#include "model/value_codec.h"
#include "monitor/read_zero_dlg.h"

namespace tarn {

namespace {

constexpr int kVehicleSlots = kVehicleSlotCount;
constexpr int kGridSlots = kPageSlotCount;
constexpr int kVehicleLastFocusEdit = SlotEditId(kVehicleSlots - 1);  // 1075
// The focus display of the 48-slot pages stops one slot short of the grid.
constexpr int kGridLastFocusEdit = SlotEditId(kGridSlots - 2);  // 1103

// Every flag row has a box of its own, so the box ids never run past 1121.
static_assert(kFlagRowCount <= kFlagBoxCount);

constexpr int FlagBoxId(int j) {
  return kFirstFlagBox + j;
}

}  // namespace

CVehicleDlg::CVehicleDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session,
                    {kTemplateVehicle, PageRows::Vehicle, kVehicleSlots, kVehicleLastFocusEdit}) {}

void CVehicleDlg::OnShowWindow(bool show) {
  SetText(kIdReadZero, u"ReadZero");
  ParameterPage::OnShowWindow(show);
}

void CVehicleDlg::SetUpExtras() {
  flagRows_.clear();
  const int flagRowsInTable = std::min(kFlagRowCount, session().defs.paramCount);
  for (int index = 0; index < flagRowsInTable; ++index) {
    if (TakesSlot(Row(index))) {
      flagRows_.push_back(index);
    }
  }
  for (int j = 0; j < static_cast<int>(flagRows_.size()); ++j) {
    const ParamDef& row = Row(flagRows_[j]);
    ShowControl(FlagBoxId(j), true);
    SetText(FlagBoxId(j), row.name);
    if (row.en == 0) {
      EnableControl(FlagBoxId(j), false);
    }
  }
}

void CVehicleDlg::FillExtras() {
  for (int j = 0; j < static_cast<int>(flagRows_.size()); ++j) {
    const ParamDef& row = Row(flagRows_[j]);
    if (row.pro == 0) {
      const bool set = GetFlag(row, session().image);
      SetCheck(FlagBoxId(j), set ? ui::CheckState::Checked : ui::CheckState::Unchecked);
    }
  }
}

// The check boxes cannot be refused, so they are stored first and always.
void CVehicleDlg::SaveExtras() {
  for (int j = 0; j < static_cast<int>(flagRows_.size()); ++j) {
    const ParamDef& row = Row(flagRows_[j]);
    const ui::CheckState state = GetCheck(FlagBoxId(j));
    if (row.pro != 0 || state == ui::CheckState::Indeterminate) {
      continue;
    }
    SetFlag(row, session().image, state == ui::CheckState::Checked);
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
  if (j < flagRows_.size()) {
    SetText(kIdInfoLine, Row(flagRows_[j]).tips);
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
    : ParameterPage(host, session,
                    {kTemplateControl, PageRows::Control, kGridSlots, kGridLastFocusEdit}) {}

CMotorDlg::CMotorDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session,
                    {kTemplateMotor, PageRows::Motor, kGridSlots, kGridLastFocusEdit}) {}

CCOMDlg::CCOMDlg(ui::Host& host, Session& session)
    : ParameterPage(host, session, {kTemplateCom, PageRows::Com, kGridSlots, kGridLastFocusEdit}) {}

}  // namespace tarn
