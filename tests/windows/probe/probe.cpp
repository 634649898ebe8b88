// tarn-wine-probe.exe: finds the program's windows from outside it, for the
// session harness that drives the program with real input. It reads one
// command a line on standard input and answers one line:
//
//   window <template>            x y width height shown      (screen pixels)
//   control <template> <id>      x y width height shown enabled text
//   box                          x y width height text       the message box on screen
//   boxbutton <id>               x y width height shown enabled text
//
// or "none". Dialog windows carry their template id as a window property;
// texts are UTF-8 with line breaks as "\n". With a desktop name as its
// argument it looks at the windows of that desktop (a wine virtual desktop).
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr wchar_t kTemplateProperty[] = L"TarnTemplateId";
constexpr wchar_t kBoxTitle[] = L"Tarn User App";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kBoxTextId = 0xFFFF;
constexpr int kDesktopTries = 1200;
constexpr DWORD kDesktopRetryMs = 50;

struct Search {
  int templateId;
  HWND found;
};

BOOL CALLBACK FindChild(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (reinterpret_cast<INT_PTR>(GetPropW(window, kTemplateProperty)) == search->templateId) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindTop(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  FindChild(window, param);
  if (search->found == nullptr) EnumChildWindows(window, &FindChild, param);
  return search->found == nullptr;
}

HWND FindDialog(int templateId) {
  Search search{templateId, nullptr};
  EnumWindows(&FindTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  wchar_t className[16] = {};
  wchar_t title[64] = {};
  GetClassNameW(window, className, 16);
  GetWindowTextW(window, title, 64);
  if (IsWindowVisible(window) && lstrcmpW(className, kDialogClass) == 0 &&
      lstrcmpW(title, kBoxTitle) == 0 && GetPropW(window, kTemplateProperty) == nullptr) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindMessageBox() {
  HWND box = nullptr;
  EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&box));
  return box;
}

std::string Utf8Text(HWND window) {
  wchar_t wide[4096] = {};
  // WM_GETTEXT reaches controls of another process, unlike GetWindowText.
  SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(wide));
  char narrow[16384] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
  std::string text;
  for (const char* c = narrow; *c != '\0'; ++c) {
    if (*c == '\r') continue;
    if (*c == '\n') {
      text += "\\n";
    } else {
      text += *c;
    }
  }
  return text;
}

std::string Rect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  std::ostringstream out;
  out << rect.left << ' ' << rect.top << ' ' << rect.right - rect.left << ' '
      << rect.bottom - rect.top;
  return out.str();
}

std::string DescribeControl(HWND control) {
  if (control == nullptr) return "none";
  return Rect(control) + ' ' + (IsWindowVisible(control) ? '1' : '0') + ' ' +
         (IsWindowEnabled(control) ? '1' : '0') + ' ' + Utf8Text(control);
}

std::string Answer(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  int templateId = 0;
  int id = 0;
  in >> verb;
  if (verb == "window" && in >> templateId) {
    const HWND window = FindDialog(templateId);
    if (window == nullptr) return "none";
    return Rect(window) + ' ' + (IsWindowVisible(window) ? '1' : '0');
  }
  if (verb == "raise" && in >> templateId) {
    // To the top of the others, so that a click on one of its controls
    // reaches it; the click itself activates it.
    const HWND window = FindDialog(templateId);
    if (window == nullptr) return "none";
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return Rect(window) + ' ' + (IsWindowVisible(window) ? '1' : '0');
  }
  if (verb == "control" && in >> templateId >> id) {
    const HWND window = FindDialog(templateId);
    return DescribeControl(window != nullptr ? GetDlgItem(window, id) : nullptr);
  }
  if (verb == "box") {
    const HWND box = FindMessageBox();
    if (box == nullptr) return "none";
    return Rect(box) + ' ' + Utf8Text(GetDlgItem(box, kBoxTextId));
  }
  if (verb == "boxbutton" && in >> id) {
    const HWND box = FindMessageBox();
    return DescribeControl(box != nullptr ? GetDlgItem(box, id) : nullptr);
  }
  return "error: " + line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1) {
    // The program under test may not have made its desktop yet.
    HDESK desktop = nullptr;
    for (int tries = 0; tries < kDesktopTries && desktop == nullptr; ++tries) {
      desktop = OpenDesktopW(argv[1], 0, FALSE, GENERIC_ALL);
      if (desktop == nullptr) Sleep(kDesktopRetryMs);
    }
    if (desktop == nullptr || !SetThreadDesktop(desktop)) {
      std::fputs("error: no such desktop\n", stdout);
      return 1;
    }
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "quit") break;
    std::fputs((Answer(line) + '\n').c_str(), stdout);
    std::fflush(stdout);
  }
  return 0;
}
