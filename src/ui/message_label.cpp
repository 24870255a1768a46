#include "ui/message_label.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>

namespace tavrin {

MessageLabel::MessageLabel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Lbl"));
  setFocusPolicy(Qt::StrongFocus);
  // Menus have nothing to offer here; the right button is the reader's fast-forward.
  setContextMenuPolicy(Qt::NoContextMenu);
  Rearrange();
}

void MessageLabel::SetPage(const std::string& page) { views_.SetPage(page); }

void MessageLabel::SetLayoutFont(const QFont& font) {
  setFont(font);
  Rearrange();
  update();
}

void MessageLabel::resizeEvent(QResizeEvent*) { Rearrange(); }

double MessageLabel::RowWidth(const QFont& font, double text_width) {
  return text_width - QFontMetricsF(font).horizontalAdvance(QChar(kContinuationMark));
}

void MessageLabel::Rearrange() {
  const QRect area = contentsRect();
  views_.SetArea(font(), RowWidth(font(), area.width()), area.height());
}

QString MessageLabel::ShownReaderText() const {
  QString text = views_.ShownText();
  while (text.startsWith(QLatin1Char('\n'))) text.remove(0, 1);
  if (!views_.ShownHasMore() && text.endsWith(QChar(0x25BC))) text.chop(1);  // the "▼"
  return text;
}

void MessageLabel::Publish(const QString& text) {
  if (text == reader_text_) return;
  const QString before = reader_text_;
  reader_text_ = text;
  if (!QAccessible::isActive()) return;
  QAccessibleTextUpdateEvent update(this, 0, before, reader_text_);
  QAccessible::updateAccessibility(&update);
  QAccessibleEvent renamed(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&renamed);
}

void MessageLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.setFont(font());
  const PageViews::Span shown = views_.Shown();
  const QPointF text_end =
      views_.Layout().Draw(painter, contentsRect().topLeft(), shown.first, shown.end);
  if (views_.ShownHasMore()) painter.drawText(text_end, QString(QChar(kContinuationMark)));
}

}  // namespace tavrin
