#include "win32/dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ui/window_fit.h"
#include "win32/chart_window.h"
#include "win32/colors.h"
#include "win32/dpi.h"
#include "win32/host.h"
#include "win32/list_view.h"
#include "win32/menu_bar.h"
#include "win32/pictures.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

// The status bar is a child of the dialog window under an id that no
// template uses (pictures count up from kFirstPictureId, below it).
constexpr int kStatusBarId = 0x7E00;
// A tick the user gave a list row, refused by the list view and handed to
// the dialog once the list view's notification has returned.
constexpr UINT kListTickMessage = WM_APP + 2;
constexpr double kUnscaledDpi = USER_DEFAULT_SCREEN_DPI;
// The frame a page draws round itself, in pixels (a DS_CONTROL dialog cannot
// have WS_BORDER: the dialog manager drops it along with WS_CAPTION).
constexpr int kFrameWidth = 1;

ui::Box ToBox(const RECT& rect) {
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

MONITORINFO WorkAreaOf(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor;
}

WPARAM CheckOf(ui::CheckState state) {
  switch (state) {
    case ui::CheckState::Checked:
      return BST_CHECKED;
    case ui::CheckState::Indeterminate:
      return BST_INDETERMINATE;
    case ui::CheckState::Unchecked:
      break;
  }
  return BST_UNCHECKED;
}

bool HasStyle(HWND window, LONG_PTR style) {
  return (GetWindowLongPtrW(window, GWL_STYLE) & style) != 0;
}

}  // namespace

DialogWindow::DialogWindow(Win32Host& host, ui::Dialog& dialog, WindowRole role)
    : host_(host),
      dialog_(&dialog),
      template_(&dialog.Template()),
      role_(role),
      fontPoints_(dialog.Template().fontPoints) {}

DialogWindow::~DialogWindow() {
  Destroy();
  Detach();
  if (boldFont_ != nullptr) DeleteObject(boldFont_);
  if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

bool DialogWindow::Create(HWND parent) {
  if (!CreateWindowOnce(parent)) return false;
  if (role_ != WindowRole::Child && !FitOnScreen(parent)) return false;
  dialog_->SetObserver(this);
  return true;
}

bool DialogWindow::CreateWindowOnce(HWND parent) {
  const NativeTemplate native(*template_, role_, fontPoints_);
  shownLists_.clear();
  if (boldFont_ != nullptr) {
    DeleteObject(boldFont_);
    boldFont_ = nullptr;
  }
  // The window reports to this object from WM_INITDIALOG on.
  const HWND created = CreateDialogIndirectParamW(host_.instance(), native.get(), parent,
                                                  &DialogWindow::DialogProc,
                                                  reinterpret_cast<LPARAM>(this));
  if (created == nullptr) return false;
  if (role_ != WindowRole::Child && dialog_->menuBar() != nullptr) AddBars();
  return true;
}

int DialogWindow::ChildFontPoints(const ui::DialogTemplate& child) const {
  if (template_->fontPoints <= 0) return child.fontPoints;
  const double scale = static_cast<double>(fontPoints_) / template_->fontPoints;
  return std::max(1, static_cast<int>(std::lround(child.fontPoints * scale)));
}

// The menu bar above the dialog and the status bar below it; the window
// grows by both, so that the dialog keeps its size between them.
void DialogWindow::AddBars() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  SetMenu(hwnd_, CreateMenuBar(*dialog_->menuBar()));
  if (accelerators_ == nullptr) accelerators_ = CreateMenuAccelerators(*dialog_->menuBar());
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                               host_.instance(), nullptr);
  SendMessageW(statusBar_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), FALSE);
  // One part across the whole bar, whose tip is the whole text. Wine's bar
  // gives its tooltip a tool for a part only when SB_SETPARTS changes the
  // parts, and drops the tip text of a part without one; the one part is
  // first set to another width so that it gets its tool.
  int noWidth[] = {0};
  int wholeBar[] = {-1};
  SendMessageW(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(noWidth));
  SendMessageW(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(wholeBar));
  SendMessageW(statusBar_, WM_SIZE, 0, 0);
  RECT status{};
  GetWindowRect(statusBar_, &status);
  const LONG wanted = client.bottom + (status.bottom - status.top);
  // A menu bar that wraps onto a second line takes more than the one line
  // AdjustWindowRectEx counts; the second pass adds what is missing.
  for (int pass = 0; pass < 2; ++pass) {
    RECT now{};
    GetClientRect(hwnd_, &now);
    RECT outer{};
    GetWindowRect(hwnd_, &outer);
    const LONG missing = wanted - now.bottom;
    if (missing == 0) break;
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + missing,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (const ui::Menu& menu : dialog_->menuBar()->menus) {
    for (const ui::MenuItem& item : menu.items) {
      if (!item.separator) MenuChanged(item.id);
    }
  }
  StatusBarChanged();
}

