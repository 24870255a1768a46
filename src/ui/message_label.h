#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <string>

#include "ui/page_views.h"

namespace tavrin {

/// The message window `Lbl`: shows the page of scenario text, always at the layout's font,
/// one view of whole rows at a time. A view with rows after it ends in a continuation mark
/// of its own, distinct from the page's "▼". The reader's presses and clicks on it are
/// reported by the window (see `ReaderClicks`); screen readers get the text of each view
/// once the window publishes it, not every row as it arrives.
class MessageLabel : public QWidget {
  Q_OBJECT

 public:
  /// The mark at the end of a view that has rows after it.
  static constexpr char16_t kContinuationMark = u'\u25BD';  // ▽

  explicit MessageLabel(QWidget* parent);

  /// The width rows are broken to in a message window whose text is `text_width` wide in
  /// `font`: the continuation mark keeps its room after the longest row.
  static double RowWidth(const QFont& font, double text_width);

  /// Shows `page` (UTF-8, rows joined by CR LF) from the view the reader has reached. Breaks
  /// only the rows that takes; paints when next asked to (`update`), which the window does
  /// once per frame.
  void SetPage(const std::string& page);
  /// The font the window's layout gives the message window.
  void SetLayoutFont(const QFont& font);

  PageViews& Views() { return views_; }
  const PageViews& Views() const { return views_; }

  /// The text a screen reader has: the view shown, as published last.
  const QString& ReaderText() const { return reader_text_; }
  /// Gives screen readers `text` as the window's text, announced when it changes.
  void Publish(const QString& text);
  /// The view shown as a reader has it: no leading empty row, no page-end prompt.
  QString ShownReaderText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Rearrange();

  PageViews views_;
  QString reader_text_;
};

}  // namespace tavrin
