#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QStyle;
class QWidget;

namespace tavrin {

/// Where everything in the main window goes, worked out from the screen's height alone.
/// The window's outer size is 5 by 7 units of a ninth of the screen's height, and its inner
/// (client) area carries a grid of 5 by 7 on which the controls are placed; so the frame's
/// caption and borders are needed to know the client area.
struct WindowLayout {
  float unit_twips = 0;  // screen height in twips / 9, in single precision
  QSize outer;           // the whole window, frame included, in logical pixels
  QSize client;          // the inner area the grid covers
  QRect pic;             // (0, 0, 5, 5) in grid units
  QRect lbl;             // (0, 5, 5, 2)
  QRect com[2];          // (0, 5, 5, 1) and (0, 6, 5, 1)
  int font_points = 1;   // Int(unit / 100) - 2
};

/// The layout for a screen `screen_height_twips` high (1440 twips to the logical inch), on a
/// display of `twips_per_pixel` twips to a logical pixel, inside a frame of `frame` pixels.
/// Screens too small for the formula (below 2700 twips) still get a window, with a 1-point
/// font and at least one pixel per grid cell.
WindowLayout LayOutWindow(float screen_height_twips, float twips_per_pixel, QMargins frame);

/// The frame a window manager is expected to draw around a decorated window in `style`,
/// before the real one is known (`widget`, if given, is the window).
QMargins EstimatedFrame(const QStyle& style, const QWidget* widget = nullptr);

}  // namespace tavrin
