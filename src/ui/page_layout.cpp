#include "ui/page_layout.h"

#include <QPainter>
#include <QTextLine>
#include <QTextOption>
#include <algorithm>

namespace tavrin {
namespace {

// Fractions of a point below this are not worth another round of line breaking.
constexpr qreal kPointStep = 0.25;

// QTextLayout breaks rows only at U+2028; CR LF and any lone CR or LF become one.
QString WithRowBreaks(const QString& text) {
  QString rows = text;
  rows.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
  rows.replace(QLatin1Char('\r'), QChar::LineSeparator);
  rows.replace(QLatin1Char('\n'), QChar::LineSeparator);
  return rows;
}

}  // namespace

QString PageLayout::PlainText(const QString& text) {
  QString plain = WithRowBreaks(text);
  plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return plain;
}

void PageLayout::Lay(const QString& text, const QFont& font, QSizeF area) {
  text_ = WithRowBreaks(text);
  font_ = font;
  area_ = area;
  first_shown_row_ = 0;
  const qreal width = std::max<qreal>(1, area.width());
  const qreal full = font.pointSizeF() > 0 ? font.pointSizeF() : 10;
  font_.setPointSizeF(full);
  if (Break(width) <= area.height()) return;

  // The largest size that holds every row, found by halving the range between the
  // smallest allowed size (which may not hold them either) and the window's size.
  const qreal smallest = full * kSmallestScale;
  font_.setPointSizeF(smallest);
  if (Break(width) <= area.height()) {
    qreal fits = smallest;
    qreal too_big = full;
    while (too_big - fits > kPointStep) {
      const qreal middle = (fits + too_big) / 2;
      font_.setPointSizeF(middle);
      (Break(width) <= area.height() ? fits : too_big) = middle;
    }
    font_.setPointSizeF(fits);
    Break(width);
    return;
  }

  // Even the smallest size overflows: show the newest rows that fit, at least the last one.
  const int rows = layout_->lineCount();
  const qreal bottom = layout_->lineAt(rows - 1).rect().bottom();
  first_shown_row_ = rows - 1;
  while (first_shown_row_ > 0 &&
         bottom - layout_->lineAt(first_shown_row_ - 1).rect().top() <= area.height()) {
    --first_shown_row_;
  }
}

qreal PageLayout::Break(qreal width) {
  layout_ = std::make_unique<QTextLayout>(text_, font_);
  QTextOption option;
  // A row with no break opportunity (a long run of Latin letters) still breaks rather
  // than running out of the window.
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setUseDesignMetrics(false);
  layout_->setTextOption(option);
  layout_->setCacheEnabled(true);
  qreal y = 0;
  layout_->beginLayout();
  for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout_->endLayout();
  return y;
}

int PageLayout::RowCount() const { return layout_ ? layout_->lineCount() : 0; }

QString PageLayout::RowText(int row) const {
  if (!layout_ || row < 0 || row >= layout_->lineCount()) return {};
  const QTextLine line = layout_->lineAt(row);
  QString part = text_.mid(line.textStart(), line.textLength());
  part.remove(QChar::LineSeparator);
  return part;
}

qreal PageLayout::RowHeight(int row) const {
  if (!layout_ || row < 0 || row >= layout_->lineCount()) return 0;
  return layout_->lineAt(row).height();
}

qreal PageLayout::ShownHeight() const {
  if (!layout_ || layout_->lineCount() == 0) return 0;
  return layout_->lineAt(layout_->lineCount() - 1).rect().bottom() -
         layout_->lineAt(first_shown_row_).rect().top();
}

void PageLayout::Draw(QPainter& painter, QPointF origin) const {
  if (!layout_ || layout_->lineCount() == 0) return;
  const qreal skipped = layout_->lineAt(first_shown_row_).rect().top();
  const QPointF at = origin - QPointF(0, skipped);
  for (int row = first_shown_row_; row < layout_->lineCount(); ++row) {
    layout_->lineAt(row).draw(&painter, at);
  }
}

}  // namespace tavrin
