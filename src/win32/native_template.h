// Our dialog templates as the Windows dialog manager takes them: an in-memory
// extended dialog template (DLGTEMPLATEEX) built from a ui::DialogTemplate, so
// that the dialog manager lays every control out in dialog units of the
// template's font, exactly as for a dialog resource.
//
// What each control kind becomes (window class and styles) is decided in one
// place, NativeControlOf; a new kind of control is one more case there.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "ui/dialog_template.h"

namespace tarn::win32 {

// How a dialog window stands among the others.
enum class WindowRole {
  TopLevel,  // the program's own window: sizing border, minimise and maximise, taskbar
  Owned,     // a pop-up above another window: modal frame and close box
  Modeless,  // a window of its own beside its owner: sizing border, close box
  Child,     // a page inside another dialog
};

// Pictures have no id in the templates; the host numbers them from here so
// that it can tell which picture an owner-drawn control shows.
inline constexpr WORD kFirstPictureId = 0x7F00;
inline constexpr DWORD kNoControlId = 0xFFFFFFFF;  // never addressed (IDC_STATIC)

// The window class and styles of one control, and its rectangle in dialog units.
struct NativeControl {
  WORD classAtom = 0;  // one of the predefined classes: Button, Edit, Static
  const wchar_t* className = nullptr;  // a class by name instead (list view, chart)
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
};

NativeControl NativeControlOf(const ui::ControlTemplate& control);

// The styles of the dialog window itself.
DWORD NativeDialogStyle(const ui::DialogTemplate& dialog, WindowRole role);
DWORD NativeDialogExStyle(const ui::DialogTemplate& dialog, WindowRole role);

// The id a control gets in the native template: its own, a picture number
// from kFirstPictureId, or kNoControlId.
DWORD NativeControlId(const ui::DialogTemplate& dialog, std::size_t index);

class NativeTemplate {
 public:
  // `fontPoints` is the size of the dialog font; a smaller size than the
  // template's draws the whole dialog smaller, every dialog unit alike.
  NativeTemplate(const ui::DialogTemplate& dialog, WindowRole role, int fontPoints);
  NativeTemplate(const ui::DialogTemplate& dialog, WindowRole role)
      : NativeTemplate(dialog, role, dialog.fontPoints) {}

  // For CreateDialogIndirectParamW, which takes the extended form through the
  // plain template's pointer type.
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
  std::span<const WORD> words() const { return words_; }

 private:
  void AddDword(DWORD value);
  void AddShort(short value);
  void AddText(std::u16string_view text);
  void AlignToDword();
  void AddControl(const ui::DialogTemplate& dialog, std::size_t index);

  std::vector<WORD> words_;
};

}  // namespace tarn::win32
