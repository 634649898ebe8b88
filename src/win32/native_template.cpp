#include "win32/native_template.h"

#include <algorithm>
#include <cwctype>

#include <commctrl.h>

#include "ui/label_layout.h"
#include "win32/chart_window.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

// The predefined window classes of the dialog manager, by atom.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

constexpr WORD kExtendedVersion = 1;
constexpr WORD kExtendedSignature = 0xFFFF;
constexpr WORD kFontWeightNormal = FW_NORMAL;
constexpr BYTE kDefaultCharset = DEFAULT_CHARSET;
// An etched line is at least this thick, in dialog units, so that its two
// pixel lines (dark and light) are drawn even where the template gives 0.
constexpr short kEtchedThickness = 1;

DWORD TextAlignStyle(const ui::ControlTemplate& control) {
  switch (control.align) {
    case ui::TextAlign::Center:
      return SS_CENTER;
    case ui::TextAlign::Right:
      return SS_RIGHT;
    case ui::TextAlign::Left:
      break;
  }
  return SS_LEFT;
}

void PlaceAt(const ui::ControlTemplate& control, NativeControl& native) {
  native.x = static_cast<short>(control.x);
  native.y = static_cast<short>(control.y);
  native.cx = static_cast<short>(control.cx);
  native.cy = static_cast<short>(control.cy);
}

// A separator may be given with a negative extent (drawn up or left from its
// point) or none; it becomes a horizontal or vertical etched static.
void PlaceEtchedLine(const ui::ControlTemplate& control, NativeControl& native) {
  int x = control.x, y = control.y, cx = control.cx, cy = control.cy;
  if (cx < 0) {
    x += cx;
    cx = -cx;
  }
  if (cy < 0) {
    y += cy;
    cy = -cy;
  }
  const bool horizontal = cx >= cy;
  native.style |= horizontal ? SS_ETCHEDHORZ : SS_ETCHEDVERT;
  if (horizontal) {
    cy = std::max<int>(cy, kEtchedThickness);
  } else {
    cx = std::max<int>(cx, kEtchedThickness);
  }
  native.x = static_cast<short>(x);
  native.y = static_cast<short>(y);
  native.cx = static_cast<short>(cx);
  native.cy = static_cast<short>(cy);
}

bool IsShellFont(std::u16string_view face) {
  constexpr std::u16string_view kShellFont = u"MS Shell Dlg";
  return face.size() == kShellFont.size() &&
         std::equal(face.begin(), face.end(), kShellFont.begin(), [](char16_t a, char16_t b) {
           return std::towlower(static_cast<wint_t>(a)) == std::towlower(static_cast<wint_t>(b));
         });
}

}  // namespace

NativeControl NativeControlOf(const ui::ControlTemplate& control) {
  NativeControl native;
  native.style = WS_CHILD;
  if (control.visible) native.style |= WS_VISIBLE;
  if (control.disabled) native.style |= WS_DISABLED;
  if (control.tabStop) native.style |= WS_TABSTOP;
  PlaceAt(control, native);
  switch (control.kind) {
    case ui::ControlKind::PushButton:
      native.classAtom = kButtonClass;
      native.style |= BS_PUSHBUTTON | BS_NOTIFY;  // BS_NOTIFY: focus is reported
      break;
    case ui::ControlKind::DefPushButton:
      native.classAtom = kButtonClass;
      native.style |= BS_DEFPUSHBUTTON | BS_NOTIFY;
      break;
    case ui::ControlKind::CheckBox:
      // Not an automatic check box: the dialog toggles the state on a click
      // and the host shows what the dialog holds.
      native.classAtom = kButtonClass;
      native.style |= BS_CHECKBOX | BS_NOTIFY;
      break;
    case ui::ControlKind::StaticText:
      native.classAtom = kStaticClass;
      if (ui::IsRowLabel(control)) {
        // Drawn by the host across its whole grid row; SS_NOTIFY lets it
        // take the mouse for its tooltip.
        native.style |= SS_OWNERDRAW | SS_NOTIFY;
        native.y = static_cast<short>(control.y - ui::kLabelSpill);
        native.cy = static_cast<short>(control.cy + 2 * ui::kLabelSpill);
        break;
      }
      native.style |= TextAlignStyle(control) | SS_NOPREFIX;
      if (control.centerVertically) native.style |= SS_CENTERIMAGE;
      if (control.staticEdge) native.exStyle |= WS_EX_STATICEDGE;
      break;
    case ui::ControlKind::Edit:
      native.classAtom = kEditClass;
      native.style |= ES_LEFT;
      if (control.autoScroll) native.style |= ES_AUTOHSCROLL;
      if (control.border) native.style |= WS_BORDER;
      break;
    case ui::ControlKind::GroupBox:
      native.classAtom = kButtonClass;
      native.style |= BS_GROUPBOX;
      break;
    case ui::ControlKind::Picture:
      // Drawn by the host: the picture is scaled to the control's size.
      native.classAtom = kStaticClass;
      native.style |= SS_OWNERDRAW;
      break;
    case ui::ControlKind::EtchedLine:
      native.classAtom = kStaticClass;
      PlaceEtchedLine(control, native);
      break;
    case ui::ControlKind::List:
      native.className = WC_LISTVIEWW;
      native.style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
      native.exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ui::ControlKind::Chart:
      native.className = kChartClass;
      native.exStyle |= WS_EX_CLIENTEDGE;
      break;
  }
  return native;
}

