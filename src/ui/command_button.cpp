// SPDX-License-Identifier: MIT
#include "ui/command_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/key_repeats.h"

namespace tavrin {
namespace {

// Fills the band between two rectangles in whole device pixels, so that the ring is as
// crisp at 125 % or 150 % as at 100 %.
void FillRing(QPainter& painter, QRectF outer, double width, const QColor& colour,
              double pixel_ratio) {
  const auto snap = [pixel_ratio](double v) { return std::round(v * pixel_ratio) / pixel_ratio; };
  const double w = std::max(1.0, std::round(width * pixel_ratio)) / pixel_ratio;
  const double left = snap(outer.left());
  const double top = snap(outer.top());
  const double right = snap(outer.right());
  const double bottom = snap(outer.bottom());
  painter.fillRect(QRectF(left, top, right - left, w), colour);
  painter.fillRect(QRectF(left, bottom - w, right - left, w), colour);
  painter.fillRect(QRectF(left, top + w, w, bottom - top - 2 * w), colour);
  painter.fillRect(QRectF(right - w, top + w, w, bottom - top - 2 * w), colour);
}

}  // namespace

CommandButton::CommandButton(int index, const KeyRepeats* repeats, QWidget* parent)
    : QPushButton(QStringLiteral("Command1"), parent), repeats_(repeats) {
  setObjectName(QStringLiteral("Com%1").arg(index));
  setFocusPolicy(Qt::StrongFocus);
  setAutoDefault(false);
  setFlat(true);
  setAttribute(Qt::WA_Hover);  // repaint on entering and leaving
  QPalette colours = palette();
  colours.setColor(QPalette::ButtonText, Qt::black);
  setPalette(colours);
}

int CommandButton::FocusRingWidth(int button_height) {
  // Two pixels at least; thicker on tall buttons (large screens), about a 24th of the face.
  return std::max(2, static_cast<int>(std::lround(button_height / 24.0)));
}

void CommandButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRgb face = isDown() ? kPressedFace : underMouse() ? kHoverFace : kFace;
  painter.fillRect(rect(), QColor(face));
  // A hairline in a darker shade of the face keeps the two choices apart.
  FillRing(painter, rect(), 1, QColor(kFace).darker(140), devicePixelRatioF());
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::ButtonText));
  const int margin = fontMetrics().averageCharWidth();
  painter.drawText(rect().adjusted(margin, 0, -margin, 0), Qt::AlignCenter | Qt::TextWordWrap,
                   text());
  if (hasFocus()) {
    // Inside the face, clear of the hairline, around the caption: which choice Enter picks.
    const int ring = FocusRingWidth(height());
    const double inset = ring + 1;
    FillRing(painter, QRectF(rect()).adjusted(inset, inset, -inset, -inset), ring,
             QColor(kFocusRing), devicePixelRatioF());
  }
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!repeats_->IsRepeat(*event)) click();
      return;
    case Qt::Key_Space:
    case Qt::Key_Select:
      // The button goes down on a press and picks on the release; a repeat is neither.
      if (!repeats_->IsRepeat(*event)) QPushButton::keyPressEvent(event);
      return;
    case Qt::Key_Up:
    case Qt::Key_Left:
      focusPreviousChild();
      return;
    case Qt::Key_Down:
    case Qt::Key_Right:
      focusNextChild();
      return;
    default:
      QPushButton::keyPressEvent(event);
  }
}

}  // namespace tavrin
