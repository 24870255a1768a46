// SPDX-License-Identifier: MIT
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QStyle;
class QWidget;

namespace tavrin {

/// Where everything in the main window goes. The window opens at 5 by 7 units of a ninth of
/// the screen's height, frame included, and its inner (client) area carries a grid of 5 by 7
/// on which the controls are placed; so the frame's caption and borders are needed to know
/// the client area. A window the reader resizes, maximises or puts in full screen keeps that
/// grid in an area of its client area, centred, black around it (see `FitWindow`).
struct WindowLayout {
  float unit_twips = 0;  // screen height in twips / 9 at the opening size, in single precision
  float twips_per_pixel = 15;
  QMargins frame;  // the frame the layout was made for
  QSize outer;     // the whole window, frame included, in logical pixels
  QSize client;    // the inner area
  QRect area;      // the part of it the grid covers: all of it at the opening size
  // The parts, at (left, top, width, height) in grid units, in the client area's pixels.
  QRect picture;        // `Pic`: (0, 0, 5, 5)
  QRect message;        // `Lbl`: (0, 5, 5, 2)
  QRect choices[2];     // `Com(0)` and `Com(1)`: (0, 5, 5, 1) and (0, 6, 5, 1)
  int font_points = 1;  // the unit in twips / 100, rounded down, less 2
};

/// The layout for a screen `screen_height_twips` high (1440 twips to the logical inch), on a
/// display of `twips_per_pixel` twips to a logical pixel, inside a frame of `frame` pixels.
/// Screens too small for the formula (below 2700 twips) still get a window, with a 1-point
/// font and at least one pixel per grid cell.
WindowLayout LayOutWindow(float screen_height_twips, float twips_per_pixel, QMargins frame);

/// The layout of the window opened at `opened` once its client area is `client`, in full
/// screen (no frame) or not (the frame it opened with). The grid's area is the client area of
/// the largest window of 5 by 7 units, frame included, that the client area holds, centred in
/// it; the unit and the font follow from that window's height as they do from the screen's at
/// the opening size. So a full screen's unit is its height / 7, and at the opening size the
/// layout is the one it opened with.
WindowLayout FitWindow(const WindowLayout& opened, QSize client, bool full_screen);

/// The frame a window manager is expected to draw around a decorated window in `style`,
/// before the real one is known (`widget`, if given, is the window).
QMargins EstimatedFrame(const QStyle& style, const QWidget* widget = nullptr);

}  // namespace tavrin
