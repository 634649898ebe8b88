// What the dialogs need of the window system: message boxes, modal runs,
// child windows and a way to run work on the UI thread.
#pragma once

#include <functional>

#include "link/prompts.h"
#include "ui/dialog.h"

namespace tarn::ui {

// A rectangle in dialog units of the parent dialog.
struct RectDu {
  int x = 0, y = 0, cx = 0, cy = 0;
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
};

}  // namespace tarn::ui
