// The four parameter pages. They differ in their template, their rows and the
// vehicle page's check boxes and zero-point button.
#pragma once

#include <vector>

#include "pages/parameter_page.h"
#include "ui/control_ids.h"

namespace tarn {

inline constexpr int kFlagBoxCount = 16;

class CVehicleDlg : public ParameterPage {
 public:
  CVehicleDlg(ui::Host& host, Session& session);

  void OnShowWindow(bool show) override;
  void OnCommand(int id) override;
  bool Unwritten(int id) const override;

  // The flag rows (indexes 0-15) that have check boxes 1106, 1107, ...
  const std::vector<int>& flagRows() const { return flagRows_; }

 protected:
  void SetUpExtras(const std::vector<ShownRow>& rows) override;
  void FillExtras() override;
  void SaveExtras() override;
  void InvalidateValueColors() override;

 private:
  void OnFlagClicked(int id);
  void OnReadZero();

  std::vector<ShownRow> boxes_;  // check box 1106 + j holds boxes_[j]
  std::vector<int> flagRows_;
};

class CControlDlg : public ParameterPage {
 public:
  CControlDlg(ui::Host& host, Session& session);
};

class CMotorDlg : public ParameterPage {
 public:
  CMotorDlg(ui::Host& host, Session& session);
};

class CCOMDlg : public ParameterPage {
 public:
  CCOMDlg(ui::Host& host, Session& session);
};

}  // namespace tarn
