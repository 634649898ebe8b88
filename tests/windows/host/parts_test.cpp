// The window parts on real windows: the menu bar and its shortcuts, the
// status bar, list views with tick boxes, charts, the system's file dialogs,
// modeless windows, Enter in a page, and a window fitted to its screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "app/main_dlg.h"
#include "pages/parameter_pages.h"
#include "ui/parts_dialog.h"
#include "ui/label_layout.h"
#include "win32/dialog_window.h"
#include "win32/host.h"
#include "win32/menu_bar.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr int kSaveImage = 40001;
constexpr int kIdList = ui_test::kPartsListId;
constexpr int kIdChart = ui_test::kPartsChartId;
constexpr int kFirstEdit = 1011;
constexpr int kSecondEdit = 1013;

using ui_test::Recording;

// In the dialog font the Win32 host's other tests use.
ui::DialogTemplate PartsTemplate(int cy = ui_test::kPartsHeight) {
  ui::DialogTemplate t = ui_test::PartsTemplate(cy);
  t.fontName = u"MS Shell Dlg";
  t.fontPoints = 9;
  return t;
}

class WindowParts : public ::testing::Test {
 protected:
  // Runs `dialog` modally; the steps run one after the other once it is on
  // screen, each after the messages the one before posted; the run ends
  // after the last.
  int RunSteps(Recording& dialog, std::vector<std::function<void(HWND)>> steps) {
    dialog.onInit = [this, steps](Recording& d) { Next(d, steps, 0); };
    return host.RunModal(dialog);
  }

  void Next(ui::Dialog& dialog, std::vector<std::function<void(HWND)>> steps, std::size_t at) {
    host.PostToUi([this, &dialog, steps, at] {
      if (at == steps.size() || HasFailure()) {
        if (!dialog.Ended()) dialog.EndDialog(ui::kIdOk);
        return;
      }
      steps[at](host.WindowOf(dialog));
      Next(dialog, steps, at + 1);
    });
  }

  // As RunSteps, but each step comes `gap` after the one before, so that
  // input the step before gave has been handled, by the host's loop or by a
  // menu's own loop.
  int RunStepsApart(Recording& dialog, std::vector<std::function<void(HWND)>> steps,
                    std::chrono::milliseconds gap) {
    dialog.onInit = [this, steps, gap](Recording& d) { NextApart(d, steps, 0, gap); };
    return host.RunModal(dialog);
  }

  void NextApart(ui::Dialog& dialog, std::vector<std::function<void(HWND)>> steps,
                 std::size_t at, std::chrono::milliseconds gap) {
    timed_ = [this, &dialog, steps, at, gap] {
      if (at == steps.size() || HasFailure()) {
        if (!dialog.Ended()) dialog.EndDialog(ui::kIdOk);
        return;
      }
      steps[at](host.WindowOf(dialog));
      NextApart(dialog, steps, at + 1, gap);
    };
    running_ = this;
    SetTimer(nullptr, 0, static_cast<UINT>(gap.count()), &WindowParts::OnTimer);
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (running_ == nullptr) return;
    const std::function<void()> step = std::move(running_->timed_);
    if (step) step();
  }

  Win32Host host{GetModuleHandleW(nullptr)};
  std::function<void()> timed_;
  static inline WindowParts* running_ = nullptr;
};

// What the control paints into its client area, column by column.
std::vector<std::vector<COLORREF>> PixelsOf(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  const HDC screen = GetDC(control);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<std::vector<COLORREF>> columns(static_cast<std::size_t>(client.right));
  for (int x = 0; x < client.right; ++x) {
    for (int y = 0; y < client.bottom; ++y) {
      columns[static_cast<std::size_t>(x)].push_back(GetPixel(dc, x, y));
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(control, screen);
  return columns;
}

int Count(const std::vector<std::vector<COLORREF>>& picture, COLORREF color) {
  int count = 0;
  for (const auto& column : picture) {
    for (const COLORREF pixel : column) count += pixel == color;
  }
  return count;
}

UINT MenuState(HWND window, int commandId) {
  return GetMenuState(GetMenu(window), static_cast<UINT>(commandId), MF_BYCOMMAND);
}

void PressCtrlS(HWND window) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(window, WM_KEYDOWN, 'S', 0);
}

void ReleaseCtrl(HWND) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

// The menu as the user gives its commands: a click (WM_COMMAND from the
// menu) and the shortcut through the host's loop, while the item is
// disabled and again once it is enabled.
TEST_F(WindowParts, MenuCommandsReachTheDialogOnlyWhileTheirItemIsEnabled) {
  Recording dialog(host, kTemplateMain);
  std::vector<int> whileDisabled;
  RunSteps(dialog, {
      [&](HWND window) {
        ASSERT_NE(GetMenu(window), nullptr);
        EXPECT_EQ(GetMenuItemCount(GetMenu(window)), 3);
        dialog.EnableMenuItem(kSaveImage, false);
        EXPECT_NE(MenuState(window, kSaveImage) & MF_GRAYED, 0u);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kSaveImage, 0), 0);
        PressCtrlS(window);
      },
      ReleaseCtrl,
      [&](HWND window) {
        whileDisabled = dialog.commands;
        dialog.EnableMenuItem(kSaveImage, true);
        EXPECT_EQ(MenuState(window, kSaveImage) & MF_GRAYED, 0u);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kSaveImage, 0), 0);
        PressCtrlS(GetDlgItem(window, ui::kIdCancel));  // typed in a control
      },
      ReleaseCtrl,
  });
  EXPECT_TRUE(whileDisabled.empty());
  EXPECT_EQ(dialog.commands, (std::vector<int>{kSaveImage, kSaveImage}));
}

