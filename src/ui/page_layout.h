#pragma once

#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QTextLayout>
#include <memory>

class QPainter;

namespace tavrin {

/// One page of the message window broken into rows and fitted to the window. Rows wrap by
/// the Unicode line-breaking rules (Japanese between characters, never before 、。」). A page
/// with more rows than the window holds is set in a smaller font, down to two thirds of the
/// window's own size; past that its earliest rows give way, so the newest row always shows.
class PageLayout {
 public:
  /// The smallest font a page may shrink to, as a share of the window's font.
  static constexpr qreal kSmallestScale = 2.0 / 3.0;

  /// Lays `text` (rows separated by CR LF, as the scenario composes them) out in `area`,
  /// starting from `font`.
  void Lay(const QString& text, const QFont& font, QSizeF area);

  /// The page's rows as the window breaks them, the first CR LF giving an empty first row.
  int RowCount() const;
  QString RowText(int row) const;
  /// The height of a row as laid out.
  qreal RowHeight(int row) const;
  /// The first row shown: 0 unless even the smallest font cannot hold the page.
  int FirstShownRow() const { return first_shown_row_; }
  /// The font size the page is set in.
  qreal PointSize() const { return font_.pointSizeF(); }
  /// The height of the rows shown, from the top of the first shown row.
  qreal ShownHeight() const;

  /// Draws the rows shown with their top left at `origin`.
  void Draw(QPainter& painter, QPointF origin) const;

  /// The page text with its row breaks as a label shows them ("\n").
  static QString PlainText(const QString& text);

 private:
  // Breaks the text into rows at the current font; returns the height of all rows.
  qreal Break(qreal width);

  QString text_;
  QFont font_;
  QSizeF area_;
  std::unique_ptr<QTextLayout> layout_;
  int first_shown_row_ = 0;
};

}  // namespace tavrin
