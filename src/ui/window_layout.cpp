// SPDX-License-Identifier: MIT
#include "ui/window_layout.h"

#include <QStyle>
#include <algorithm>
#include <cmath>

namespace tavrin {
namespace {

constexpr int kGridWidth = 5;
constexpr int kGridHeight = 7;

// Grid lines are rounded one by one and controls span from line to line, so neighbours
// share an edge: no gap, no overlap, and the buttons cover the message window exactly.
int GridLine(int index, int cells, int pixels) {
  return static_cast<int>(std::lround(static_cast<double>(index) * pixels / cells));
}

QRect GridRect(int left, int top, int width, int height, QRect area) {
  const int x0 = GridLine(left, kGridWidth, area.width());
  const int x1 = GridLine(left + width, kGridWidth, area.width());
  const int y0 = GridLine(top, kGridHeight, area.height());
  const int y1 = GridLine(top + height, kGridHeight, area.height());
  return QRect(area.x() + x0, area.y() + y0, x1 - x0, y1 - y0);
}

// The controls on the grid over `layout.area`, and the font from the unit.
void PlaceControls(WindowLayout& layout) {
  layout.picture = GridRect(0, 0, 5, 5, layout.area);
  layout.message = GridRect(0, 5, 5, 2, layout.area);
  layout.choices[0] = GridRect(0, 5, 5, 1, layout.area);
  layout.choices[1] = GridRect(0, 6, 5, 1, layout.area);
  layout.font_points = std::max(1, static_cast<int>(std::floor(layout.unit_twips / 100.0f)) - 2);
}

}  // namespace

WindowLayout LayOutWindow(float screen_height_twips, float twips_per_pixel, QMargins frame) {
  WindowLayout layout;
  if (!(twips_per_pixel > 0)) twips_per_pixel = 15;  // 96 dots to the inch
  if (!(screen_height_twips > 0)) screen_height_twips = 0;
  layout.unit_twips = screen_height_twips / 9.0f;
  layout.twips_per_pixel = twips_per_pixel;
  layout.frame = frame;

  const float outer_height_twips = layout.unit_twips * 7.0f;
  const float outer_width_twips = layout.unit_twips * 5.0f;
  layout.outer = QSize(static_cast<int>(std::lround(outer_width_twips / twips_per_pixel)),
                       static_cast<int>(std::lround(outer_height_twips / twips_per_pixel)));

  // A frame larger than the window would leave nothing to draw in; keep a pixel per cell.
  layout.client =
      QSize(std::max(kGridWidth, layout.outer.width() - frame.left() - frame.right()),
            std::max(kGridHeight, layout.outer.height() - frame.top() - frame.bottom()));

  layout.area = QRect(QPoint(0, 0), layout.client);
  PlaceControls(layout);
  return layout;
}

WindowLayout FitWindow(const WindowLayout& opened, QSize client, bool full_screen) {
  if (!full_screen && client == opened.client) return opened;
  WindowLayout layout = opened;
  layout.frame = full_screen ? QMargins() : opened.frame;
  layout.client = client.expandedTo(QSize(kGridWidth, kGridHeight));
  const int frame_width = layout.frame.left() + layout.frame.right();
  const int frame_height = layout.frame.top() + layout.frame.bottom();
  // The unit, in pixels, of the largest window of 5 by 7 whose client area fits.
  const double unit =
      std::min(static_cast<double>(layout.client.width() + frame_width) / kGridWidth,
               static_cast<double>(layout.client.height() + frame_height) / kGridHeight);
  layout.unit_twips = static_cast<float>(unit * layout.twips_per_pixel);
  layout.outer = layout.client.grownBy(layout.frame);
  const QSize fitted(static_cast<int>(std::lround(unit * kGridWidth)),
                     static_cast<int>(std::lround(unit * kGridHeight)));
  const QSize area(std::clamp(fitted.width() - frame_width, kGridWidth, layout.client.width()),
                   std::clamp(fitted.height() - frame_height, kGridHeight, layout.client.height()));
  layout.area = QRect(QPoint((layout.client.width() - area.width()) / 2,
                             (layout.client.height() - area.height()) / 2),
                      area);
  PlaceControls(layout);
  return layout;
}

QMargins EstimatedFrame(const QStyle& style, const QWidget* widget) {
  const int border = style.pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, widget);
  const int caption = style.pixelMetric(QStyle::PM_TitleBarHeight, nullptr, widget);
  return QMargins(border, caption + border, border, border);
}

}  // namespace tavrin
