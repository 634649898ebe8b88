// The row labels of one dialog window (ui/label_layout.h), drawn by the host:
// owner-drawn statics that reach across their grid row, every one in the size
// the dialog layer chooses for the window's labels, broken between words, a
// cut one ending in an ellipsis. Each label has a tooltip with its whole text.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ui/label_layout.h"

namespace tarn::win32 {

class RowLabels {
 public:
  RowLabels() = default;
  ~RowLabels();
  RowLabels(const RowLabels&) = delete;
  RowLabels& operator=(const RowLabels&) = delete;

  // Finds the labels of a dialog window just made (the owner-drawn statics
  // that are not pictures) and gives each a tooltip.
  void Attach(HWND dialog, HINSTANCE instance);
  // The window is going, and its labels with it.
  void Release();

  bool Contains(HWND control) const;
  // A label's text or visibility changed: the shared size is chosen again.
  void Changed(HWND label);
  // Draws a label in `color`.
  void Draw(const DRAWITEMSTRUCT& item, COLORREF color);

  // A label's lines as they are drawn, the shared size in percent of the
  // dialog font, and the tooltip's text.
  ui::LabelLines Lines(HWND label);
  int Percent();
  std::u16string TipText(HWND label) const;
  HWND tooltip() const { return tooltip_; }

 private:
  HFONT FontAt(int percent);
  ui::LabelLines LinesAt(HDC dc, HWND label, int percent);
  void ChooseSize();

  HWND dialog_ = nullptr;
  HWND tooltip_ = nullptr;
  std::vector<HWND> labels_;
  LOGFONTW base_{};
  std::map<int, HFONT> fonts_;  // by percent of the dialog font
  int percent_ = ui::kLabelFullPercent;
  bool dirty_ = true;
};

}  // namespace tarn::win32
