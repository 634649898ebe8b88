#include "win32/host.h"

#include <commdlg.h>

#include <algorithm>
#include <utility>

#include "resources/embedded.h"
#include "ui/message_box.h"
#include "win32/chart_window.h"
#include "win32/dialog_window.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr wchar_t kPostWindowClass[] = L"TarnUserAppPosted";
constexpr UINT kRunPostedMessage = WM_APP + 1;
// Room for a path the user picks in a file dialog, in characters.
constexpr DWORD kPathRoom = 32768;

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

// The dialog manager gave the focus to the first tab stop when it made the
// window, before the dialog had set its controls up (the main window's Quit,
// which Enter would then press); the dialog says where it goes now that they
// are.
void FocusInitially(const ui::Dialog& dialog, HWND window) {
  const int id = dialog.InitialFocus();
  const HWND control = id != ui::kNoId ? GetDlgItem(window, id) : nullptr;
  if (control != nullptr) {
    SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  }
}

// Windows counts the default button by its place in the box.
UINT DefaultButtonOf(const ui::MessageBoxRequest& request) {
  return ui::IsSecondButton(request.buttons, request.defaultAnswer) ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
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
  return ui::LeastChangingAnswer(buttons);
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
  RegisterChartClass(instance_);
}

Win32Host::~Win32Host() {
  windows_.clear();
  if (postWindow_ != nullptr) {
    SetWindowLongPtrW(postWindow_, GWLP_USERDATA, 0);
    DestroyWindow(postWindow_);
  }
}

MsgAnswer Win32Host::AskUser(const Message& message) {
  std::u16string text = message.text;
  if (!message.details.empty()) text.append(u"\n\n").append(message.details);
  const ui::MessageBoxRequest& request = message.request;
  // Owned by the window of the innermost modal run once it is on screen;
  // before that (the warning, the start-up's boxes) the box stands alone,
  // centred on the screen, and keeps the thread's windows waiting.
  HWND owner = ActiveWindow();
  UINT modality = MB_APPLMODAL;
  if (owner != nullptr && !IsWindowVisible(owner)) {
    owner = nullptr;
    modality = MB_TASKMODAL;
  }
  const UINT style = ButtonsOf(request.buttons) | IconOf(request.icon) | DefaultButtonOf(request) |
                     modality | MB_SETFOREGROUND;
  const int clicked =
      MessageBoxW(owner, ToWide(text).c_str(), ToWide(res::kAppTitle).c_str(), style);
  return AnswerOf(clicked, request.buttons);
}

bool Win32Host::OpenWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) {
  const HWND ownerWindow = WindowOf(owner);
  WindowRole role = WindowRole::Modeless;
  if (modal) role = ownerWindow != nullptr ? WindowRole::Owned : WindowRole::TopLevel;
  auto window = std::make_unique<DialogWindow>(*this, dialog, role);
  DialogWindow& made = *window;
  windows_[&dialog] = std::move(window);
  if (!made.Create(ownerWindow)) {
    Forget(dialog);
    return false;
  }
  return true;
}

// A modeless window is one of the owner's: above it, minimised with it, and
// served by the owner's modal loop beside it.
void Win32Host::ShowWindow(ui::Dialog& dialog, ui::Dialog* owner, bool modal) {
  const HWND window = WindowOf(dialog);
  const HWND ownerWindow = WindowOf(owner);
  if (modal && ownerWindow != nullptr) EnableWindow(ownerWindow, FALSE);
  ::ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (modal) FocusInitially(dialog, window);
}

void Win32Host::RunUntilEnded(ui::Dialog& dialog, ui::Dialog* owner) {
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
    Process(message);
    // A modeless window whose dialog ended meanwhile (its close box, Esc, a
    // button, or posted work) goes.
    EndFinishedRuns();
  }
  // The owner comes back before this window goes, so it takes the activation.
  if (const HWND ownerWindow = WindowOf(owner)) EnableWindow(ownerWindow, TRUE);
}

void Win32Host::CloseWindow(ui::Dialog& dialog, bool fromHandler) {
  if (fromHandler) {
    ReleaseLater(dialog);
  } else {
    Forget(dialog);
  }
}

void Win32Host::RaiseWindow(ui::Dialog& dialog) {
  if (const HWND open = WindowOf(dialog)) {
    if (IsIconic(open)) ::ShowWindow(open, SW_RESTORE);
    SetForegroundWindow(open);
  }
}