// The status bar lies under the dialog, which keeps its size in dialog
// units between the bars, and shows the dialog's text.
TEST_F(WindowParts, TheStatusBarLiesUnderTheDialogAndShowsItsText) {
  Recording dialog(host, kTemplateMain);
  RunSteps(dialog, {[&](HWND window) {
    const HWND bar = FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    RECT dialogSize{0, 0, dialog.Template().cx, dialog.Template().cy};
    MapDialogRect(window, &dialogSize);
    RECT barRect{};
    GetWindowRect(bar, &barRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&barRect), 2);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_GE(barRect.top, dialogSize.bottom);
    EXPECT_EQ(barRect.bottom, client.bottom);
    EXPECT_LE(client.bottom - dialogSize.bottom, barRect.bottom - barRect.top + 1);
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    const int empty = Count(PixelsOf(bar), ink);
    dialog.SetStatusBarText(u"Запись: live.csv");
    EXPECT_GT(Count(PixelsOf(bar), ink), empty + 20);  // the text is drawn
  }});
}

ui::ListRow Row(std::vector<std::u16string> cells,
               ui::CheckState check = ui::CheckState::Unchecked, bool checkable = true,
               std::optional<ui::Rgb> color = std::nullopt) {
  ui::ListRow row;
  row.cells = std::move(cells);
  row.check = check;
  row.checkable = checkable;
  row.color = color;
  return row;
}

int StateImage(HWND list, int row) {
  return static_cast<int>(ListView_GetItemState(list, row, LVIS_STATEIMAGEMASK) >> 12);
}