// The dialog font is made smaller, one point at a time, on a screen too small
// for the window (the window is made again for each); then the window is
// centred over its owner, or on the work area, and kept inside the area.
bool DialogWindow::FitOnScreen(HWND parent) {
  const MONITORINFO monitor = WorkAreaOf(parent != nullptr ? parent : hwnd_);
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  RECT client{};
  GetClientRect(hwnd_, &client);
  MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&client), 2);
  ui::FitRequest request;
  request.area = ToBox(monitor.rcWork);
  // The menu bar is part of the frame here; the status bar keeps its size too.
  request.frame = {client.left - outer.left, client.top - outer.top, outer.right - client.right,
                   outer.bottom - client.bottom};
  if (statusBar_ != nullptr) {
    RECT status{};
    GetWindowRect(statusBar_, &status);
    request.besides.height = status.bottom - status.top;
  }
  request.fontPoints = template_->fontPoints;
  request.screenScale = WindowDpi(hwnd_) / kUnscaledDpi;
  request.over = request.area;
  if (parent != nullptr && IsWindowVisible(parent)) {
    RECT owner{};
    GetWindowRect(parent, &owner);
    request.over = ToBox(owner);
  }
  bool made = true;
  const ui::WindowFit fit = ui::FitWindow(request, [&](double scale) {
    // Whole points: the largest the scale allows, as the fit steps down.
    constexpr double kRounding = 1e-6;
    const int points =
        scale >= 1.0 ? template_->fontPoints
                     : std::max(1, static_cast<int>(std::ceil(template_->fontPoints * scale -
                                                              kRounding)));
    if (made && points != fontPoints_) {
      fontPoints_ = points;
      recreating_ = true;
      DestroyWindow(hwnd_);
      recreating_ = false;
      made = CreateWindowOnce(parent);
    }
    // Measured from the outside: a narrower window may wrap its menu bar
    // onto a second line, which makes the frame taller.
    RECT now{};
    if (made) GetWindowRect(hwnd_, &now);
    return ui::Extent{now.right - now.left - request.frame.left - request.frame.right,
                      now.bottom - now.top - request.frame.top - request.frame.bottom};
  });
  if (!made) return false;
  SetWindowPos(hwnd_, nullptr, fit.client.left - request.frame.left,
               fit.client.top - request.frame.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void DialogWindow::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

void DialogWindow::Detach() {
  if (dialog_ != nullptr) dialog_->SetObserver(nullptr);
  dialog_ = nullptr;
}

void DialogWindow::CreateWhenShown(HWND parent, const ui::RectDu& rect, int fontPoints) {
  pendingParent_ = parent;
  pendingRect_ = rect;
  fontPoints_ = fontPoints;
  dialog_->SetObserver(this);
}

void DialogWindow::PlaceInParent(const ui::RectDu& rect) {
  const HWND parent = hwnd_ != nullptr ? GetParent(hwnd_) : nullptr;
  if (parent == nullptr) return;
  // Position and size converted each on its own, as the dialog manager
  // places the controls of a template.
  RECT pixels{rect.x, rect.y, rect.cx, rect.cy};
  MapDialogRect(parent, &pixels);
  SetWindowPos(hwnd_, nullptr, pixels.left, pixels.top, pixels.right, pixels.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

bool DialogWindow::Bordered() const {
  return role_ == WindowRole::Child && template_->border;
}

// A page's controls stay inside its frame, so that the frame shows on every
// side: a control that reaches past it (the template is wider than the page
// area) is cut short at the frame.
void DialogWindow::FitControlsInFrame() {
  if (!Bordered()) return;
  RECT inner{};
  GetClientRect(hwnd_, &inner);
  InflateRect(&inner, -kFrameWidth, -kFrameWidth);
  for (HWND control = GetWindow(hwnd_, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    RECT fitted{};
    if (!IntersectRect(&fitted, &rect, &inner) || EqualRect(&fitted, &rect)) continue;
    SetWindowPos(control, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                 fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (labels_.Contains(control)) labels_.Changed(control);
  }
}

void DialogWindow::PaintFrame() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(hwnd_, &paint);
  RECT client{};
  GetClientRect(hwnd_, &client);
  FrameRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW));
  EndPaint(hwnd_, &paint);
}

INT_PTR CALLBACK DialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->hwnd_ = window;
    self->OnInitDialog();
    return TRUE;  // the dialog manager gives the focus to the first tab stop
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    // Also reached when a parent window takes its child dialogs with it.
    SetWindowLongPtrW(window, DWLP_USER, 0);
    RemovePropW(window, kTemplateProperty);
    self->hwnd_ = nullptr;
    self->statusBar_ = nullptr;
    self->labels_.Release();
    if (!self->recreating_) self->Detach();
    return FALSE;
  }
  if (self->dialog_ == nullptr) return FALSE;
  return self->HandleMessage(message, wParam, lParam);
}

