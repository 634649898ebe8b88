// tarn-wine-probe.exe: finds the program's windows from outside it, for the
// session harness that drives the program with real input. It reads one
// command a line on standard input and answers one line:
//
//   window <template>            x y width height shown      (screen pixels)
//   control <template> <id>      x y width height shown enabled text
//   box                          x y width height text       the message box on screen
//   boxbutton <id>               x y width height shown enabled text
//   statusbar <template>         x y width height shown enabled text
//   unlist <port>                "ok": the port leaves the system's port list
//   relist                       "ok": the ports unlisted are listed again
//
// or "none". Dialog windows carry their template id as a window property;
// texts are UTF-8 with line breaks as "\n". With a desktop name as its
// argument it looks at the windows of that desktop (a wine virtual desktop).
#include <windows.h>
// After windows.h: the status bar's messages.
#include <commctrl.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "windows/serial_comm.h"

namespace {

constexpr wchar_t kTemplateProperty[] = L"TarnTemplateId";
constexpr wchar_t kBoxTitle[] = L"Tarn User App";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kBoxTextId = 0xFFFF;
constexpr int kDesktopTries = 1200;
constexpr DWORD kDesktopRetryMs = 50;
// The status bar below a window with a menu (src/win32/dialog_window.cpp).
constexpr int kStatusBarId = 0x7E00;
constexpr int kTextRoom = 4096;

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

std::string Utf8(const wchar_t* wide) {
  char narrow[16384] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

struct TipSearch {
  HWND owner;
  std::vector<HWND> tips;
};

BOOL CALLBACK FindTips(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TipSearch*>(param);
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (lstrcmpiW(className, TOOLTIPS_CLASSW) == 0 && GetWindow(window, GW_OWNER) == search->owner) {
    search->tips.push_back(window);
  }
  return TRUE;
}

// The text of the tool (bar, part 0) in one tooltip window of another
// process. A message that carries a pointer reaches another process
// unchanged, so the text is asked for into memory of that process and read
// from there.
std::wstring TipText(HANDLE process, HWND tip, HWND bar) {
  constexpr SIZE_T kBytes = sizeof(TTTOOLINFOW) + kTextRoom * sizeof(wchar_t);
  auto* remote = static_cast<BYTE*>(
      VirtualAllocEx(process, nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (remote == nullptr) return {};
  wchar_t wide[kTextRoom] = {};
  auto* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(TTTOOLINFOW));
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = bar;
  tool.uId = 0;
  tool.lpszText = remoteText;
  WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr);
  WriteProcessMemory(process, remoteText, wide, sizeof(wchar_t), nullptr);
  SendMessageW(tip, TTM_GETTEXTW, kTextRoom, reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remoteText, wide, sizeof wide, nullptr);
  wide[kTextRoom - 1] = L'\0';
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return wide;
}

// The status bar draws its text itself and keeps it only as the tip of its
// one part. Its tooltip window belongs to the top-level window, as the
// tooltips of the other controls do; only the bar's has a tool for it.
std::string StatusBarText(HWND bar) {
  DWORD processId = 0;
  const DWORD thread = GetWindowThreadProcessId(bar, &processId);
  TipSearch search{GetAncestor(bar, GA_ROOT), {}};
  EnumThreadWindows(thread, &FindTips, reinterpret_cast<LPARAM>(&search));
  const HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) return {};
  std::wstring text;
  for (HWND tip : search.tips) {
    text = TipText(process, tip, bar);
    if (!text.empty()) break;
  }
  CloseHandle(process);
  return Utf8(text.c_str());
}

// The values of SERIALCOMM taken out by "unlist", put back by "relist" and
// on the way out, so that the prefix keeps its ports.
class PortList {
 public:
  ~PortList() { Relist(); }

  bool Unlist(const std::wstring& port) {
    auto entry = tarn::wine::UnlistPort(port);
    if (entry) taken_.push_back(std::move(*entry));
    return entry.has_value();
  }

  bool Relist() {
    bool ok = true;
    for (const tarn::wine::SerialCommEntry& entry : taken_) {
      ok = tarn::wine::RelistPort(entry) && ok;
    }
    taken_.clear();
    return ok;
  }

 private:
  std::vector<tarn::wine::SerialCommEntry> taken_;
};

PortList ports;

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
  if (verb == "statusbar" && in >> templateId) {
    const HWND window = FindDialog(templateId);
    const HWND bar = window != nullptr ? GetDlgItem(window, kStatusBarId) : nullptr;
    if (bar == nullptr) return "none";
    return Rect(bar) + ' ' + (IsWindowVisible(bar) ? '1' : '0') + ' ' +
           (IsWindowEnabled(bar) ? '1' : '0') + ' ' + StatusBarText(bar);
  }
  std::string port;
  if (verb == "unlist" && in >> port) {
    return ports.Unlist(std::wstring(port.begin(), port.end())) ? "ok" : "none";
  }
  if (verb == "relist") return ports.Relist() ? "ok" : "none";
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
