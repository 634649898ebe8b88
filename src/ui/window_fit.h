// How a top-level window meets its screen, for both front ends: the whole
// window, frame and title bar included, lies inside the screen's available
// area (the taskbar left out). A dialog whose natural size does not fit is
// drawn smaller, every dialog unit scaled alike, down to a size that stays
// legible; what lies beside the dialog (the frame, the menu and status bars)
// keeps its size. Pixels are those the front end places windows in.
#pragma once

#include <functional>

namespace tarn::ui {

struct Extent {
  int width = 0;
  int height = 0;
  friend bool operator==(const Extent&, const Extent&) = default;
};

struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Box&, const Box&) = default;
};

// The frame a desktop draws round a window: title bar and borders.
struct Margins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// What a front end knows of a window about to be shown.
struct FitRequest {
  Box area;        // the screen's available area
  Margins frame;   // round the window's client area
  Extent besides;  // the client area's part that does not scale (menu and status bars)
  int fontPoints = 0;        // the template's font
  double screenScale = 1.0;  // the desktop's scaling: 1.5 at 150 %
  Box over;                  // what the window is centred on: its owner's
                             // frame, or the area
};

struct WindowFit {
  double scale = 1.0;  // the dialog's, 1 at its natural size
  Box client;          // the window's client area on the screen
};

// The smallest scale at which a font of `fontPoints` stays legible: no
// smaller on screen than 7 points at 100 %. A desktop scaled up draws every
// point larger, so the floor comes down alike and a window on a small
// screen at 150 % still fits, drawn no smaller than at 100 %.
double LegibleScale(int fontPoints, double screenScale);

// The scale at which a dialog of `natural` size fits into `area` together
// with `fixed`, the part of the window that does not scale: 1 when it fits
// as it is, never below `legible`.
double FitScale(Extent natural, Extent fixed, Extent area, double legible);

// The client rectangle of a window of `client` size whose frame is centred
// on `over`, moved back inside `area` where it reaches out of it (a window
// larger than the area keeps its title bar inside).
Box PlaceWindow(Extent client, const Margins& frame, const Box& area, const Box& over);

// The fit of one window. `clientAt` draws the dialog at a scale and returns
// the window's client size then; a front end that draws in steps (whole font
// points) rounds the scale as it must, and the fit steps down one point at a
// time until the window fits or the dialog reaches the legible floor.
WindowFit FitWindow(const FitRequest& request, const std::function<Extent(double scale)>& clientAt);

}  // namespace tarn::ui