void DialogWindow::OnInitDialog() {
  SetPropW(hwnd_, kTemplateProperty,
           reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(template_->id)));
  if (role_ == WindowRole::TopLevel || role_ == WindowRole::Modeless) SetIcons();
  SetUpControls();
  labels_.Attach(hwnd_, host_.instance());
  ApplyAll();
}

void DialogWindow::SetUpControls() {
  for (const ui::ControlTemplate& control : template_->controls) {
    const HWND item = control.id != ui::kNoId ? GetDlgItem(hwnd_, control.id) : nullptr;
    if (item != nullptr && control.kind == ui::ControlKind::List) SetUpListView(item, control);
  }
}

void DialogWindow::SetIcons() {
  const HICON bigIcon = LoadAppIcon(host_.instance(), GetSystemMetrics(SM_CXICON));
  const HICON smallIcon = LoadAppIcon(host_.instance(), GetSystemMetrics(SM_CXSMICON));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

INT_PTR DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return TRUE;
    case WM_CLOSE:
      // The close box, the system menu or Alt+F4: the dialog decides.
      dialog_->UserClose();
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return OnColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE:
      if (statusBar_ != nullptr) SendMessageW(statusBar_, WM_SIZE, 0, 0);
      if (Bordered()) InvalidateRect(hwnd_, nullptr, TRUE);
      return FALSE;
    case WM_PAINT:
      if (!Bordered()) return FALSE;
      PaintFrame();
      return TRUE;
    case kListTickMessage:
      dialog_->UserToggleListRow(static_cast<int>(wParam), static_cast<std::size_t>(lParam));
      return TRUE;
    default:
      break;
  }
  return FALSE;
}

void DialogWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const auto control = reinterpret_cast<HWND>(lParam);
  if (control == nullptr) {
    // A menu item or its shortcut.
    const ui::MenuBar* bar = dialog_->menuBar();
    if (bar != nullptr && bar->Find(id) != nullptr) {
      dialog_->UserMenu(id);
      return;
    }
    // The dialog manager's own OK and Cancel commands.
    if (id == IDOK) dialog_->UserPressEnter();
    if (id == IDCANCEL) dialog_->UserPressEscape();
    return;
  }
  const ui::ControlTemplate* item = template_->Find(id);
  if (item == nullptr) return;
  if (item->kind == ui::ControlKind::Edit) {
    if (code == EN_SETFOCUS) dialog_->UserFocus(id);
    if (code == EN_CHANGE && !applying_) dialog_->UserType(id, WindowText(control));
    return;
  }
  // A label takes the mouse only for its tooltip; its notifications share
  // their codes with a button's.
  if (item->kind == ui::ControlKind::StaticText) return;
  if (code == BN_SETFOCUS) dialog_->UserFocus(id);
  if (code == BN_CLICKED) dialog_->UserClick(id);
}

