// The Win32 host's own part, on real windows: what the dialog manager makes
// of our templates, the control state mirrored into the windows, input handed
// back to the dialog, the colour and font notifications, Enter, Esc and the
// close box, work posted from other threads, and the system's message boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dlg.h"
#include "monitor/monitor_page.h"
#include "pages/read_zero_dlg.h"
#include "pages/parameter_pages.h"
#include "resources/embedded.h"
#include "ui/label_layout.h"
#include "win32/host.h"
#include "win32/native_template.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr int kInfoLine = 1001;
constexpr int kFirstEdit = 1011;
constexpr int kSecondEdit = 1013;
constexpr int kFirstBox = 1106;
constexpr int kButton = 1341;

// A page that records what reaches it and runs a test script inside its
// modal run, on the UI thread.
class Probe : public ui::Dialog {
 public:
  Probe(ui::Host& host, int templateId) : ui::Dialog(host, templateId) {}
  void OnInitDialog() override {
    if (onInit) onInit(*this);
  }
  void OnCommand(int id) override {
    commands.push_back(id);
    ui::Dialog::OnCommand(id);
  }
  void OnEditFocus(int id) override { focused.push_back(id); }
  void OnClose() override {
    ++closes;
    EndDialog(ui::kIdCancel);
  }
  std::optional<ui::Rgb> TextColor(int id) const override {
    if (id == kInfoLine) return ui::kBlue;
    if (id == kFirstEdit) return ui::kRed;
    return std::nullopt;
  }

  std::function<void(Probe&)> onInit;
  std::vector<int> commands;
  std::vector<int> focused;
  int closes = 0;
};

class HostTest : public ::testing::Test {
 protected:
  // Runs `probe` modally; `script` runs once the window is on screen.
  int RunWith(Probe& probe, std::function<void(Probe&, HWND)> script) {
    probe.onInit = [this, script](Probe& dialog) {
      host.PostToUi([this, &dialog, script] { script(dialog, host.WindowOf(dialog)); });
    };
    return host.RunModal(probe);
  }

  Win32Host host{GetModuleHandleW(nullptr)};
};

TEST_F(HostTest, TheDialogManagerPlacesEveryControlOfATemplateInDialogUnits) {
  for (const int templateId : {kTemplateMain, kTemplateVehicle, kTemplateReadZero}) {
    Probe probe(host, templateId);
    RunWith(probe, [templateId](Probe& dialog, HWND window) {
      for (const ui::ControlTemplate& control : dialog.Template().controls) {
        if (control.id == ui::kNoId) continue;
        const HWND item = GetDlgItem(window, control.id);
        ASSERT_NE(item, nullptr) << templateId << "/" << control.id;
        // The dialog manager converts the position and the size each on its own.
        // A row label reaches across its grid row.
        const int spill = ui::IsRowLabel(control) ? ui::kLabelSpill : 0;
        RECT units{control.x, control.y - spill, control.cx, control.cy + 2 * spill};
        MapDialogRect(window, &units);
        const RECT expected{units.left, units.top, units.left + units.right,
                            units.top + units.bottom};
        RECT actual{};
        GetWindowRect(item, &actual);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left) << templateId << "/" << control.id;
        EXPECT_EQ(actual.top, expected.top) << templateId << "/" << control.id;
        EXPECT_EQ(actual.right, expected.right) << templateId << "/" << control.id;
        EXPECT_EQ(actual.bottom, expected.bottom) << templateId << "/" << control.id;
        EXPECT_EQ(WindowText(item), dialog.GetText(control.id)) << templateId << "/" << control.id;
      }
      dialog.EndDialog(ui::kIdOk);
    });
  }
}

struct KindCase {
  ui::ControlKind kind;
  const wchar_t* className;
  DWORD typeMask;
  DWORD type;
};