void ClickTickBox(HWND list, int row) {
  RECT item{};
  ListView_GetItemRect(list, row, &item, LVIR_BOUNDS);
  const LPARAM at = MAKELPARAM(item.left + GetSystemMetrics(SM_CXSMICON) / 2 + 2,
                               (item.top + item.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
}

// A tick on a row reaches the dialog and the box shows what the dialog
// holds: ticked, kept unticked by the dialog, or refused for a greyed row.
TEST_F(WindowParts, ListTicksReachTheDialogWhichDecidesWhatTheBoxShows) {
  const ui::DialogTemplate parts = PartsTemplate();
  Recording dialog(host, parts);
  dialog.keepUnticked = 2;
  HWND list = nullptr;
  RunSteps(dialog, {
      [&](HWND window) {
        list = GetDlgItem(window, kIdList);
        dialog.SetListColumns(kIdList, {{u"Name", 120}, {u"Value", 60}});
        dialog.SetListRows(kIdList, {Row({u"Speed", u"12"}),
                                     Row({u"Locked", u"1"}, ui::CheckState::Unchecked, false),
                                     Row({u"Torque", u"3"}, ui::CheckState::Unchecked, true,
                                         ui::kRed)});
        ASSERT_EQ(ListView_GetItemCount(list), 3);
        RECT width{0, 0, 120, 0};
        MapDialogRect(window, &width);
        EXPECT_EQ(ListView_GetColumnWidth(list, 0), width.right);
        EXPECT_EQ(StateImage(list, 1), 4);  // greyed
        for (int row = 0; row < 3; ++row) ClickTickBox(list, row);
        EXPECT_EQ(StateImage(list, 0), 1);  // not yet: the dialog decides first
      },
      [&](HWND) {
        EXPECT_EQ(dialog.checks, (std::vector<std::size_t>{0, 2}));
        EXPECT_EQ(dialog.List(kIdList).rows[0].check, ui::CheckState::Checked);
        EXPECT_EQ(StateImage(list, 0), 2);
        EXPECT_EQ(StateImage(list, 1), 4);
        EXPECT_EQ(StateImage(list, 2), 1);
        dialog.SetListRows(kIdList, {Row({u"Speed", u"13"}, ui::CheckState::Checked)});
        EXPECT_EQ(ListView_GetItemCount(list), 1);
        wchar_t text[16] = {};
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = 16;
        SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(FromWide(text), u"13");
      },
  });
}

// Counts, per column, the pixels of `color` in `picture`.
std::vector<int> ColumnsOfColour(const std::vector<std::vector<COLORREF>>& picture,
                                 COLORREF color) {
  std::vector<int> counts(picture.size(), 0);
  for (std::size_t x = 0; x < picture.size(); ++x) {
    for (const COLORREF pixel : picture[x]) counts[x] += pixel == color;
  }
  return counts;
}

TEST_F(WindowParts, AChartLineLeavesAGapWhereAValueIsNotANumber) {
  const ui::DialogTemplate parts = PartsTemplate();
  Recording dialog(host, parts);
  RunSteps(dialog, {[&](HWND window) {
    ui::ChartSeries series{u"Speed", ui::kRed, 0, 10, {}};
    for (int t = 0; t <= 10; ++t) {
      const double value = t == 5 ? std::numeric_limits<double>::quiet_NaN() : 5.0;
      series.points.push_back({static_cast<double>(t), value});
    }
    dialog.SetChart(kIdChart, {10, 10, {series}});
    const HWND chart = GetDlgItem(window, kIdChart);
    UpdateWindow(chart);  // painted on screen as well, without a crash
    const std::vector<int> red = ColumnsOfColour(PixelsOf(chart), RGB(255, 0, 0));
    const auto width = static_cast<double>(red.size());
    // The plot spans nearly the whole width: t = 5 lies near the middle,
    // t = 2 and t = 8 well inside the lines either side of the gap.
    const auto at = [&](double share) { return red[static_cast<std::size_t>(share * width)]; };
    EXPECT_GT(at(0.2), 0);
    EXPECT_GT(at(0.8), 0);
    EXPECT_EQ(at(0.5), 0);
  }});
}

struct FileCase {
  const char* name;
  bool save;
  UINT button;
  std::optional<std::wstring> fileName;
};

// The system's file dialog, answered by a second thread as the user would.
TEST_F(WindowParts, FileDialogsReturnTheChosenFileOrNothingWhenCancelled) {
  const FileCase cases[] = {
      {"save cancelled", true, IDCANCEL, std::nullopt},
      {"open cancelled", false, IDCANCEL, std::nullopt},
      {"save takes the proposed name and the suffix", true, IDOK, L"image-7.bin"},
  };
  for (const FileCase& c : cases) {
    const ui::FileRequest request{u"Pick a file", u"image-7", {{u"Images (*.bin)", u"*.bin"}},
                                  u"bin"};
    std::thread user([&c] {
      HWND box = nullptr;
      for (int tries = 0; tries < 2000 && box == nullptr; ++tries) {
        box = FindWindowW(nullptr, L"Pick a file");
        if (box == nullptr) Sleep(5);
      }
      if (box != nullptr) PostMessageW(box, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
    });
    const auto chosen = c.save ? host.AskFileToSave(request) : host.AskFileToOpen(request);
    user.join();
    ASSERT_EQ(chosen.has_value(), c.fileName.has_value()) << c.name;
    if (chosen) {
      EXPECT_EQ(chosen->filename().wstring(), *c.fileName) << c.name;
    }
  }
}

// A modeless window beside the modal one: owned by it, served by its loop,
// and gone when its dialog ends by Esc or by its close box.
TEST_F(WindowParts, ModelessWindowsStandBesideTheirOwnerAndGoWhenTheyEnd) {
  Recording owner(host, kTemplateVehicle);
  const ui::DialogTemplate parts = PartsTemplate();
  Recording byEscape(host, parts);
  Recording byCloseBox(host, parts);
  RunSteps(owner, {
      [&](HWND window) {
        host.ShowModeless(byEscape, owner);
        host.ShowModeless(byCloseBox, owner);
        const HWND shown = host.WindowOf(byEscape);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(GetWindow(shown, GW_OWNER), window);
        EXPECT_TRUE(IsWindowVisible(shown));
        EXPECT_TRUE(byEscape.IsShown());
        PostMessageW(GetDlgItem(shown, kIdList), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(host.WindowOf(byCloseBox), WM_CLOSE, 0, 0);
      },
      [&](HWND) {
        EXPECT_TRUE(byEscape.Ended());
        EXPECT_TRUE(byCloseBox.Ended());
        EXPECT_EQ(host.WindowOf(byEscape), nullptr);
        EXPECT_EQ(host.WindowOf(byCloseBox), nullptr);
        EXPECT_FALSE(owner.Ended());
      },
  });
}

// Enter typed in a page's edit goes on to the next edit and never ends the
// window around the page.
TEST_F(WindowParts, EnterInAPageEditMovesTheFocusAndKeepsTheWindowOpen) {
  Recording main(host, kTemplateMain);
  Recording page(host, kTemplateVehicle);
  page.SetOwner(&main);
  HWND child = nullptr;
  RunSteps(main, {
      [&](HWND) {
        host.CreateChild(page, main, {4, 64, 390, 300});
        page.ShowControl(kFirstEdit, true);
        page.ShowControl(kSecondEdit, true);
        page.Show(true);
        child = host.WindowOf(page);
        ASSERT_NE(child, nullptr);
        SetFocus(GetDlgItem(child, kFirstEdit));
        PostMessageW(GetDlgItem(child, kFirstEdit), WM_KEYDOWN, VK_RETURN, 0);
      },
      [&](HWND) {
        EXPECT_FALSE(main.Ended());
        EXPECT_TRUE(main.commands.empty());
        EXPECT_EQ(GetFocus(), GetDlgItem(child, kSecondEdit));
      },
  });
  host.DestroyChild(page);
}

// A dialog taller than the screen's work area is drawn smaller, every
// dialog unit alike, until its whole window fits.
TEST_F(WindowParts, AWindowTallerThanTheScreenIsDrawnSmallerUntilItFits) {
  const ui::DialogTemplate small = PartsTemplate();
  Recording measure(host, small);
  RECT natural{0, 0, 100, 100};
  RECT work{};
  RunSteps(measure, {[&](HWND window) {
    MapDialogRect(window, &natural);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    work = monitor.rcWork;
  }});
  ASSERT_GT(natural.bottom, 0);
  // A tenth taller than the work area at the natural size.
  const int tooTall = (work.bottom - work.top) * 100 / natural.bottom * 11 / 10;
  const ui::DialogTemplate tall = PartsTemplate(tooTall);
  Recording dialog(host, tall);
  RunSteps(dialog, {[&](HWND window) {
    RECT scaled{0, 0, 100, 100};
    MapDialogRect(window, &scaled);
    EXPECT_LT(scaled.bottom, natural.bottom);
    EXPECT_LT(scaled.right, natural.right);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_GE(outer.top, work.top);
    EXPECT_LE(outer.bottom, work.bottom);
    EXPECT_GE(outer.left, work.left);
    EXPECT_LE(outer.right, work.right);
  }});
}

namespace labels {

constexpr int kShort = 1010;     // slot 0
constexpr int kTwoLines = 1012;  // slot 1
constexpr int kTooLong = 1014;   // slot 2
const std::u16string kShortText = u"Слишком низкое";
const std::u16string kTwoLinesText = u"Версия программного обеспечения";
const std::u16string kTooLongText = u"Максимальнодопустимоенапряжение аккумуляторной батареи";

// The rows of a label's picture that carry ink, counted in its top and
// bottom halves.
std::pair<int, int> InkedRows(HWND label) {
  const auto picture = PixelsOf(label);
  const COLORREF background = GetSysColor(COLOR_BTNFACE);
  const std::size_t height = picture.empty() ? 0 : picture.front().size();
  int top = 0;
  int bottom = 0;
  for (std::size_t y = 0; y < height; ++y) {
    const bool inked = std::any_of(picture.begin(), picture.end(),
                                   [&](const auto& column) { return column[y] != background; });
    if (inked) ++(2 * y < height ? top : bottom);
  }
  return {top, bottom};
}

}  // namespace labels

// The row labels of a page: one size for all of them, chosen so that each
// fits its row on two lines broken between words; a label cut even so ends
// in an ellipsis, and every label shows its whole text in a tooltip.
TEST_F(WindowParts, RowLabelsShareOneSizeAndACutOneEndsInAnEllipsis) {
  using namespace labels;
  Recording page(host, kTemplateVehicle);
  RowLabels* shown = nullptr;
  auto label = [&](int id) { return GetDlgItem(host.WindowOf(page), id); };
  RunSteps(page, {
      [&](HWND window) {
        shown = &host.DisplayOf(page)->labels();
        for (const auto& [id, text] : {std::pair{kShort, kShortText}, {kTwoLines, kTwoLinesText},
                                       {kTooLong, kTooLongText}}) {
          page.SetText(id, text);
          page.ShowControl(id, true);
        }
        UpdateWindow(window);
      },
      [&](HWND) {
        // Alone, the short label keeps the full size; the two-line one needs
        // a smaller size, which every label then shares, and the hopeless one
        // pulls nobody down.
        const int shared = shown->Percent();
        EXPECT_LT(shared, ui::kLabelFullPercent);
        const ui::LabelLines twoLines = shown->Lines(label(kTwoLines));
        ASSERT_EQ(twoLines.lines.size(), 2u);
        EXPECT_FALSE(twoLines.cut);
        EXPECT_EQ(twoLines.lines[0] + u" " + twoLines.lines[1], kTwoLinesText);
        EXPECT_EQ(shown->Lines(label(kShort)).lines, std::vector<std::u16string>{kShortText});
        const ui::LabelLines cut = shown->Lines(label(kTooLong));
        EXPECT_TRUE(cut.cut);
        ASSERT_FALSE(cut.lines.empty());
        EXPECT_EQ(cut.lines.back().back(), ui::kEllipsis);
        // Both lines are drawn, the short label on one line in the middle.
        const auto [top, bottom] = InkedRows(label(kTwoLines));
        EXPECT_GT(top, 0);
        EXPECT_GT(bottom, 0);
        for (const int id : {kShort, kTwoLines, kTooLong}) {
          EXPECT_EQ(shown->TipText(label(id)), page.GetText(id));
        }
        page.ShowControl(kTooLong, false);
        EXPECT_EQ(shown->Percent(), shared);
        page.ShowControl(kTwoLines, false);
        EXPECT_EQ(shown->Percent(), ui::kLabelFullPercent);
        page.ShowControl(kTwoLines, true);
        // The pointer on the cut label brings up its tooltip.
        RECT box{};
        GetWindowRect(label(kTooLong), &box);
        page.ShowControl(kTooLong, true);
        SetCursorPos((box.left + box.right) / 2, (box.top + box.bottom) / 2);
      },
      [&](HWND) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        MSG message{};
        while (!IsWindowVisible(shown->tooltip()) && std::chrono::steady_clock::now() < until) {
          while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
          }
          Sleep(20);
        }
        EXPECT_TRUE(IsWindowVisible(shown->tooltip()));
        EXPECT_EQ(WindowText(shown->tooltip()), kTooLongText);
      },
  });
}

namespace keys {

// Real key strokes, through the system's input queue as the keyboard gives
// them: each key down in order, then up in reverse order.
void Type(std::initializer_list<WORD> chord) {
  std::vector<INPUT> strokes;
  for (const WORD key : chord) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    strokes.push_back(down);
  }
  for (auto key = std::rbegin(chord); key != std::rend(chord); ++key) {
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    strokes.push_back(up);
  }
  SendInput(static_cast<UINT>(strokes.size()), strokes.data(), sizeof(INPUT));
}

// A drop-down menu is on screen.
bool MenuOpen() {
  const HWND popup = FindWindowW(L"#32768", nullptr);
  return popup != nullptr && IsWindowVisible(popup);
}

bool InMenuMode() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE) != 0;
}

}  // namespace keys

