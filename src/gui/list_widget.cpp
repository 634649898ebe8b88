#include "gui/list_widget.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

#include "gui/controls.h"
#include "gui/qt_text.h"

namespace tarn::gui {
namespace {

QStyle::State StateOf(Qt::CheckState check) {
  switch (check) {
    case Qt::Unchecked:
      return QStyle::State_Off;
    case Qt::PartiallyChecked:
      return QStyle::State_NoChange;
    case Qt::Checked:
      return QStyle::State_On;
  }
  return QStyle::State_Off;
}

const QStyle& StyleOf(const QStyleOptionViewItem& option) {
  return option.widget != nullptr ? *option.widget->style() : *QApplication::style();
}

// Draws the rows as the style does, except that the tick box of a row the
// user may not change is greyed (its text keeps its colour).
class ListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Whether the item's text is cut short in `base.rect`.
  bool TextCut(const QStyleOptionViewItem& base, const QModelIndex& index) const {
    QStyleOptionViewItem option(base);
    initStyleOption(&option, index);
    const QRect room =
        StyleOf(option).subElementRect(QStyle::SE_ItemViewItemText, &option, option.widget);
    return option.fontMetrics.horizontalAdvance(option.text) > room.width();
  }

  // Where the tick box of the item at `index` goes, or an empty rectangle.
  QRect CheckRect(const QStyleOptionViewItem& base, const QModelIndex& index) const {
    QStyleOptionViewItem option(base);
    initStyleOption(&option, index);
    if (!option.features.testFlag(QStyleOptionViewItem::HasCheckIndicator)) return {};
    return StyleOf(option).subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option,
                                          option.widget);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& base,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, base, index);
    if (index.flags().testFlag(Qt::ItemIsUserCheckable)) return;
    QStyleOptionViewItem option(base);
    initStyleOption(&option, index);
    if (!option.features.testFlag(QStyleOptionViewItem::HasCheckIndicator)) return;
    const QStyle& style = StyleOf(option);
    const QRect box =
        style.subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, option.widget);
    // Over the box just drawn: the row's background again, then the box greyed.
    painter->save();
    painter->setClipRect(box);
    painter->fillRect(box, option.palette.brush(QPalette::Base));
    style.drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, option.widget);
    QStyleOptionViewItem greyed(option);
    greyed.rect = box;
    greyed.state &= ~(QStyle::State_Enabled | QStyle::State_HasFocus);
    greyed.state |= StateOf(option.checkState);
    greyed.palette.setCurrentColorGroup(QPalette::Disabled);
    style.drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &greyed, painter, option.widget);
    painter->restore();
  }
};

}  // namespace

ListModel::ListModel(bool checkBoxes, Toggle toggle, QObject* parent)
    : QAbstractTableModel(parent), checkBoxes_(checkBoxes), toggle_(std::move(toggle)) {}

void ListModel::Show(const ui::ListData& list) {
  if (list.columns != data_.columns) {
    beginResetModel();
    data_ = list;
    endResetModel();
    return;
  }
  ShowRows(list.rows);
}

// Rows are compared in place: removed at the end, changed where they differ,
// added at the end, as a list that grows by a row each poll does.
void ListModel::ShowRows(const std::vector<ui::ListRow>& rows) {
  std::vector<ui::ListRow>& kept = data_.rows;
  const int oldCount = static_cast<int>(kept.size());
  const int newCount = static_cast<int>(rows.size());
  if (newCount < oldCount) {
    beginRemoveRows({}, newCount, oldCount - 1);
    kept.resize(rows.size());
    endRemoveRows();
  }
  int first = -1;
  int last = -1;
  for (int row = 0; row < std::min(oldCount, newCount); ++row) {
    const auto at = static_cast<std::size_t>(row);
    if (kept[at] == rows[at]) continue;
    kept[at] = rows[at];
    if (first < 0) first = row;
    last = row;
  }
  if (first >= 0) emit dataChanged(index(first, 0), index(last, columnCount() - 1));
  if (newCount > oldCount) {
    beginInsertRows({}, oldCount, newCount - 1);
    kept.insert(kept.end(), rows.begin() + oldCount, rows.end());
    endInsertRows();
  }
}

bool ListModel::RowCheckable(int row) const {
  return checkBoxes_ && row >= 0 && row < rowCount() &&
         data_.rows[static_cast<std::size_t>(row)].checkable;
}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(data_.rows.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(data_.columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ui::ListRow& row = data_.rows[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return column < row.cells.size() ? ToQString(row.cells[column]) : QString();
    case Qt::CheckStateRole:
      if (checkBoxes_ && column == 0) return ToQtCheckState(row.check);
      return {};
    case Qt::ForegroundRole:
      if (row.color) return QBrush(ToQColor(*row.color));
      return {};
    default:
      return {};
  }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount()) {
    return {};
  }
  return ToQString(data_.columns[static_cast<std::size_t>(section)].title);
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0 && RowCheckable(index.row())) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

// The view asks to tick or untick a box: the dialog decides, and what it
// decides comes back through Show.
bool ListModel::setData(const QModelIndex& index, const QVariant& /*value*/, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0 ||
      !RowCheckable(index.row())) {
    return false;
  }
  if (toggle_) toggle_(static_cast<std::size_t>(index.row()));
  return true;
}

ListWidget::ListWidget(const ui::ControlTemplate& control, ListModel::Toggle toggle,
                       QWidget* parent)
    : QTreeView(parent), model_(new ListModel(control.checkBoxes, std::move(toggle), this)) {
  setModel(model_);
  setItemDelegate(new ListDelegate(this));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void ListWidget::Show(const ui::ListData& list, const DialogUnits& units) {
  const bool newColumns = list.columns != model_->data().columns;
  model_->Show(list);
  if (newColumns) appliedWidths_.clear();
  SetColumnWidths(units);
}

// The template's widths, in dialog units of the dialog's current scale. A
// width the user dragged stays until the dialog or its scale changes them.
void ListWidget::SetColumnWidths(const DialogUnits& units) {
  std::vector<int> widths;
  for (const ui::ListColumn& column : model_->data().columns) {
    widths.push_back(units.ToPixelsX(column.width));
  }
  if (widths == appliedWidths_) return;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    if (widths[i] > 0) header()->resizeSection(static_cast<int>(i), widths[i]);
  }
  appliedWidths_ = std::move(widths);
}

bool ListWidget::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QTreeView::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = indexAt(help->pos());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  if (index.isValid() && static_cast<const ListDelegate*>(itemDelegate())->TextCut(option, index)) {
    QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), option.rect);
  } else {
    QToolTip::hideText();
  }
  return true;
}

QRect ListWidget::CheckBoxRect(int row) const {
  const QModelIndex index = model_->index(row, 0);
  const QRect item = visualRect(index);
  if (!index.isValid() || item.isEmpty() || !viewport()->rect().intersects(item)) return {};
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = item;
  return static_cast<const ListDelegate*>(itemDelegate())->CheckRect(option, index);
}

}  // namespace tarn::gui