TEST(NativeControls, EachKindBecomesItsWindowClassAndStyle) {
  const KindCase cases[] = {
      {ui::ControlKind::PushButton, L"Button", BS_TYPEMASK, BS_PUSHBUTTON},
      {ui::ControlKind::DefPushButton, L"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON},
      // The dialog toggles a check box; the control must not do it as well.
      {ui::ControlKind::CheckBox, L"Button", BS_TYPEMASK, BS_CHECKBOX},
      {ui::ControlKind::GroupBox, L"Button", BS_TYPEMASK, BS_GROUPBOX},
      {ui::ControlKind::StaticText, L"Static", SS_TYPEMASK, SS_LEFT},
      {ui::ControlKind::StaticText, L"Static", SS_TYPEMASK, SS_OWNERDRAW},  // a row label
      {ui::ControlKind::Picture, L"Static", SS_TYPEMASK, SS_OWNERDRAW},
      {ui::ControlKind::EtchedLine, L"Static", SS_TYPEMASK, SS_ETCHEDHORZ},
  };
  for (const KindCase& c : cases) {
    ui::ControlTemplate control;
    control.kind = c.kind;
    control.cx = 10;
    // Of the static texts, only the one character high is a row label.
    control.cy = c.type == SS_LEFT ? 20 : 8;
    const NativeControl native = NativeControlOf(control);
    EXPECT_EQ(native.style & c.typeMask, c.type) << static_cast<int>(c.kind);
  }
}

// Separators given upwards or without thickness become visible lines.
TEST(NativeControls, EtchedLinesAreNormalisedToAVisibleThickness) {
  ui::ControlTemplate line;
  line.kind = ui::ControlKind::EtchedLine;
  line.x = 2, line.y = 366, line.cx = 380, line.cy = -2;
  NativeControl native = NativeControlOf(line);
  EXPECT_EQ(native.y, 364);
  EXPECT_EQ(native.cy, 2);
  EXPECT_EQ(native.style & SS_TYPEMASK, static_cast<DWORD>(SS_ETCHEDHORZ));
  line.x = 397, line.y = 65, line.cx = 0, line.cy = 344;
  native = NativeControlOf(line);
  EXPECT_EQ(native.cx, 1);
  EXPECT_EQ(native.style & SS_TYPEMASK, static_cast<DWORD>(SS_ETCHEDVERT));
}

TEST_F(HostTest, ControlStateIsMirroredIntoTheWindows) {
  Probe probe(host, kTemplateVehicle);
  RunWith(probe, [](Probe& dialog, HWND window) {
    const HWND edit = GetDlgItem(window, kFirstEdit);
    const HWND box = GetDlgItem(window, kFirstBox);
    EXPECT_FALSE(IsWindowVisible(edit));
    dialog.ShowControl(kFirstEdit, true);
    dialog.SetText(kFirstEdit, u"Скорость 42");
    dialog.EnableControl(kFirstEdit, false);
    dialog.ShowControl(kFirstBox, true);
    dialog.SetCheck(kFirstBox, ui::CheckState::Checked);
    dialog.SetBold(kInfoLine, true);
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_FALSE(IsWindowEnabled(edit));
    EXPECT_EQ(WindowText(edit), u"Скорость 42");
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, kInfoLine), WM_GETFONT, 0, 0)),
               sizeof face, &face);
    EXPECT_EQ(face.lfWeight, FW_BOLD);
    dialog.EndDialog(ui::kIdOk);
  });
}

TEST_F(HostTest, ClicksTypingAndFocusReachTheDialog) {
  Probe probe(host, kTemplateVehicle);
  RunWith(probe, [](Probe& dialog, HWND window) {
    dialog.ShowControl(kFirstEdit, true);
    dialog.ShowControl(kFirstBox, true);
    const HWND box = GetDlgItem(window, kFirstBox);
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.GetCheck(kFirstBox), ui::CheckState::Checked);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);  // toggled once, by the dialog
    const HWND edit = GetDlgItem(window, kFirstEdit);
    SetFocus(edit);
    SetWindowTextW(edit, L"123");
    EXPECT_EQ(dialog.GetText(kFirstEdit), u"123");
    EXPECT_EQ(dialog.focused, std::vector<int>{kFirstEdit});
    // Text set by the dialog itself is not the user's typing.
    dialog.SetText(kSecondEdit, u"7");
    EXPECT_EQ(dialog.GetText(kSecondEdit), u"7");
    SendMessageW(GetDlgItem(window, kButton), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.commands, (std::vector<int>{kFirstBox, kButton}));
    dialog.EndDialog(ui::kIdOk);
  });
}

TEST_F(HostTest, TextColoursComeFromTheDialogThroughTheColourNotifications) {
  Probe probe(host, kTemplateVehicle);
  RunWith(probe, [](Probe& dialog, HWND window) {
    dialog.ShowControl(kFirstEdit, true);
    HDC dc = CreateCompatibleDC(nullptr);
    struct ColourCase {
      UINT message;
      int id;
      COLORREF expected;
    };
    const ColourCase cases[] = {
        {WM_CTLCOLORSTATIC, kInfoLine, RGB(0, 0, 255)},
        {WM_CTLCOLOREDIT, kFirstEdit, RGB(255, 0, 0)},
    };
    for (const ColourCase& c : cases) {
      SetTextColor(dc, RGB(1, 2, 3));
      const LRESULT brush = SendMessageW(window, c.message, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(GetDlgItem(window, c.id)));
      EXPECT_NE(brush, 0) << c.id;
      EXPECT_EQ(GetTextColor(dc), c.expected) << c.id;
    }
    // A control without a colour of its own keeps the dialog manager's.
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, 1010)));
    EXPECT_NE(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_NE(GetTextColor(dc), RGB(0, 0, 255));
    DeleteDC(dc);
    dialog.EndDialog(ui::kIdOk);
  });
}

