#include "win32/chart_window.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ui/chart_layout.h"
#include "win32/colors.h"
#include "win32/text.h"

namespace tarn::win32 {
namespace {

constexpr UINT kSetDataMessage = WM_USER + 1;
constexpr int kSwatchThickness = 3;
constexpr int kGridInkPercent = 15;
constexpr int kFrameInkPercent = 35;
constexpr int kPercent = 100;

// What one chart window keeps: its data and the font the dialog gave it.
struct ChartState {
  ui::ChartData data;
  HFONT font = nullptr;
};

ChartState* StateOf(HWND window) {
  return reinterpret_cast<ChartState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

COLORREF Blend(COLORREF base, COLORREF ink, int percent) {
  const auto mix = [percent](int a, int b) { return a + (b - a) * percent / kPercent; };
  return RGB(mix(GetRValue(base), GetRValue(ink)), mix(GetGValue(base), GetGValue(ink)),
             mix(GetBValue(base), GetBValue(ink)));
}

SIZE TextSize(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

class Painter {
 public:
  Painter(HDC dc, RECT client, const ui::ChartData& data) : dc_(dc), client_(client), data_(data) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    line_ = metrics.tmHeight;
    average_ = std::max<int>(1, metrics.tmAveCharWidth);
    pad_ = std::max(2, average_ / 2);
    base_ = GetSysColor(COLOR_WINDOW);
    ink_ = GetSysColor(COLOR_WINDOWTEXT);
  }

  void Paint() {
    FillRect(dc_, &client_, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc_, TRANSPARENT);
    const int legendBottom = PaintLegend();
    RECT plot{client_.left + pad_, legendBottom + pad_, client_.right - pad_,
              client_.bottom - pad_ - line_};
    if (plot.bottom < plot.top) plot.bottom = plot.top;
    PaintFrame(plot);
    if (plot.right - plot.left <= 1 || plot.bottom - plot.top <= 1 || !ui::HasTimeAxis(data_)) return;
    PaintGrid(plot);
    const HRGN clip = CreateRectRgnIndirect(&plot);
    SelectClipRgn(dc_, clip);
    for (const ui::ChartSeries& series : data_.series) PaintSeries(plot, series);
    SelectClipRgn(dc_, nullptr);
    DeleteObject(clip);
  }

 private:
  // Entries flow left to right and onto further lines; returns the bottom.
  int PaintLegend() {
    const int swatch = 2 * average_;
    int x = client_.left + pad_;
    int y = client_.top + pad_;
    if (data_.series.empty()) return client_.top;
    SetTextColor(dc_, ink_);
    for (const ui::ChartSeries& series : data_.series) {
      const std::wstring label = ToWide(ui::ChartLegendLabel(series));
      const int width = swatch + average_ / 2 + TextSize(dc_, label).cx;
      if (x > client_.left + pad_ && x + width > client_.right - pad_) {
        x = client_.left + pad_;
        y += line_;
      }
      const HBRUSH brush = CreateSolidBrush(ToColorRef(series.color));
      const int top = y + (line_ - kSwatchThickness) / 2;
      RECT bar{x, top, x + swatch, top + kSwatchThickness};
      FillRect(dc_, &bar, brush);
      DeleteObject(brush);
      RECT text{x + swatch + average_ / 2, y, client_.right - pad_, y + line_};
      DrawTextW(dc_, label.c_str(), static_cast<int>(label.size()), &text,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
      x += width + 2 * average_;
    }
    return y + line_;
  }

  void PaintFrame(const RECT& plot) {
    const HPEN pen = CreatePen(PS_SOLID, 1, Blend(base_, ink_, kFrameInkPercent));
    const HGDIOBJ oldPen = SelectObject(dc_, pen);
    const HGDIOBJ oldBrush = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    Rectangle(dc_, plot.left, plot.top, plot.right, plot.bottom);
    SelectObject(dc_, oldBrush);
    SelectObject(dc_, oldPen);
    DeleteObject(pen);
  }

  double GridStep(int width) {
    const int room = TextSize(dc_, ToWide(ui::kWidestChartGridLabel)).cx + 2 * average_;
    return ui::ChartGridStep(data_, width, room);
  }

  // Lines at whole multiples of the step, so that the grid moves with the
  // lines as time goes on, each with its time below the plot.
  void PaintGrid(const RECT& plot) {
    const int width = plot.right - plot.left;
    const double span = data_.spanSeconds;
    const double step = GridStep(width);
    if (span / step > width) return;  // a line on every pixel says nothing
    const double start = data_.endSeconds - span;
    const HPEN pen = CreatePen(PS_SOLID, 1, Blend(base_, ink_, kGridInkPercent));
    const HGDIOBJ oldPen = SelectObject(dc_, pen);
    SetTextColor(dc_, ink_);
    const auto first = static_cast<long long>(std::ceil(start / step));
    const auto last = static_cast<long long>(std::floor(data_.endSeconds / step));
    for (long long k = first; k <= last; ++k) {
      const double seconds = static_cast<double>(k) * step;
      const int x = plot.left + static_cast<int>(std::lround((seconds - start) / span * (width - 1)));
      MoveToEx(dc_, x, plot.top + 1, nullptr);
      LineTo(dc_, x, plot.bottom - 1);
      const std::wstring label = ToWide(ui::ChartGridLabel(seconds, step));
      const int labelWidth = TextSize(dc_, label).cx;
      const int left = std::clamp(x - labelWidth / 2, static_cast<int>(client_.left),
                                  static_cast<int>(client_.right) - labelWidth);
      TextOutW(dc_, left, plot.bottom + 1, label.c_str(), static_cast<int>(label.size()));
    }
    SelectObject(dc_, oldPen);
    DeleteObject(pen);
  }

  // The points within the span, with one neighbour on each side so that the
  // line runs to the edges; a point that is not a number ends a stretch.
  void PaintSeries(const RECT& plot, const ui::ChartSeries& series) {
    const double start = data_.endSeconds - data_.spanSeconds;
    const double xScale = (plot.right - plot.left - 1) / data_.spanSeconds;
    const double height = plot.bottom - plot.top - 1;
    const HPEN pen = CreatePen(PS_SOLID, 1, ToColorRef(series.color));
    const HGDIOBJ oldPen = SelectObject(dc_, pen);
    stretch_.clear();
    for (const ui::ChartPoint& p : ui::VisiblePoints(data_, series)) {
      if (!std::isfinite(p.value) || !std::isfinite(p.seconds)) {
        Flush();
        continue;
      }
      const double x = plot.left + (p.seconds - start) * xScale;
      const double y = plot.bottom - 1 - ui::ChartLevel(series, p.value) * height;
      stretch_.push_back({static_cast<LONG>(std::lround(std::clamp(x, -1e6, 1e6))),
                          static_cast<LONG>(std::lround(y))});
    }
    Flush();
    SelectObject(dc_, oldPen);
    DeleteObject(pen);
  }

  void Flush() {
    if (stretch_.size() == 1) {
      stretch_.push_back({stretch_.front().x + 1, stretch_.front().y});  // a lone point
    }
    if (stretch_.size() > 1) Polyline(dc_, stretch_.data(), static_cast<int>(stretch_.size()));
    stretch_.clear();
  }

  HDC dc_;
  RECT client_;
  const ui::ChartData& data_;
  std::vector<POINT> stretch_;
  int line_ = 0, average_ = 1, pad_ = 2;
  COLORREF base_ = 0, ink_ = 0;
};

// Painted into a bitmap first and copied in one go: a chart that changes
// five times a second does not flicker.
void PaintBuffered(HWND window, HDC screen, const ChartState& state) {
  RECT client{};
  GetClientRect(window, &client);
  if (client.right > 0 && client.bottom > 0) {
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP buffer = CreateCompatibleBitmap(screen, client.right, client.bottom);
    const HGDIOBJ oldBitmap = SelectObject(dc, buffer);
    const HGDIOBJ oldFont =
        SelectObject(dc, state.font != nullptr ? state.font : GetStockObject(DEFAULT_GUI_FONT));
    Painter(dc, client, state.data).Paint();
    BitBlt(screen, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(buffer);
    DeleteDC(dc);
  }
}

LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ChartState* state = StateOf(window);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new ChartState));
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete state;
      break;
    case WM_SETFONT:
      if (state != nullptr) state->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam) != 0) InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state != nullptr ? state->font : nullptr);
    case kSetDataMessage:
      if (state != nullptr) {
        const auto& data = *reinterpret_cast<const ui::ChartData*>(lParam);
        if (!(state->data == data)) {
          state->data = data;
          InvalidateRect(window, nullptr, FALSE);
        }
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_SIZE:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_PAINT:
      if (state != nullptr) {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        PaintBuffered(window, dc, *state);
        EndPaint(window, &paint);
        return 0;
      }
      break;
    case WM_PRINTCLIENT:  // a picture of the chart into another device context
      if (state != nullptr) PaintBuffered(window, reinterpret_cast<HDC>(wParam), *state);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterChartClass(HINSTANCE instance) {
  WNDCLASSEXW chartClass{};
  chartClass.cbSize = sizeof chartClass;
  if (GetClassInfoExW(instance, kChartClass, &chartClass) != FALSE) return;
  chartClass.cbSize = sizeof chartClass;
  chartClass.style = CS_HREDRAW | CS_VREDRAW;
  chartClass.lpfnWndProc = &ChartProc;
  chartClass.hInstance = instance;
  chartClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  chartClass.lpszClassName = kChartClass;
  RegisterClassExW(&chartClass);
}

void SetChartData(HWND chart, const ui::ChartData& data) {
  SendMessageW(chart, kSetDataMessage, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace tarn::win32
