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

#include <deque>
#include <filesystem>
#include <optional>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "ui/host.h"
#include "ui/message_box.h"

namespace tarn::win32 {

class DialogWindow;

class Win32Host : public ui::Host {
 public:
  explicit Win32Host(HINSTANCE instance);
  ~Win32Host() override;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) override;
  MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) override;
  // The details go under the message, after a blank line.
  MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details, MsgButtons buttons,
                                   MsgIcon icon) override;
  int RunModal(ui::Dialog& dialog) override;
  void CreateChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) override;
  void DestroyChild(ui::Dialog& child) override;
  void PostToUi(std::function<void()> work) override;
  std::optional<std::filesystem::path> AskFileToSave(const ui::FileRequest& request) override;
  std::optional<std::filesystem::path> AskFileToOpen(const ui::FileRequest& request) override;
  void ShowModeless(ui::Dialog& dialog, ui::Dialog& owner) override;
  void CloseModeless(ui::Dialog& dialog) override;

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

 private:
  struct ModalRun {
    ui::Dialog* dialog;
    HWND window;
  };

  MsgAnswer ShowBox(std::u16string_view text, const ui::MessageBoxRequest& request);
  void RunLoop(ui::Dialog& dialog);
  void Process(MSG& message);
  bool IsOurDialog(HWND window) const;
  DialogWindow* FindWindow(HWND window) const;
  std::optional<std::filesystem::path> AskFile(const ui::FileRequest& request, bool save);
  void CloseModelessWindow(ui::Dialog& dialog);
  void CloseEndedModeless();
  void CloseModelessOwnedBy(HWND owner);
  void ReleaseLater(const ui::Dialog& dialog);
  void RunPosted();
  static LRESULT CALLBACK PostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Forget(const ui::Dialog& dialog);

  HINSTANCE instance_;
  HWND postWindow_ = nullptr;  // a message-only window that runs posted work
  std::map<const ui::Dialog*, std::unique_ptr<DialogWindow>> windows_;
  std::vector<ModalRun> modalRuns_;
  std::vector<ui::Dialog*> modeless_;  // open windows of their own, oldest first

  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace tarn::win32
