// What the four parameter pages share: a grid of label/edit slots filled from
// the image when the page is shown and stored back, with the range check,
// when it is hidden.
//
// Threading: UI thread only.
#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "model/page_layout.h"
#include "ui/dialog.h"
#include "ui/host.h"
#include "live/slot_grid.h"

namespace tarn {

// The info line's help for an edit: the row's tips and its range.
std::u16string TipsWithRange(const ParamDef& row);

class ParameterPage : public ui::Dialog {
 public:
  struct Layout {
    int templateId = 0;
    PageRows rows = PageRows::Control;
    int lastFocusEdit = 0;  // edits up to this id show their tips on focus
  };

  ParameterPage(ui::Host& host, Session& session, const Layout& layout);

  // Set when the last save on hiding went through; clear while shown.
  bool pageSaved() const { return pageSaved_; }
  bool labelsBuilt() const { return labelsBuilt_; }
  // The rows in slots 0, 1, ... (indexes into the definition rows).
  const std::vector<int>& slotRows() const { return slotRows_; }

  void OnShowWindow(bool show) override;
  void OnEditFocus(int id) override;
  void OnEditChange(int id) override;
  // The info line is blue, and so is every edit or check box whose value
  // differs from the controller's image (not yet written).
  std::optional<ui::Rgb> TextColor(int id) const override;
  // Whether control `id` shows a value other than the controller's image
  // holds; typed text that the range check would refuse counts as other.
  virtual bool Unwritten(int id) const;

 protected:
  Session& session() const { return session_; }
  const ParamDef& Row(int index) const { return session_.defs.params[index]; }

  // Hooks around the slots, for the vehicle page's check boxes; each runs
  // before the slots are handled. `rows` are all the rows the page shows.
  virtual void SetUpExtras(const std::vector<ShownRow>& /*rows*/) {}
  virtual void FillExtras() {}
  virtual void SaveExtras() {}
  // Asks the host to redraw the colours of every value control.
  virtual void InvalidateValueColors();

 private:
  void SetUp();
  void Fill();
  void Save();

  Session& session_;
  Layout layout_;
  std::vector<ShownRow> slots_;  // slot k holds slots_[k]
  std::vector<int> slotRows_;
  bool labelsBuilt_ = false;
  bool pageSaved_ = false;
};

}  // namespace tarn
