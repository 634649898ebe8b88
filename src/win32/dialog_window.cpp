#include "win32/dialog_window.h"

#include <cstdint>

#include "win32/host.h"
#include "win32/pictures.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr int kRedShift = 16;
constexpr int kGreenShift = 8;
constexpr int kByteMask = 0xFF;

COLORREF ToColorRef(ui::Rgb rgb) {
  return RGB((rgb >> kRedShift) & kByteMask, (rgb >> kGreenShift) & kByteMask, rgb & kByteMask);
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
    : host_(host), dialog_(&dialog), template_(&dialog.Template()), role_(role) {}

DialogWindow::~DialogWindow() {
  Destroy();
  Detach();
  if (boldFont_ != nullptr) DeleteObject(boldFont_);
}

bool DialogWindow::Create(HWND parent) {
  const NativeTemplate native(*template_, role_);
  // The window reports to this object from WM_INITDIALOG on.
  const HWND created = CreateDialogIndirectParamW(host_.instance(), native.get(), parent,
                                                  &DialogWindow::DialogProc,
                                                  reinterpret_cast<LPARAM>(this));
  if (created == nullptr) return false;
  dialog_->SetObserver(this);
  return true;
}

void DialogWindow::Destroy() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
}

void DialogWindow::Detach() {
  if (dialog_ != nullptr) dialog_->SetObserver(nullptr);
  dialog_ = nullptr;
}

void DialogWindow::CreateWhenShown(HWND parent, const ui::RectDu& rect) {
  pendingParent_ = parent;
  pendingRect_ = rect;
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
    self->Detach();
    return FALSE;
  }
  if (self->dialog_ == nullptr) return FALSE;
  return self->HandleMessage(message, wParam, lParam);
}

void DialogWindow::OnInitDialog() {
  SetPropW(hwnd_, kTemplateProperty,
           reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(template_->id)));
  if (role_ == WindowRole::TopLevel) SetIcons();
  ApplyAll();
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
  if (code == BN_CLICKED) dialog_->UserClick(id);
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
  if (HasStyle(control, WS_VISIBLE) != visible) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
  applying_ = false;
}

void DialogWindow::ApplyText(HWND control, const ui::ControlTemplate& item) {
  if (item.kind == ui::ControlKind::Picture || item.kind == ui::ControlKind::EtchedLine) return;
  const std::u16string text = dialog_->GetText(item.id);
  if (WindowText(control) == text) return;
  SetWindowTextW(control, ToWide(text).c_str());
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
    if (Create(parent)) PlaceInParent(pendingRect_);
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

void DialogWindow::DialogEnded(int /*result*/) {
  // Wakes the modal loop, which returns once it sees the dialog has ended.
  if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_NULL, 0, 0);
}

}  // namespace tarn::win32
