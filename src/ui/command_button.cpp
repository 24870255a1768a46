#include "ui/command_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace tavrin {

CommandButton::CommandButton(int index, QWidget* parent)
    : QPushButton(QStringLiteral("Command1"), parent), index_(index) {
  setObjectName(QStringLiteral("Com%1").arg(index));
  setFocusPolicy(Qt::StrongFocus);
  setAutoDefault(false);
  setFlat(true);
  QPalette colours = palette();
  colours.setColor(QPalette::ButtonText, Qt::black);
  setPalette(colours);
}

void CommandButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kFace));
  // A hairline in a darker shade of the face keeps the two choices apart.
  painter.setPen(QColor(kFace).darker(140));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::ButtonText));
  const int margin = fontMetrics().averageCharWidth();
  painter.drawText(rect().adjusted(margin, 0, -margin, 0), Qt::AlignCenter | Qt::TextWordWrap,
                   text());
  if (hasFocus()) {
    // A dotted ring inside the face shows which choice Enter or Space picks.
    QPen ring(palette().color(QPalette::ButtonText), 1, Qt::DotLine);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    const int inset = std::max(2, height() / 12);
    painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
  }
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!event->isAutoRepeat()) click();
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
