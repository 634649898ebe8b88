// A list control: rows of texts under column headings, optionally with a
// tick box in front of every row. It shows what its dialog holds and nothing
// else: a click on a tick box is reported, and the box changes only when the
// dialog's row does.
#pragma once

#include <QAbstractTableModel>
#include <QTreeView>
#include <cstddef>
#include <functional>
#include <vector>

#include "gui/dialog_units.h"
#include "ui/control_data.h"
#include "ui/dialog_template.h"

namespace tarn::gui {

// The dialog's rows of one list as a table model. Its copy of the rows is
// replaced by Show; a tick asked of it (setData) is handed on, not kept.
class ListModel : public QAbstractTableModel {
 public:
  using Toggle = std::function<void(std::size_t row)>;

  ListModel(bool checkBoxes, Toggle toggle, QObject* parent);

  // Takes the dialog's rows. Rows that stay keep their place, selection and
  // scrolling; only what changed is announced.
  void Show(const ui::ListData& list);
  const ui::ListData& data() const { return data_; }
  bool RowCheckable(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  void ShowRows(const std::vector<ui::ListRow>& rows);

  bool checkBoxes_;
  Toggle toggle_;
  ui::ListData data_;
};

class ListWidget : public QTreeView {
 public:
  // `toggle` is called with the row whose tick box the user clicked (or
  // toggled with the space bar).
  ListWidget(const ui::ControlTemplate& control, ListModel::Toggle toggle, QWidget* parent);

  // Shows the dialog's rows, with the column widths in `units`.
  void Show(const ui::ListData& list, const DialogUnits& units);
  ListModel& model() const { return *model_; }
  // Where the tick box of `row` is drawn, in the viewport's coordinates;
  // empty when the row has none or is scrolled out of sight.
  QRect CheckBoxRect(int row) const;

 protected:
  // A text cut short by its column shows whole on hover.
  bool viewportEvent(QEvent* event) override;

 private:
  void SetColumnWidths(const DialogUnits& units);

  ListModel* model_;
  std::vector<int> appliedWidths_;  // pixels
};

}  // namespace tarn::gui