struct KeyCase {
  const char* name;
  UINT message;
  WPARAM key;
  int focus;  // the control that has the focus, 0 for none
  int result;
  int commands;  // the command the dialog saw, 0 for none
  int closes;
};

// Keys and the close box as the user gives them: posted to the window with
// the focus, through the host's message loop.
TEST_F(HostTest, EnterEscAndTheCloseBoxBehaveAsInTheOtherFrontEnds) {
  const KeyCase cases[] = {
      {"Enter in an edit is the OK command", WM_KEYDOWN, VK_RETURN, kFirstEdit, ui::kIdOk, ui::kIdOk, 0},
      {"Enter on a button clicks it", WM_KEYDOWN, VK_RETURN, kButton, ui::kIdCancel, kButton, 0},
      {"Esc is the Cancel command", WM_KEYDOWN, VK_ESCAPE, kFirstEdit, ui::kIdCancel, ui::kIdCancel, 0},
      {"the close box asks the dialog", WM_CLOSE, 0, 0, ui::kIdCancel, 0, 1},
  };
  for (const KeyCase& c : cases) {
    Probe probe(host, kTemplateVehicle);
    const int result = RunWith(probe, [&c](Probe& dialog, HWND window) {
      dialog.ShowControl(kFirstEdit, true);
      HWND target = window;
      if (c.focus != 0) {
        target = GetDlgItem(window, c.focus);
        SetFocus(target);
      }
      PostMessageW(target, c.message, c.key, 0);
      // A button's click does not end the run by itself.
      if (c.focus == kButton) {
        dialog.host().PostToUi([&dialog] { dialog.EndDialog(ui::kIdCancel); });
      }
    });
    EXPECT_EQ(result, c.result) << c.name;
    if (c.commands != 0) {
      ASSERT_FALSE(probe.commands.empty()) << c.name;
      EXPECT_EQ(probe.commands.front(), c.commands) << c.name;
    }
    EXPECT_EQ(probe.closes, c.closes) << c.name;
  }
}

TEST_F(HostTest, WorkPostedFromAnotherThreadRunsOnTheUiThread) {
  Probe probe(host, kTemplateVehicle);
  const DWORD uiThread = GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0};
  RunWith(probe, [&](Probe& dialog, HWND) {
    std::thread([&] {
      dialog.host().PostToUi([&] {
        ranOn = GetCurrentThreadId();
        dialog.EndDialog(ui::kIdOk);
      });
    }).detach();
  });
  EXPECT_EQ(ranOn.load(), uiThread);
}

// The monitor page's template is wider than the page area: its wide error
// edit and its bottom box are cut short at the frame.
TEST_F(HostTest, ChildPagesSitAtTheirRectangleInsideTheirFrameAndFollowShowAndHide) {
  Probe main(host, kTemplateMain);
  Probe page(host, kTemplateMonitor);
  const ui::RectDu rect{4, 64, 390, 300};
  RunWith(main, [&](Probe& dialog, HWND window) {
    host.CreateChild(page, dialog, rect);
    page.SetText(kInfoLine, u"made before its window");
    EXPECT_EQ(host.WindowOf(page), nullptr);  // made when first shown
    page.Show(true);
    const HWND child = host.WindowOf(page);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(child, kInfoLine)), u"made before its window");
    EXPECT_EQ(GetParent(child), window);
    RECT units{rect.x, rect.y, rect.cx, rect.cy};
    MapDialogRect(window, &units);
    const RECT expected{units.left, units.top, units.left + units.right, units.top + units.bottom};
    RECT actual{};
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.bottom, expected.bottom);
    RECT inner{};
    GetClientRect(child, &inner);
    InflateRect(&inner, -1, -1);  // the frame's line
    for (HWND control = GetWindow(child, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
      RECT placed{};
      GetWindowRect(control, &placed);
      MapWindowPoints(nullptr, child, reinterpret_cast<POINT*>(&placed), 2);
      RECT within{};
      IntersectRect(&within, &placed, &inner);
      EXPECT_TRUE(EqualRect(&within, &placed))
          << "control " << GetDlgCtrlID(control) << " reaches past the frame";
    }
    EXPECT_TRUE(IsWindowVisible(child));
    page.Show(false);
    EXPECT_FALSE(IsWindowVisible(child));
    dialog.EndDialog(ui::kIdOk);
  });
  host.DestroyChild(page);
}

