// One dialog on screen: the dialog manager's window made from the dialog's
// template, kept in step with the dialog's control state, and the user's
// clicks, typing and focus changes handed back to the dialog.
//
// Colours, bold text and pictures go through the standard notifications:
// WM_CTLCOLORSTATIC and WM_CTLCOLOREDIT ask the dialog for a control's text
// colour, WM_SETFONT gives a control the bold face, WM_DRAWITEM draws a
// picture scaled to its control.
//
// Row labels are drawn by the host, all of a window's in one size, each with
// its whole text in a tooltip (row_labels.h).
//
// A window whose dialog has a menu bar shows it, with its shortcuts, and a
// status bar under the dialog. A window that does not fit its screen's work
// area (the taskbar left out) is made again with a smaller dialog font, which
// draws every dialog unit smaller alike, down to a legible size.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ui/dialog.h"
#include "ui/host.h"
#include "win32/native_template.h"
#include "win32/row_labels.h"

namespace tarn::win32 {

class Win32Host;

class DialogWindow : public ui::DialogObserver {
 public:
  DialogWindow(Win32Host& host, ui::Dialog& dialog, WindowRole role);
  ~DialogWindow() override;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Creates the window, hidden, with every control in the dialog's state; a
  // window of its own is fitted to the screen and placed over `parent` (or
  // the screen's centre).
  bool Create(HWND parent);
  // Destroys the window (and with it the windows of its child dialogs).
  void Destroy();
  // Stops mirroring: the dialog is gone or the window is.
  void Detach();

  HWND hwnd() const { return hwnd_; }
  ui::Dialog* dialog() const { return dialog_; }
  WindowRole role() const { return role_; }

  // A child dialog's window is made the first time the dialog is shown, at
  // `rect` (dialog units of the parent dialog): a page that is never visited
  // costs no windows, and start-up makes only the page it shows.
  void CreateWhenShown(HWND parent, const ui::RectDu& rect, int fontPoints);

  // The size of the dialog font the window is drawn with, and the size a
  // page inside it takes so that it is drawn at the same scale.
  int fontPoints() const { return fontPoints_; }
  int ChildFontPoints(const ui::DialogTemplate& child) const;

  // The window's keyboard shortcuts, or nullptr.
  HACCEL accelerators() const { return accelerators_; }
  HWND statusBar() const { return statusBar_; }
  // The window's row labels, as they are drawn.
  RowLabels& labels() { return labels_; }

  // ui::DialogObserver
  void ControlChanged(int id) override;
  void ColorsChanged(int id) override;
  void DialogShown(bool shown) override;
  void FocusRequested(int id) override;
  void DialogEnded(int result) override;
  void MenuChanged(int commandId) override;
  void StatusBarChanged() override;

  // The window property that names a dialog window's template id, for the
  // tools that find our windows from outside the program.
  static constexpr wchar_t kTemplateProperty[] = L"TarnTemplateId";

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnCommand(WPARAM wParam, LPARAM lParam);
  INT_PTR OnColor(UINT message, HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void DrawStatusBar(const DRAWITEMSTRUCT& item);
  INT_PTR OnNotify(const NMHDR& header);
  INT_PTR Answer(LRESULT result);
  bool CreateWindowOnce(HWND parent);
  void AddBars();
  bool FitOnScreen(HWND parent);
  void SetUpControls();
  void ApplyAll();
  void ApplyState(int id);
  void ApplyText(HWND control, const ui::ControlTemplate& control_template);
  void ApplyFont(HWND control, bool bold);
  HFONT BoldFont();
  void SetIcons();
  void PlaceInParent(const ui::RectDu& rect);
  bool Bordered() const;
  void FitControlsInFrame();
  void PaintFrame();

  Win32Host& host_;
  ui::Dialog* dialog_;
  const ui::DialogTemplate* template_;
  WindowRole role_;
  HWND hwnd_ = nullptr;
  HWND pendingParent_ = nullptr;  // a child dialog not made yet
  ui::RectDu pendingRect_;
  HFONT boldFont_ = nullptr;
  bool applying_ = false;     // the host itself is changing a control
  bool recreating_ = false;   // the window is made again at another size
  int fontPoints_;
  HACCEL accelerators_ = nullptr;
  HWND statusBar_ = nullptr;
  std::map<int, ui::ListData> shownLists_;  // what each list view shows
  RowLabels labels_;
};

}  // namespace tarn::win32
