#include "ui/window_fit.h"

#include <algorithm>

namespace tarn::ui {
namespace {

constexpr double kSmallestLegiblePoints = 7.0;
// Rounding each edge to whole pixels may add half a pixel; this keeps the
// scaled dialog inside its room.
constexpr int kRoundingSlack = 1;

double Ratio(int room, int natural) {
  return natural > 0 ? static_cast<double>(room) / natural : 1.0;
}

Extent Outer(Extent client, const Margins& frame) {
  return {client.width + frame.left + frame.right, client.height + frame.top + frame.bottom};
}

bool Fits(Extent client, const FitRequest& request) {
  const Extent outer = Outer(client, request.frame);
  return outer.width <= request.area.width && outer.height <= request.area.height;
}

}  // namespace

double LegibleScale(int fontPoints, double screenScale) {
  const double points = fontPoints > 0 ? fontPoints : 1;
  return std::min(1.0, kSmallestLegiblePoints / (points * std::max(1.0, screenScale)));
}

double FitScale(Extent natural, Extent fixed, Extent area, double legible) {
  const double across = Ratio(area.width - fixed.width - kRoundingSlack, natural.width);
  const double down = Ratio(area.height - fixed.height - kRoundingSlack, natural.height);
  return std::clamp(std::min({1.0, across, down}), std::min(legible, 1.0), 1.0);
}

Box PlaceWindow(Extent client, const Margins& frame, const Box& area, const Box& over) {
  const Extent outer = Outer(client, frame);
  int left = (over.left * 2 + over.width - outer.width) / 2;
  int top = (over.top * 2 + over.height - outer.height) / 2;
  // The far edges first, so that a window larger than the area keeps its
  // top left corner, and with it the title bar, inside.
  left = std::max(std::min(left, area.left + area.width - outer.width), area.left);
  top = std::max(std::min(top, area.top + area.height - outer.height), area.top);
  return {left + frame.left, top + frame.top, client.width, client.height};
}

WindowFit FitWindow(const FitRequest& request, const std::function<Extent(double)>& clientAt) {
  WindowFit fit;
  Extent client = clientAt(1.0);
  if (!Fits(client, request)) {
    const double legible = LegibleScale(request.fontPoints, request.screenScale);
    const Extent natural{client.width - request.besides.width,
                         client.height - request.besides.height};
    const Extent fixed = Outer(request.besides, request.frame);
    fit.scale = FitScale(natural, fixed, {request.area.width, request.area.height}, legible);
    client = clientAt(fit.scale);
    const double point = 1.0 / std::max(1, request.fontPoints);
    while (!Fits(client, request) && fit.scale > legible) {
      fit.scale = std::max(legible, fit.scale - point);
      client = clientAt(fit.scale);
    }
  }
  fit.client = PlaceWindow(client, request.frame, request.area, request.over);
  return fit;
}

}  // namespace tarn::ui
