#include "win32/row_labels.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/native_template.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr wchar_t kStaticClass[] = L"Static";
// A whole label text in a tooltip wraps at about this width, in pixels.
constexpr int kTipWidth = 400;
constexpr DWORD kPictureNumbers = 0x100;

bool IsRowLabelWindow(HWND control) {
  wchar_t className[16] = {};
  GetClassNameW(control, className, static_cast<int>(std::size(className)));
  if (lstrcmpiW(className, kStaticClass) != 0) return false;
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  const auto id = static_cast<DWORD>(GetDlgCtrlID(control));
  // Pictures are the other owner-drawn statics; they are numbered from
  // kFirstPictureId.
  const bool picture = id >= kFirstPictureId && id - kFirstPictureId < kPictureNumbers;
  return (style & SS_TYPEMASK) == SS_OWNERDRAW && !picture;
}

TTTOOLINFOW ToolOf(HWND dialog, HWND label) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog;
  tool.uId = reinterpret_cast<UINT_PTR>(label);
  return tool;
}

bool IsShown(HWND window) {
  return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

RowLabels::~RowLabels() {
  Release();
}

void RowLabels::Attach(HWND dialog, HINSTANCE instance) {
  Release();
  dialog_ = dialog;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  if (font == nullptr || GetObjectW(font, sizeof base_, &base_) == 0) return;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsRowLabelWindow(child)) labels_.push_back(child);
  }
  if (labels_.empty()) return;
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                             instance, nullptr);
  if (tooltip_ == nullptr) return;
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
  for (HWND label : labels_) {
    const std::wstring text = ToWide(WindowText(label));
    TTTOOLINFOW tool = ToolOf(dialog_, label);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void RowLabels::Release() {
  if (tooltip_ != nullptr && IsWindow(tooltip_)) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  for (const auto& [percent, font] : fonts_) DeleteObject(font);
  fonts_.clear();
  labels_.clear();
  dialog_ = nullptr;
  dirty_ = true;
}

bool RowLabels::Contains(HWND control) const {
  return std::find(labels_.begin(), labels_.end(), control) != labels_.end();
}

void RowLabels::Changed(HWND label) {
  if (!Contains(label)) return;
  dirty_ = true;
  if (tooltip_ != nullptr) {
    const std::wstring text = ToWide(WindowText(label));
    TTTOOLINFOW tool = ToolOf(dialog_, label);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // Every label may change size with this one.
  for (HWND each : labels_) InvalidateRect(each, nullptr, TRUE);
}

HFONT RowLabels::FontAt(int percent) {
  const auto found = fonts_.find(percent);
  if (found != fonts_.end()) return found->second;
  LOGFONTW face = base_;
  face.lfHeight = MulDiv(base_.lfHeight, percent, ui::kLabelFullPercent);
  face.lfWidth = 0;
  const HFONT font = CreateFontIndirectW(&face);
  fonts_[percent] = font;
  return font;
}

// The band is the label's whole window: its grid row.
ui::LabelLines RowLabels::LinesAt(HDC dc, HWND label, int percent) {
  const HGDIOBJ old = SelectObject(dc, FontAt(percent));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT band{};
  GetClientRect(label, &band);
  const int lineHeight = std::max<LONG>(1, metrics.tmHeight);
  const ui::LabelLines lines = ui::LayOutLabel(
      WindowText(label), band.right, band.bottom / lineHeight, [dc](std::u16string_view text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                              static_cast<int>(text.size()), &size);
        return static_cast<double>(size.cx);
      });
  SelectObject(dc, old);
  return lines;
}

// Hidden labels have no say in the size.
void RowLabels::ChooseSize() {
  dirty_ = false;
  std::vector<HWND> shown;
  std::copy_if(labels_.begin(), labels_.end(), std::back_inserter(shown), IsShown);
  const HDC dc = GetDC(dialog_);
  percent_ = ui::ChooseLabelPercent(shown.size(), [&](std::size_t label, int percent) {
    return LinesAt(dc, shown[label], percent).cut;
  });
  ReleaseDC(dialog_, dc);
}

int RowLabels::Percent() {
  if (dirty_) ChooseSize();
  return percent_;
}

ui::LabelLines RowLabels::Lines(HWND label) {
  const int percent = Percent();
  const HDC dc = GetDC(dialog_);
  ui::LabelLines lines = LinesAt(dc, label, percent);
  ReleaseDC(dialog_, dc);
  return lines;
}

std::u16string RowLabels::TipText(HWND label) const {
  if (tooltip_ == nullptr || !Contains(label)) return {};
  wchar_t text[1024] = {};
  TTTOOLINFOW tool = ToolOf(dialog_, label);
  tool.lpszText = text;
  SendMessageW(tooltip_, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
  return FromWide(text);
}

// The lines as a block, centred on the row.
void RowLabels::Draw(const DRAWITEMSTRUCT& item, COLORREF color) {
  const ui::LabelLines layout = Lines(item.hwndItem);
  const HDC dc = item.hDC;
  FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  const HGDIOBJ old = SelectObject(dc, FontAt(Percent()));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(item.hwndItem) ? color : GetSysColor(COLOR_GRAYTEXT));
  const LONG height = item.rcItem.bottom - item.rcItem.top;
  LONG top = item.rcItem.top +
             (height - static_cast<LONG>(layout.lines.size()) * metrics.tmHeight) / 2;
  for (const std::u16string& line : layout.lines) {
    RECT row{item.rcItem.left, top, item.rcItem.right, top + metrics.tmHeight};
    const std::wstring text = ToWide(line);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &row,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    top += metrics.tmHeight;
  }
  SelectObject(dc, old);
}

}  // namespace tarn::win32
