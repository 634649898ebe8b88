// The dialog layer's host on plain Win32: every ui::Dialog becomes a dialog
// window made by the dialog manager from its template, message boxes are the
// system's own, modal runs are message loops of our own (as a dialog framework
// runs them, so that modeless windows can be served beside a modal one), and
// work from other threads arrives as a posted window message.
//
// Threading: PostToUi may be called from any thread; everything else belongs
// to the thread that created the host (the UI thread).
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <map>
#include <memory>
#include <string_view>

#include "ui/host_base.h"

namespace tarn::win32 {

class DialogWindow;

class Win32Host : public ui::HostBase {
 public:
  explicit Win32Host(HINSTANCE instance);
  ~Win32Host() override;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  HINSTANCE instance() const { return instance_; }
  // The window of the innermost modal run, or nullptr outside any run.
  HWND ActiveWindow() const;
  // The window that shows `dialog`, or nullptr.
  HWND WindowOf(const ui::Dialog& dialog) const;
  // What shows `dialog` on screen, or nullptr.
  DialogWindow* DisplayOf(const ui::Dialog& dialog) const;

  // Called by the windows for each message they pass to the dialog layer.
  // Enter and Esc typed in any of our dialogs, routed as the Qt front end does.
  bool RouteDialogKey(const MSG& message);
  // A menu shortcut typed in a window with a menu bar.
  bool TranslateShortcut(const MSG& message);

 protected:
  // The details go under the message, after a blank line.
  MsgAnswer AskUser(const Message& message) override;
  std::optional<std::filesystem::path> ChooseFile(const ui::FileRequest& request,
                                                  bool save) override;
  bool OpenWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) override;
  void ShowWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) override;
  void RunUntilEnded(ui::Dialog& dialog, ui::Dialog* owner) override;
  void CloseWindow(ui::Dialog& dialog, bool fromHandler) override;
  void RaiseWindow(ui::Dialog& dialog) override;
  void OpenChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) override;
  void CloseChild(ui::Dialog& child) override;
  void WakeUi() override;

 private:
  HWND WindowOf(const ui::Dialog* dialog) const;
  void Process(MSG& message);
  bool IsOurDialog(HWND window) const;
  DialogWindow* FindWindow(HWND window) const;
  void ReleaseLater(const ui::Dialog& dialog);
  static LRESULT CALLBACK PostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Forget(const ui::Dialog& dialog);

  HINSTANCE instance_;
  HWND postWindow_ = nullptr;  // a message-only window that runs posted work
  std::map<const ui::Dialog*, std::unique_ptr<DialogWindow>> windows_;
};

}  // namespace tarn::win32