// Alt with a menu's first letter opens that menu, F10 reaches the menu bar,
// and Esc while a menu is open only closes it: the window stays.
TEST_F(WindowParts, AltAndF10ReachTheMenuBarAndEscClosesOnlyTheMenu) {
  using keys::Type;
  Recording dialog(host, kTemplateMain);
  RunStepsApart(dialog, {
      [](HWND window) {
        SetForegroundWindow(window);
        Type({VK_MENU, 'F'});
      },
      [](HWND) {
        EXPECT_TRUE(keys::MenuOpen());
        Type({VK_ESCAPE});
      },
      [&](HWND) {
        EXPECT_FALSE(keys::MenuOpen());
        EXPECT_FALSE(dialog.Ended());
        Type({VK_ESCAPE});  // leaves the menu bar
      },
      [&](HWND) {
        EXPECT_FALSE(keys::InMenuMode());
        EXPECT_FALSE(dialog.Ended());
        Type({VK_F10});
      },
      [&](HWND) {
        EXPECT_TRUE(keys::InMenuMode());
        Type({VK_ESCAPE});
      },
      [&](HWND) {
        EXPECT_FALSE(keys::InMenuMode());
        EXPECT_FALSE(dialog.Ended());
      },
  }, std::chrono::milliseconds(300));
  EXPECT_TRUE(dialog.commands.empty());
}

}  // namespace
}  // namespace tarn::win32
