// SPDX-License-Identifier: MIT
#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tavrin {
namespace {

QPixmap DrawAt(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);  // drawn on a 32 by 32 grid

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(16, 24, 56));
  painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);

  // The moon: a disc with a second, offset disc taken out of it.
  QPainterPath moon;
  moon.addEllipse(QRectF(15, 3.5, 12, 12));
  QPainterPath bite;
  bite.addEllipse(QRectF(11.5, 1.5, 12, 12));
  painter.setBrush(QColor(255, 226, 140));
  painter.drawPath(moon.subtracted(bite));

  // Rows of text, the last one ending in the page prompt.
  const QColor text(0, 200, 255);
  painter.setBrush(text);
  painter.drawRoundedRect(QRectF(5, 18, 22, 2.5), 1, 1);
  painter.drawRoundedRect(QRectF(5, 22.5, 18, 2.5), 1, 1);
  painter.drawRoundedRect(QRectF(5, 27, 11, 2.5), 1, 1);
  QPainterPath prompt;
  prompt.moveTo(19, 26.5);
  prompt.lineTo(25, 26.5);
  prompt.lineTo(22, 30);
  prompt.closeSubpath();
  painter.drawPath(prompt);
  return pixmap;
}

}  // namespace

QIcon DrawAppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(DrawAt(size));
  return icon;
}

}  // namespace tavrin