void Win32Host::Process(MSG& message) {
  if (TranslateShortcut(message) || RouteDialogKey(message)) return;
  const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root != nullptr && IsOurDialog(root) && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool Win32Host::TranslateShortcut(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  const DialogWindow* window = FindWindow(root);
  if (window == nullptr || window->accelerators() == nullptr) return false;
  MSG copy = message;
  return TranslateAcceleratorW(root, window->accelerators(), &copy) != 0;
}

// Enter and Esc belong to the dialog layer, as in the Qt front end: Enter goes
// to the dialog whose control has the focus (a page, when the focus is in
// one), which decides from the focus what it means; Esc is the Cancel
// command of the window.
bool Win32Host::RouteDialogKey(const MSG& message) {
  if (message.message != WM_KEYDOWN ||
      (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE)) {
    return false;
  }
  const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  DialogWindow* top = FindWindow(root);
  if (top == nullptr || top->dialog() == nullptr) return false;
  if (message.wParam == VK_ESCAPE) {
    top->dialog()->UserPressEscape();
    return true;
  }
  const HWND focus = GetFocus();
  DialogWindow* holder = focus != nullptr ? FindWindow(GetParent(focus)) : nullptr;
  if (holder == nullptr || holder->dialog() == nullptr) holder = top;
  holder->dialog()->UserPressEnter();
  return true;
}

DialogWindow* Win32Host::FindWindow(HWND window) const {
  if (window == nullptr) return nullptr;
  for (const auto& [dialog, shown] : windows_) {
    if (shown->hwnd() == window) return shown.get();
  }
  return nullptr;
}

bool Win32Host::IsOurDialog(HWND window) const {
  for (const auto& [dialog, shown] : windows_) {
    if (shown->hwnd() == window) return true;
  }
  return false;
}

// A parent that is not on screen still gets a working child; there is just
// nothing to draw.
void Win32Host::OpenChild(ui::Dialog& child, ui::Dialog& parent, const ui::RectDu& rect) {
  if (const DialogWindow* parentWindow = FindWindow(WindowOf(parent))) {
    auto window = std::make_unique<DialogWindow>(*this, child, WindowRole::Child);
    window->CreateWhenShown(parentWindow->hwnd(), rect,
                            parentWindow->ChildFontPoints(child.Template()));
    windows_[&child] = std::move(window);
  }
}

void Win32Host::CloseChild(ui::Dialog& child) {
  // Freed later: the child may be destroyed from inside one of its own handlers.
  ReleaseLater(child);
}

void Win32Host::ReleaseLater(const ui::Dialog& dialog) {
  const auto found = windows_.find(&dialog);
  if (found == windows_.end()) return;
  std::shared_ptr<DialogWindow> window(std::move(found->second));
  windows_.erase(found);
  window->Destroy();
  window->Detach();
  PostToUi([window] {});
}

void Win32Host::Forget(const ui::Dialog& dialog) {
  const auto found = windows_.find(&dialog);
  if (found == windows_.end()) return;
  found->second->Destroy();
  found->second->Detach();
  windows_.erase(found);
}

void Win32Host::WakeUi() {
  PostMessageW(postWindow_, kRunPostedMessage, 0, 0);
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
  return ModalStack().empty() ? nullptr : WindowOf(ModalStack().back());
}

DialogWindow* Win32Host::DisplayOf(const ui::Dialog& dialog) const {
  const auto found = windows_.find(&dialog);
  return found == windows_.end() ? nullptr : found->second.get();
}

HWND Win32Host::WindowOf(const ui::Dialog* dialog) const {
  return dialog != nullptr ? WindowOf(*dialog) : nullptr;
}

HWND Win32Host::WindowOf(const ui::Dialog& dialog) const {
  const auto found = windows_.find(&dialog);
  return found == windows_.end() ? nullptr : found->second->hwnd();
}

// The filter of a file dialog: pairs of description and pattern, each ended
// by a null character, the whole ended by one more.
static std::wstring FilterOf(const ui::FileRequest& request) {
  std::wstring filter;
  for (const ui::FileType& type : request.types) {
    filter += ToWide(type.description);
    filter.push_back(L'\0');
    filter += ToWide(type.pattern);
    filter.push_back(L'\0');
  }
  filter.push_back(L'\0');
  return filter;
}

std::optional<std::filesystem::path> Win32Host::ChooseFile(const ui::FileRequest& request,
                                                           bool save) {
  std::wstring path = ToWide(request.proposedName);
  path.resize(std::max<std::size_t>(kPathRoom, path.size() + 1), L'\0');
  const std::wstring filter = FilterOf(request);
  const std::wstring title = ToWide(request.title);
  const std::wstring suffix = ToWide(request.suffix);
  OPENFILENAMEW ask{};
  ask.lStructSize = sizeof ask;
  ask.hwndOwner = ActiveWindow();
  ask.lpstrFilter = request.types.empty() ? nullptr : filter.c_str();
  ask.nFilterIndex = 1;
  ask.lpstrFile = path.data();
  ask.nMaxFile = static_cast<DWORD>(path.size());
  ask.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ask.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
  // The working folder stays where it was: files the program finds beside
  // itself do not depend on where the user last saved.
  ask.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  ask.Flags |= save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
  const BOOL chosen = save ? GetSaveFileNameW(&ask) : GetOpenFileNameW(&ask);
  if (chosen == FALSE) return std::nullopt;
  // nFilterIndex counts the kinds from 1.
  if (request.chosenType != nullptr) {
    *request.chosenType = ask.nFilterIndex > 0 ? ask.nFilterIndex - 1 : 0;
  }
  return std::filesystem::path(std::wstring(path.c_str()));
}

}  // namespace tarn::win32