// The control that has the keyboard focus in `box`, a window of another
// thread: the button Enter presses.
HWND FocusIn(HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) == 0) return nullptr;
  return info.hwndFocus != nullptr && GetParent(info.hwndFocus) == box ? info.hwndFocus : nullptr;
}

struct BoxCase {
  const char* name;
  int id;
  MsgButtons buttons;
  MsgIcon icon;
  int defaultId;  // the button that holds the focus when the box opens
  int click;      // 0: Enter is pressed
  MsgAnswer answer;
};

// The system's box: our title and text, the buttons asked for with the
// default the dialog layer chose, the answer clicked. A second thread plays
// the user.
TEST(MessageBoxes, ShowOurTextAndButtonsAndReturnTheAnswer) {
  const BoxCase cases[] = {
      {"OK", kMsgQuitQuestion, MsgButtons::Ok, MsgIcon::Exclamation, IDOK, IDOK, MsgAnswer::Ok},
      {"OK/Cancel", kMsgQuitQuestion, MsgButtons::OkCancel, MsgIcon::Question, IDOK, IDCANCEL,
       MsgAnswer::Cancel},
      {"Yes/No", kMsgQuitQuestion, MsgButtons::YesNo, MsgIcon::Question, IDYES, IDYES,
       MsgAnswer::Yes},
      {"Retry/Cancel", kMsgQuitQuestion, MsgButtons::RetryCancel, MsgIcon::None, IDRETRY, IDRETRY,
       MsgAnswer::Retry},
      {"unwritten changes: Enter keeps working", kMsgQuitUnwritten, MsgButtons::YesNo,
       MsgIcon::Question, IDNO, 0, MsgAnswer::No},
  };
  Win32Host host(GetModuleHandleW(nullptr));
  for (const BoxCase& c : cases) {
    std::u16string seenText;
    bool otherButtonsRight = false;
    int seenDefault = 0;
    std::thread user([&] {
      HWND box = nullptr;
      for (int tries = 0; tries < 2000 && box == nullptr; ++tries) {
        box = FindWindowW(L"#32770", L"Tarn User App");
        if (box == nullptr) Sleep(5);
      }
      if (box == nullptr) return;
      seenText = WindowText(GetDlgItem(box, 0xFFFF));
      const bool hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
      otherButtonsRight = hasCancel == (c.buttons == MsgButtons::OkCancel ||
                                        c.buttons == MsgButtons::RetryCancel);
      // The box is found as soon as it exists; its focus follows once it has
      // been set up.
      for (int tries = 0; tries < 200 && seenDefault == 0; ++tries) {
        seenDefault = FocusIn(box) != nullptr ? GetDlgCtrlID(FocusIn(box)) : 0;
        if (seenDefault == 0) Sleep(5);
      }
      if (c.click != 0) {
        PostMessageW(GetDlgItem(box, c.click), BM_CLICK, 0, 0);
        return;
      }
      const HWND focus = FocusIn(box);
      PostMessageW(focus != nullptr ? focus : box, WM_KEYDOWN, VK_RETURN, 0);
      // A box that Enter did not close is closed by a click, so the test
      // fails on its expectations instead of waiting for ever.
      for (int tries = 0; tries < 400 && IsWindow(box); ++tries) Sleep(5);
      if (IsWindow(box)) PostMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    });
    const MsgAnswer answer = host.ShowMessage(c.id, c.buttons, c.icon);
    user.join();
    EXPECT_EQ(answer, c.answer) << c.name;
    EXPECT_EQ(seenText, res::String(c.id)) << c.name;
    EXPECT_TRUE(otherButtonsRight) << c.name;
    EXPECT_EQ(seenDefault, c.defaultId) << c.name;
  }
}

// The main window opens with the focus on its first page button, not on
// Quit: Enter right after start-up presses a button that changes nothing.
TEST_F(HostTest, TheMainWindowOpensWithTheFocusOffQuitAndEnterKeepsItOpen) {
  constexpr int kVehicleButton = 1002;
  Probe probe(host, kTemplateMain);
  int focusedId = 0;
  const int result = RunWith(probe, [&](Probe& dialog, HWND window) {
    const HWND focus = GetFocus();
    focusedId = focus != nullptr && GetParent(focus) == window ? GetDlgCtrlID(focus) : 0;
    PostMessageW(focus != nullptr ? focus : window, WM_KEYDOWN, VK_RETURN, 0);
    dialog.host().PostToUi([&dialog] {
      if (!dialog.Ended()) dialog.EndDialog(ui::kIdOk);
    });
  });
  EXPECT_EQ(focusedId, kVehicleButton);
  EXPECT_EQ(result, ui::kIdOk);
  ASSERT_FALSE(probe.commands.empty());
  EXPECT_EQ(probe.commands.front(), kVehicleButton);
}

}  // namespace
}  // namespace tarn::win32