INT_PTR DialogWindow::Answer(LRESULT result) {
  SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR DialogWindow::OnNotify(const NMHDR& header) {
  const int id = static_cast<int>(header.idFrom);
  const ui::ControlTemplate* item = template_->Find(id);
  if (item == nullptr || item->kind != ui::ControlKind::List) return FALSE;
  switch (header.code) {
    case LVN_ITEMCHANGING: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if (applying_ || !ChangesTick(change)) return FALSE;
      // The click or the space bar of the user: the dialog decides.
      PostMessageW(hwnd_, kListTickMessage, static_cast<WPARAM>(id), change.iItem);
      return Answer(TRUE);
    }
    case NM_CUSTOMDRAW:
      return Answer(ListCustomDraw(reinterpret_cast<const NMLVCUSTOMDRAW&>(header),
                                   dialog_->List(id)));
    default:
      break;
  }
  return FALSE;
}

INT_PTR DialogWindow::OnColor(UINT message, HDC dc, HWND control) {
  const std::optional<ui::Rgb> color = dialog_->TextColor(GetDlgCtrlID(control));
  if (!color) return FALSE;  // the dialog manager's colours
  SetTextColor(dc, ToColorRef(*color));
  // An edit that can be typed into keeps the window background; statics,
  // read-only and disabled edits keep the dialog's.
  const int background = message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE;
  SetBkColor(dc, GetSysColor(background));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(background));
}

void DialogWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID == static_cast<UINT>(kStatusBarId)) {
    DrawStatusBar(item);
    return;
  }
  if (labels_.Contains(item.hwndItem)) {
    const std::optional<ui::Rgb> color = dialog_->TextColor(static_cast<int>(item.CtlID));
    labels_.Draw(item, color ? ToColorRef(*color) : GetSysColor(COLOR_BTNTEXT));
    return;
  }
  for (std::size_t index = 0; index < template_->controls.size(); ++index) {
    const ui::ControlTemplate& control = template_->controls[index];
    if (control.kind != ui::ControlKind::Picture ||
        NativeControlId(*template_, index) != item.CtlID) {
      continue;
    }
    const int resource = PictureResourceId(control.picture);
    const auto bitmap = static_cast<HBITMAP>(LoadImageW(
        host_.instance(), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DrawPicture(item.hDC, item.rcItem, bitmap);
    if (bitmap != nullptr) DeleteObject(bitmap);
    return;
  }
}

// The status bar's text on one line, cut with an ellipsis where the window is
// too narrow for it (a recording's long file name).
void DialogWindow::DrawStatusBar(const DRAWITEMSTRUCT& item) {
  const std::wstring text = ToWide(dialog_->statusBarText());
  RECT room = item.rcItem;
  InflateRect(&room, -GetSystemMetrics(SM_CXEDGE), 0);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &room,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void DialogWindow::ApplyAll() {
  for (const ui::ControlTemplate& control : template_->controls) {
    if (control.id != ui::kNoId) ApplyState(control.id);
  }
}

void DialogWindow::ApplyState(int id) {
  const ui::ControlTemplate* item = template_->Find(id);
  const HWND control = hwnd_ != nullptr ? GetDlgItem(hwnd_, id) : nullptr;
  if (item == nullptr || control == nullptr || dialog_ == nullptr) return;
  applying_ = true;
  if (item->kind == ui::ControlKind::List) {
    const ui::ListData& wanted = dialog_->List(id);
    ui::ListData& shown = shownLists_[id];
    if (!(shown == wanted)) ShowList(control, hwnd_, item->checkBoxes, shown, wanted);
    shown = wanted;
  }
  if (item->kind == ui::ControlKind::Chart) SetChartData(control, dialog_->Chart(id));
  ApplyText(control, *item);
  if (item->kind == ui::ControlKind::CheckBox) {
    const WPARAM check = CheckOf(dialog_->GetCheck(id));
    if (static_cast<WPARAM>(SendMessageW(control, BM_GETCHECK, 0, 0)) != check) {
      SendMessageW(control, BM_SETCHECK, check, 0);
    }
  }
  ApplyFont(control, dialog_->IsBold(id));
  const bool enabled = dialog_->IsControlEnabled(id);
  if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
  const bool visible = dialog_->IsControlVisible(id);
  if (HasStyle(control, WS_VISIBLE) != visible) {
    ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
    labels_.Changed(control);
  }
  applying_ = false;
}

void DialogWindow::ApplyText(HWND control, const ui::ControlTemplate& item) {
  if (item.kind == ui::ControlKind::Picture || item.kind == ui::ControlKind::EtchedLine ||
      item.kind == ui::ControlKind::List || item.kind == ui::ControlKind::Chart) {
    return;
  }
  const std::u16string text = dialog_->GetText(item.id);
  if (WindowText(control) == text) return;
  SetWindowTextW(control, ToWide(text).c_str());
  labels_.Changed(control);
  // A value that does not fit its edit shows from its start.
  if (item.kind == ui::ControlKind::Edit) SendMessageW(control, EM_SETSEL, 0, 0);
}

void DialogWindow::ApplyFont(HWND control, bool bold) {
  const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  const HFONT wanted = bold ? BoldFont() : dialogFont;
  if (wanted == nullptr) return;
  if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) == wanted) return;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(wanted), TRUE);
}

