#include "win32/host.h"

#include <utility>

#include "resources/embedded.h"
#include "win32/dialog_window.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr wchar_t kPostWindowClass[] = L"TarnUserAppPosted";
constexpr UINT kRunPostedMessage = WM_APP + 1;

UINT ButtonsOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return MB_OK;
    case MsgButtons::OkCancel:
      return MB_OKCANCEL;
    case MsgButtons::YesNo:
      return MB_YESNO;
    case MsgButtons::RetryCancel:
      return MB_RETRYCANCEL;
  }
  return MB_OK;
}

UINT IconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Exclamation:
      return MB_ICONEXCLAMATION;
    case MsgIcon::Question:
      return MB_ICONQUESTION;
    case MsgIcon::None:
      break;
  }
  return 0;
}

// A box that could not be shown counts as the answer that changes least.
MsgAnswer AnswerOf(int clicked, MsgButtons buttons) {
  switch (clicked) {
    case IDOK:
      return MsgAnswer::Ok;
    case IDYES:
      return MsgAnswer::Yes;
    case IDNO:
      return MsgAnswer::No;
    case IDRETRY:
      return MsgAnswer::Retry;
    case IDCANCEL:
      return MsgAnswer::Cancel;
    default:
      break;
  }
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
}

bool IsPushButton(HWND window) {
  wchar_t className[16] = {};
  if (GetClassNameW(window, className, 16) == 0 || lstrcmpiW(className, L"Button") != 0) {
    return false;
  }
  const auto type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

Win32Host::Win32Host(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Win32Host::PostWindowProc;
  windowClass.hInstance = instance_;
  windowClass.lpszClassName = kPostWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when a second host registers it again
  postWindow_ = CreateWindowExW(0, kPostWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance_, nullptr);
  SetWindowLongPtrW(postWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Host::~Win32Host() {
  windows_.clear();
  if (postWindow_ != nullptr) {
    SetWindowLongPtrW(postWindow_, GWLP_USERDATA, 0);
    DestroyWindow(postWindow_);
  }
}

MsgAnswer Win32Host::ShowMessage(int id, MsgButtons buttons, MsgIcon icon) {
  return ShowText(res::String(id), buttons, icon);
}

MsgAnswer Win32Host::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  // Owned by the window of the innermost modal run once it is on screen;
  // before that (the warning, the start-up's boxes) the box stands alone,
  // centred on the screen, and keeps the thread's windows waiting.
  HWND owner = ActiveWindow();
  UINT modality = MB_APPLMODAL;
  if (owner != nullptr && !IsWindowVisible(owner)) {
    owner = nullptr;
    modality = MB_TASKMODAL;
  }
  const int clicked = MessageBoxW(owner, ToWide(text).c_str(), ToWide(res::kAppTitle).c_str(),
                                  ButtonsOf(buttons) | IconOf(icon) | modality | MB_SETFOREGROUND);
  return AnswerOf(clicked, buttons);
}

int Win32Host::RunModal(ui::Dialog& dialog) {
  const HWND owner = ActiveWindow();
  const WindowRole role = owner != nullptr ? WindowRole::Owned : WindowRole::TopLevel;
  auto window = std::make_unique<DialogWindow>(*this, dialog, role);
  DialogWindow& shown = *window;
  windows_[&dialog] = std::move(window);
  if (!shown.Create(owner)) {
    Forget(dialog);
    dialog.EndDialog(ui::kIdCancel);
    return dialog.Result();
  }
  modalRuns_.push_back({&dialog, shown.hwnd()});

  dialog.Initialize();
  // A dialog may end itself while it initialises; it is then never shown.
  if (!dialog.Ended()) {
    dialog.Show(true);
    if (owner != nullptr) EnableWindow(owner, FALSE);
    ShowWindow(shown.hwnd(), SW_SHOW);
    SetForegroundWindow(shown.hwnd());
    RunLoop(dialog);
    // The owner comes back before this window goes, so it takes the activation.
    if (owner != nullptr) EnableWindow(owner, TRUE);
    dialog.Show(false);
  }
  modalRuns_.pop_back();
  Forget(dialog);
  return dialog.Result();
}

void Win32Host::RunLoop(ui::Dialog& dialog) {
  MSG message{};
  while (!dialog.Ended()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // WM_QUIT ends this run and is passed on to the loops outside it.
      PostQuitMessage(static_cast<int>(message.wParam));
      dialog.EndDialog(ui::kIdCancel);
      break;
    }
    if (RouteDialogKey(message)) continue;
    const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && IsOurDialog(root) && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Enter and Esc belong to the dialog, as in the Qt front end: a focused push
// button takes Enter as its own click; otherwise Enter is the top-level
// dialog's OK command and Esc its Cancel command.
bool Win32Host::RouteDialogKey(const MSG& message) {
  if (message.message != WM_KEYDOWN ||
      (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE)) {
    return false;
  }
  const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  DialogWindow* top = nullptr;
  for (const auto& [dialog, window] : windows_) {
    if (window->hwnd() == root && root != nullptr) top = window.get();
  }
  if (top == nullptr || top->dialog() == nullptr) return false;
  ui::Dialog& dialog = *top->dialog();
  if (message.wParam == VK_ESCAPE) {
    dialog.UserPressEscape();
    return true;
  }
  const HWND focus = GetFocus();
  if (focus != nullptr && IsPushButton(focus)) {
    for (const auto& [owner, window] : windows_) {
      if (window->hwnd() == GetParent(focus) && window->dialog() != nullptr) {
        window->dialog()->UserClick(GetDlgCtrlID(focus));
        return true;
      }
    }
  }
  dialog.UserPressEnter();
  return true;
}

bool Win32Host::IsOurDialog(HWND window) const {
  for (const auto& [dialog, shown] : windows_) {
    if (shown->hwnd() == window) return true;
  }
  return false;
}

void Win32Host::CreateChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) {
  // A parent that is not on screen still gets a working child; there is just
  // nothing to draw.
  if (const HWND parentWindow = WindowOf(parent)) {
    auto window = std::make_unique<DialogWindow>(*this, child, WindowRole::Child);
    window->CreateWhenShown(parentWindow, rect);
    windows_[&child] = std::move(window);
  }
  child.Initialize();
}

void Win32Host::DestroyChild(ui::Dialog& child) {
  const auto found = windows_.find(&child);
  if (found == windows_.end()) return;
  std::shared_ptr<DialogWindow> window(std::move(found->second));
  windows_.erase(found);
  window->Destroy();
  window->Detach();
  // Freed later: the child may be destroyed from inside one of its own handlers.
  PostToUi([window] {});
}

void Win32Host::Forget(const ui::Dialog& dialog) {
  const auto found = windows_.find(&dialog);
  if (found == windows_.end()) return;
  found->second->Destroy();
  found->second->Detach();
  windows_.erase(found);
}

void Win32Host::PostToUi(std::function<void()> work) {
  {
    const std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
  }
  PostMessageW(postWindow_, kRunPostedMessage, 0, 0);
}

void Win32Host::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    const std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
  }
  for (auto& work : batch) work();
}

LRESULT CALLBACK Win32Host::PostWindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == kRunPostedMessage) {
    if (auto* host = reinterpret_cast<Win32Host*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      host->RunPosted();
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND Win32Host::ActiveWindow() const {
  return modalRuns_.empty() ? nullptr : modalRuns_.back().window;
}

HWND Win32Host::WindowOf(const ui::Dialog& dialog) const {
  const auto found = windows_.find(&dialog);
  return found == windows_.end() ? nullptr : found->second->hwnd();
}

// FIXME: the system's file dialogs and modeless windows are not drawn yet;
// until then a file request is cancelled and a modeless dialog stays closed.
std::optional<std::filesystem::path> Win32Host::AskFileToSave(const ui::FileRequest&) {
  return std::nullopt;
}

std::optional<std::filesystem::path> Win32Host::AskFileToOpen(const ui::FileRequest&) {
  return std::nullopt;
}

void Win32Host::ShowModeless(ui::Dialog&, ui::Dialog&) {}

void Win32Host::CloseModeless(ui::Dialog& dialog) {
  if (!dialog.Ended()) dialog.EndDialog(ui::kIdCancel);
}

}  // namespace tarn::win32
