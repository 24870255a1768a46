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

QRect GridRect(int left, int top, int width, int height, QSize client) {
  const int x0 = GridLine(left, kGridWidth, client.width());
  const int x1 = GridLine(left + width, kGridWidth, client.width());
  const int y0 = GridLine(top, kGridHeight, client.height());
  const int y1 = GridLine(top + height, kGridHeight, client.height());
  return QRect(x0, y0, x1 - x0, y1 - y0);
}

}  // namespace

WindowLayout LayOutWindow(float screen_height_twips, float twips_per_pixel, QMargins frame) {
  WindowLayout layout;
  if (!(twips_per_pixel > 0)) twips_per_pixel = 15;  // 96 dots to the inch
  if (!(screen_height_twips > 0)) screen_height_twips = 0;
  layout.unit_twips = screen_height_twips / 9.0f;

  const float outer_height_twips = layout.unit_twips * 7.0f;
  const float outer_width_twips = layout.unit_twips * 5.0f;
  layout.outer = QSize(static_cast<int>(std::lround(outer_width_twips / twips_per_pixel)),
                       static_cast<int>(std::lround(outer_height_twips / twips_per_pixel)));

  // A frame larger than the window would leave nothing to draw in; keep a pixel per cell.
  layout.client =
      QSize(std::max(kGridWidth, layout.outer.width() - frame.left() - frame.right()),
            std::max(kGridHeight, layout.outer.height() - frame.top() - frame.bottom()));

  layout.pic = GridRect(0, 0, 5, 5, layout.client);
  layout.lbl = GridRect(0, 5, 5, 2, layout.client);
  layout.com[0] = GridRect(0, 5, 5, 1, layout.client);
  layout.com[1] = GridRect(0, 6, 5, 1, layout.client);

  layout.font_points = std::max(1, static_cast<int>(std::floor(layout.unit_twips / 100.0f)) - 2);
  return layout;
}

QMargins EstimatedFrame(const QStyle& style, const QWidget* widget) {
  const int border = style.pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, widget);
  const int caption = style.pixelMetric(QStyle::PM_TitleBarHeight, nullptr, widget);
  return QMargins(border, caption + border, border, border);
}

}  // namespace tavrin
