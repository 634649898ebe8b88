// What the dialogs need of the window system: message boxes, modal runs,
// child windows and a way to run work on the UI thread.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/prompter.h"

namespace tarn::ui {

// A rectangle in dialog units of the parent dialog.
struct RectDu {
  int x = 0, y = 0, cx = 0, cy = 0;
};

// A kind of file the user may pick: "Image files (*.bin)" with "*.bin".
struct FileType {
  std::u16string description;
  std::u16string pattern;
};

// The text a file dialog's list of kinds shows for `type`: its description,
// which names its pattern ("CSV files (*.csv)"); the pattern is added in
// parentheses only where the description leaves it out.
inline std::u16string FilterText(const FileType& type) {
  const std::u16string named = u"(" + type.pattern + u")";
  if (type.description.find(named) != std::u16string::npos) return type.description;
  return type.description + u" " + named;
}

// What a file dialog asks.
struct FileRequest {
  std::u16string title;
  std::u16string proposedName;  // the name a save dialog offers; may be empty
  std::vector<FileType> types;  // the first one is selected
  std::u16string suffix;        // added to a name typed without one ("bin")
  // When set, receives the index in `types` of the kind the user chose, for
  // kinds that differ in content rather than in name (CSV with commas or
  // semicolons).
  std::size_t* chosenType = nullptr;
};

class Host : public Prompter {
 public:
  // Message boxes (Prompter): title "Tarn User App", modal, on the UI thread.

  // Runs `dialog` as a modal pop-up: creates it, calls Initialize(), and
  // returns its result once EndDialog was called.
  virtual int RunModal(Dialog& dialog) = 0;

  // Creates `child` as a hidden child window of `parent` at `rect`, then calls
  // Initialize(). The child lives until DestroyChild or the parent's end.
  virtual void CreateChild(Dialog& child, Dialog& parent, const RectDu& rect) = 0;
  virtual void DestroyChild(Dialog& child) = 0;

  // Queues `work` to run on the UI thread. May be called from any thread.
  virtual void PostToUi(std::function<void()> work) = 0;

  // The system's file dialogs, modal to the active window. The chosen file,
  // or nothing when the user cancelled. A save dialog asks before it names a
  // file that exists.
  virtual std::optional<std::filesystem::path> AskFileToSave(const FileRequest& request) = 0;
  virtual std::optional<std::filesystem::path> AskFileToOpen(const FileRequest& request) = 0;

  // Shows `dialog` in a window of its own beside `owner` (a window in a modal
  // run) and returns at once: creates it, calls Initialize() and shows it.
  // The window goes when the dialog ends (its close box and Esc end it as in
  // a modal run) or on CloseModeless; the host then forgets the dialog, which
  // its owner may delete from then on, though not from inside its own
  // handlers. Showing a dialog that is already open brings it to the front.
  virtual void ShowModeless(Dialog& dialog, Dialog& owner) = 0;
  // Ends the dialog with kIdCancel if it has not ended, and closes its window.
  virtual void CloseModeless(Dialog& dialog) = 0;
};

}  // namespace tarn::ui
