// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "ui/page_views.h"

namespace tavrin {

class ReaderViews;

/// The message window `Lbl`: shows the page of scenario text, always at the layout's font,
/// one view of whole rows at a time. A view with rows after it ends in a continuation mark
/// of its own, distinct from the page's "▼". The reader's presses and clicks on it are
/// reported by the window (see `ReaderClicks`); screen readers get the text of each view
/// once the window publishes it, not every row as it arrives, and read it out as it comes
/// (see `ReaderViews`).
class MessageLabel : public QWidget {
  Q_OBJECT

 public:
  /// The mark at the end of a view that has rows after it.
  static constexpr char16_t kContinuationMark = u'\u25BD';  // ▽

  explicit MessageLabel(QWidget* parent);
  ~MessageLabel() override;

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

  /// Shows instead of the page a page read before, `back` pages back (1 for the one just
  /// left): `text` in the scenario's form (rows joined by CR LF), dimmed and marked with
  /// "◀" and `back`, from its last view (`from_end`) or its first. The page itself is kept
  /// as it was, with the reader's place in it.
  void ShowPast(const std::string& text, int back, bool from_end);
  /// Back to the page itself.
  void ShowPresent();
  bool ShowingPast() const { return past_back_ > 0; }
  /// The views of the page shown: the one read before while looking back, else the page.
  PageViews& ShownViews() { return ShowingPast() ? *past_ : views_; }
  const PageViews& ShownViews() const { return ShowingPast() ? *past_ : views_; }

  /// The text a screen reader has: the view shown, as published last.
  const QString& ReaderText() const { return reader_text_; }
  /// Gives screen readers `text` as the window's text: a view of its own, read out as it
  /// is published while the window has the keyboard, unless it is the question of a choice
  /// shown, which is read with the button that has the keyboard.
  void Publish(const QString& text);
  /// What screen readers are given of the window.
  ReaderViews& ScreenReaderViews() { return *reader_views_; }
  /// The view shown as a reader has it: no leading empty row, no page-end prompt.
  QString ShownReaderText() const;
  /// The view shown as a screen reader is given it, to read out whole: the same, but from
  /// where the view before it stopped, and stopping where a reading may begin when rows
  /// follow, so that no view begins in the middle of a word (see `SpokenView`).
  QString SpokenReaderText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Rearrange();

  PageViews views_;
  std::unique_ptr<PageViews> past_;  // a page read before, while the reader looks back at it
  int past_back_ = 0;                // how many pages back it is; 0 while the page itself shows
  QString reader_text_;
  std::unique_ptr<ReaderViews> reader_views_;
};

}  // namespace tavrin
