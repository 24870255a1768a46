// SPDX-License-Identifier: MIT
#include "ui/message_label.h"

#include <QFontMetricsF>
#include <QPainter>

#include "ui/accessible_message.h"
#include "ui/spoken_view.h"

namespace tavrin {

MessageLabel::MessageLabel(QWidget* parent)
    : QWidget(parent), reader_views_(std::make_unique<ReaderViews>(this)) {
  setObjectName(QStringLiteral("Lbl"));
  setFocusPolicy(Qt::StrongFocus);
  // Menus have nothing to offer here; the right button is the reader's fast-forward.
  setContextMenuPolicy(Qt::NoContextMenu);
  Rearrange();
}

MessageLabel::~MessageLabel() = default;

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
  if (ShowingPast()) past_->SetArea(font(), RowWidth(font(), area.width()), area.height());
}

void MessageLabel::ShowPast(const std::string& text, int back, bool from_end) {
  past_back_ = back;
  past_ = std::make_unique<PageViews>();
  const QRect area = contentsRect();
  past_->SetArea(font(), RowWidth(font(), area.width()), area.height());
  past_->SetPage(text);
  if (from_end) {
    while (past_->Waiting()) past_->Continue();
  }
  update();
}

void MessageLabel::ShowPresent() {
  past_back_ = 0;
  past_.reset();
  update();
}

QString MessageLabel::ShownReaderText() const {
  const PageViews& views = ShownViews();
  QString text = views.ShownText();
  while (text.startsWith(QLatin1Char('\n'))) text.remove(0, 1);
  if (!views.ShownHasMore() && text.endsWith(QChar(0x25BC))) text.chop(1);  // the "▼"
  return text;
}

QString MessageLabel::SpokenReaderText() const {
  const PageViews& views = ShownViews();
  QString text = SpokenView(views.Layout(), views.Shown(), views.ShownHasMore());
  while (text.startsWith(QLatin1Char('\n'))) text.remove(0, 1);
  if (!views.ShownHasMore() && text.endsWith(QChar(0x25BC))) text.chop(1);  // the "▼"
  return text;
}

void MessageLabel::Publish(const QString& text) {
  if (text == reader_text_) return;
  reader_text_ = text;
  reader_views_->Publish(text);
}

void MessageLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  QColor text_colour = palette().color(QPalette::WindowText);
  if (ShowingPast()) {
    // A page read before: dimmed, and marked at the right of its first row with how many
    // pages back it is.
    text_colour.setAlphaF(0.55);
    painter.setPen(text_colour);
    painter.setFont(font());
    const QString mark = QStringLiteral("\u25C0 %1").arg(past_back_);
    const QRect first_row(contentsRect().left(), contentsRect().top(), contentsRect().width(),
                          QFontMetrics(font()).height());
    painter.drawText(first_row, Qt::AlignRight | Qt::AlignVCenter, mark);
  }
  painter.setPen(text_colour);
  painter.setFont(font());
  const PageViews& views = ShownViews();
  const PageViews::Span shown = views.Shown();
  const QPointF text_end =
      views.Layout().Draw(painter, contentsRect().topLeft(), shown.first, shown.end);
  if (views.ShownHasMore()) painter.drawText(text_end, QString(QChar(kContinuationMark)));
}

}  // namespace tavrin