// The dialog's own font with the weight 700, made once per window.
HFONT DialogWindow::BoldFont() {
  if (boldFont_ != nullptr) return boldFont_;
  const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  LOGFONTW face{};
  if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof face, &face) == 0) return nullptr;
  face.lfWeight = FW_BOLD;
  boldFont_ = CreateFontIndirectW(&face);
  return boldFont_;
}

void DialogWindow::ControlChanged(int id) {
  ApplyState(id);
}

void DialogWindow::ColorsChanged(int id) {
  const HWND control = hwnd_ != nullptr ? GetDlgItem(hwnd_, id) : nullptr;
  if (control != nullptr) InvalidateRect(control, nullptr, TRUE);
}

void DialogWindow::DialogShown(bool shown) {
  // A pop-up appears when its modal run starts, not before.
  if (role_ != WindowRole::Child) return;
  if (hwnd_ == nullptr && shown && pendingParent_ != nullptr && IsWindow(pendingParent_)) {
    const HWND parent = pendingParent_;
    pendingParent_ = nullptr;
    if (Create(parent)) {
      PlaceInParent(pendingRect_);
      FitControlsInFrame();
    }
  }
  if (hwnd_ != nullptr) ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
}

void DialogWindow::FocusRequested(int id) {
  const HWND control = hwnd_ != nullptr ? GetDlgItem(hwnd_, id) : nullptr;
  if (control == nullptr) return;
  // Through the top-level dialog, so that it also moves its default button.
  SendMessageW(GetAncestor(hwnd_, GA_ROOT), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control),
               TRUE);
}

void DialogWindow::MenuChanged(int commandId) {
  const HMENU menu = hwnd_ != nullptr ? GetMenu(hwnd_) : nullptr;
  if (menu == nullptr || dialog_ == nullptr) return;
  const bool enabled = dialog_->IsMenuItemEnabled(commandId);
  ::EnableMenuItem(menu, static_cast<UINT>(commandId),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void DialogWindow::StatusBarChanged() {
  if (statusBar_ == nullptr || dialog_ == nullptr) return;
  const std::wstring text = ToWide(dialog_->statusBarText());
  // Drawn by the owner; the tip shows the whole text on hover.
  SendMessageW(statusBar_, SB_SETTEXTW, SBT_OWNERDRAW, 0);
  SendMessageW(statusBar_, SB_SETTIPTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
  InvalidateRect(statusBar_, nullptr, TRUE);
}

void DialogWindow::DialogEnded(int /*result*/) {
  // Wakes the modal loop, which returns once it sees the dialog has ended.
  if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_NULL, 0, 0);
}

}  // namespace tarn::win32
