// The slot labels of a dialog: parameter names, many of them long Russian
// phrases in a column 70 units wide. Every label of a dialog is drawn at the
// same size: the largest, down to a floor, at which each label fits its band
// (its grid row) on as many lines as the band holds, broken only between
// words. A label that does not fit even at the floor is cut, and its last
// line ends in an ellipsis; the full text shows on hover.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarn::gui {

class StaticTextWidget;

struct LabelLayout {
  QStringList lines;
  bool cut = false;  // the text did not fit: the last line ends in an ellipsis
};

// `text` in `font` within a band of `band` pixels: words on as many lines as
// the band holds (at least one), each line within the band's width.
LabelLayout LayOutLabel(const QString& text, const QFont& font, QSize band);

// The labels of one dialog and the one size they share.
class LabelGroup {
 public:
  void SetFont(const QFont& font);
  void Add(const StaticTextWidget* label);
  // A label's text, band or visibility changed.
  void Invalidate() { dirty_ = true; }
  // The size every label is drawn at; hidden labels have no say.
  const QFont& Font() const;

 private:
  QFont FontAt(int percent) const;

  QFont base_;
  std::vector<const StaticTextWidget*> labels_;
  mutable QFont chosen_;
  mutable bool dirty_ = true;
};

}  // namespace tarn::gui