DWORD NativeDialogStyle(const ui::DialogTemplate& dialog, WindowRole role) {
  DWORD style = DS_SETFONT;
  if (IsShellFont(dialog.fontName)) style |= DS_FIXEDSYS;  // DS_SHELLFONT
  switch (role) {
    case WindowRole::TopLevel:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
               WS_MAXIMIZEBOX | DS_CENTER;
      break;
    case WindowRole::Owned:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
      break;
    case WindowRole::Modeless:
      style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | DS_CENTER;
      break;
    case WindowRole::Child:
      // No WS_BORDER for a page's frame: the dialog manager drops it from a
      // DS_CONTROL dialog along with WS_CAPTION, and the window draws its
      // frame itself.
      style |= WS_CHILD | DS_CONTROL;
      break;
  }
  return style;
}

DWORD NativeDialogExStyle(const ui::DialogTemplate& /*dialog*/, WindowRole role) {
  switch (role) {
    case WindowRole::TopLevel:
      return WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
    case WindowRole::Owned:
      return WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    case WindowRole::Modeless:
    case WindowRole::Child:
      break;
  }
  return WS_EX_CONTROLPARENT;
}

DWORD NativeControlId(const ui::DialogTemplate& dialog, std::size_t index) {
  const ui::ControlTemplate& control = dialog.controls[index];
  if (control.id != ui::kNoId) return static_cast<DWORD>(control.id);
  if (control.kind != ui::ControlKind::Picture) return kNoControlId;
  const auto pictureNumber =
      std::count_if(dialog.controls.begin(), dialog.controls.begin() + static_cast<long>(index),
                    [](const ui::ControlTemplate& c) { return c.kind == ui::ControlKind::Picture; });
  return kFirstPictureId + static_cast<DWORD>(pictureNumber);
}

NativeTemplate::NativeTemplate(const ui::DialogTemplate& dialog, WindowRole role,
                               int fontPoints) {
  // DLGTEMPLATEEX: version, signature, help id, extended style, style, count, rectangle.
  words_.push_back(kExtendedVersion);
  words_.push_back(kExtendedSignature);
  AddDword(0);
  AddDword(NativeDialogExStyle(dialog, role));
  AddDword(NativeDialogStyle(dialog, role));
  words_.push_back(static_cast<WORD>(dialog.controls.size()));
  AddShort(0);
  AddShort(0);
  AddShort(static_cast<short>(dialog.cx));
  AddShort(static_cast<short>(dialog.cy));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the dialog class
  AddText(role == WindowRole::Child ? std::u16string_view() : dialog.title);
  // The font, since DS_SETFONT is set: size, weight, italic and character set, face.
  words_.push_back(static_cast<WORD>(fontPoints));
  words_.push_back(kFontWeightNormal);
  words_.push_back(static_cast<WORD>(kDefaultCharset << 8));  // italic 0 (low byte), charset
  AddText(dialog.fontName);
  for (std::size_t index = 0; index < dialog.controls.size(); ++index) AddControl(dialog, index);
}

void NativeTemplate::AddControl(const ui::DialogTemplate& dialog, std::size_t index) {
  const ui::ControlTemplate& control = dialog.controls[index];
  const NativeControl native = NativeControlOf(control);
  AlignToDword();
  // DLGITEMTEMPLATEEX: help id, extended style, style, rectangle, id, class, text, extra.
  AddDword(0);
  AddDword(native.exStyle);
  AddDword(native.style);
  AddShort(native.x);
  AddShort(native.y);
  AddShort(native.cx);
  AddShort(native.cy);
  AddDword(NativeControlId(dialog, index));
  if (native.className != nullptr) {
    AddText(FromWide(native.className));
  } else {
    words_.push_back(0xFFFF);  // the class by atom
    words_.push_back(native.classAtom);
  }
  AddText(control.kind == ui::ControlKind::Picture ? std::u16string_view() : control.caption);
  words_.push_back(0);  // no creation data
}

void NativeTemplate::AddDword(DWORD value) {
  words_.push_back(LOWORD(value));
  words_.push_back(HIWORD(value));
}

void NativeTemplate::AddShort(short value) {
  words_.push_back(static_cast<WORD>(value));
}

void NativeTemplate::AddText(std::u16string_view text) {
  words_.insert(words_.end(), text.begin(), text.end());
  words_.push_back(0);
}

void NativeTemplate::AlignToDword() {
  if (words_.size() % 2 != 0) words_.push_back(0);
}

}  // namespace tarn::win32
