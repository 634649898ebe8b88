// Dialogs as data: size and controls in dialog units, captions and styles.
// The templates are kept under resources/templates/ and read once.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarn::ui {

inline constexpr int kNoId = -1;  // a control that is never addressed by id

enum class ControlKind {
  PushButton,
  DefPushButton,
  CheckBox,    // automatic two-state
  StaticText,
  Edit,
  GroupBox,
  Picture,     // `picture` names an embedded image
  EtchedLine,  // a separator; width or height may be 0 or negative
  List,        // rows of texts in columns, optionally with a tick box per row
  Chart,       // lines of values over a time axis
};

enum class TextAlign { Left, Center, Right };

struct ControlTemplate {
  int id = kNoId;
  ControlKind kind = ControlKind::StaticText;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::u16string caption;
  bool visible = true;
  bool disabled = false;
  bool border = false;      // edits: thin border
  bool staticEdge = false;  // static texts: sunken edge
  TextAlign align = TextAlign::Left;
  bool centerVertically = false;
  bool autoScroll = false;  // edits: horizontal scrolling
  bool tabStop = false;
  bool checkBoxes = false;  // lists: a tick box in front of every row
  std::string picture;      // Picture: name of the embedded image
  std::string name;         // the constant the code names the id by, or empty
};

struct DialogTemplate {
  int id = 0;
  int cx = 0, cy = 0;  // dialog units
  std::string name;    // the constant the code names the template by, or empty
  std::u16string fontName;
  int fontPoints = 9;
  std::u16string title;
  bool child = false;   // a page inside another dialog, else a pop-up window
  bool border = false;
  std::vector<ControlTemplate> controls;

  const ControlTemplate* Find(int controlId) const;
};

// The built-in template with this id, or nullptr.
const DialogTemplate* FindTemplate(int templateId);

// The ids of every built-in template, in ascending order.
std::span<const int> BuiltInTemplateIds();

}  // namespace tarn::ui
