#include "win32/list_view.h"

#include <algorithm>

#include "win32/colors.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr int kCheckStates = 3;  // unchecked, checked, indeterminate

int CheckIndex(ui::CheckState state) {
  switch (state) {
    case ui::CheckState::Checked:
      return 1;
    case ui::CheckState::Indeterminate:
      return 2;
    case ui::CheckState::Unchecked:
      break;
  }
  return 0;
}

// State pictures count from 1; 0 would show no box at all.
UINT StateImageOf(const ui::ListRow& row) {
  const int index = 1 + CheckIndex(row.check) + (row.checkable ? 0 : kCheckStates);
  return INDEXTOSTATEIMAGEMASK(static_cast<UINT>(index));
}

// The tick boxes as the system draws check boxes, on the list's background.
HIMAGELIST CreateTickBoxImages() {
  const int size = GetSystemMetrics(SM_CXSMICON);
  const HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24, 2 * kCheckStates, 0);
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const UINT kinds[kCheckStates] = {DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED,
                                    DFCS_BUTTON3STATE | DFCS_CHECKED};
  for (int greyed = 0; greyed < 2; ++greyed) {
    for (const UINT kind : kinds) {
      const HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
      const HGDIOBJ old = SelectObject(dc, bitmap);
      RECT whole{0, 0, size, size};
      FillRect(dc, &whole, GetSysColorBrush(COLOR_WINDOW));
      RECT box{1, 1, size - 1, size - 1};
      DrawFrameControl(dc, &box, DFC_BUTTON, kind | DFCS_FLAT | (greyed ? DFCS_INACTIVE : 0));
      SelectObject(dc, old);
      ImageList_Add(images, bitmap, nullptr);
      DeleteObject(bitmap);
    }
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return images;
}

void SetColumns(HWND list, HWND dialog, const std::vector<ui::ListColumn>& columns) {
  ListView_DeleteAllItems(list);
  while (ListView_DeleteColumn(list, 0)) {
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    RECT width{0, 0, columns[i].width, 0};
    MapDialogRect(dialog, &width);
    std::wstring title = ToWide(columns[i].title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = width.right;
    column.pszText = title.data();
    column.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void SetRow(HWND list, std::size_t index, bool checkBoxes, const ui::ListRow& row,
            std::size_t columns) {
  for (std::size_t c = 0; c < columns; ++c) {
    std::wstring text = c < row.cells.size() ? ToWide(row.cells[c]) : std::wstring();
    LVITEMW item{};
    item.iSubItem = static_cast<int>(c);
    item.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
  }
  if (checkBoxes) {
    ListView_SetItemState(list, static_cast<int>(index), StateImageOf(row), LVIS_STATEIMAGEMASK);
  }
  ListView_RedrawItems(list, static_cast<int>(index), static_cast<int>(index));
}

void InsertRow(HWND list, std::size_t index) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(index);
  item.pszText = const_cast<wchar_t*>(L"");
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void SetUpListView(HWND list, const ui::ControlTemplate& control) {
  DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_INFOTIP;
  if (control.checkBoxes) extended |= LVS_EX_CHECKBOXES;
  ListView_SetExtendedListViewStyle(list, extended);
  if (control.checkBoxes) {
    // Replaces the list view's own boxes, which have no greyed form; the list
    // view frees the pictures with itself.
    const HIMAGELIST previous = ListView_SetImageList(list, CreateTickBoxImages(), LVSIL_STATE);
    if (previous != nullptr) ImageList_Destroy(previous);
  }
}

void ShowList(HWND list, HWND dialog, bool checkBoxes, const ui::ListData& shown,
              const ui::ListData& wanted) {
  static const std::vector<ui::ListRow> kNoRows;
  const bool newColumns = shown.columns != wanted.columns;
  if (newColumns) SetColumns(list, dialog, wanted.columns);
  const std::vector<ui::ListRow>& before = newColumns ? kNoRows : shown.rows;
  const std::size_t columns = wanted.columns.size();
  const std::size_t kept = std::min(before.size(), wanted.rows.size());
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (std::size_t i = before.size(); i > wanted.rows.size(); --i) {
    ListView_DeleteItem(list, static_cast<int>(i - 1));
  }
  for (std::size_t i = 0; i < kept; ++i) {
    if (!(before[i] == wanted.rows[i])) SetRow(list, i, checkBoxes, wanted.rows[i], columns);
  }
  for (std::size_t i = kept; i < wanted.rows.size(); ++i) {
    InsertRow(list, i);
    SetRow(list, i, checkBoxes, wanted.rows[i], columns);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, FALSE);
}

std::optional<std::size_t> TickBoxRowAt(HWND list, POINT point) {
  LVHITTESTINFO hit{};
  hit.pt = point;
  const int row = ListView_HitTest(list, &hit);
  if (row < 0 || (hit.flags & LVHT_ONITEMSTATEICON) == 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

std::optional<std::size_t> FocusedRow(HWND list) {
  const int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

bool ChangesTick(const NMLISTVIEW& change) {
  return (change.uChanged & LVIF_STATE) != 0 &&
         ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0;
}

LRESULT ListCustomDraw(const NMLVCUSTOMDRAW& draw, const ui::ListData& list) {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const std::size_t row = draw.nmcd.dwItemSpec;
  if (row >= list.rows.size() || !list.rows[row].color) return CDRF_DODEFAULT;
  // The structure is the list view's own, handed over to be filled in.
  const_cast<NMLVCUSTOMDRAW&>(draw).clrText = ToColorRef(*list.rows[row].color);
  return CDRF_NEWFONT;
}

}  // namespace tarn::win32
