// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QPointF>
#include <QString>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class QTextLayout;

namespace tavrin {

/// The page of the message window broken into rows at one font and width. Rows wrap by the
/// Unicode line-breaking rules (Japanese between characters, never before 、。」), and a run
/// with no break opportunity wraps anywhere. Rows are broken only as far as they are asked
/// for, a bounded stretch of text at a time, so a line of any length costs about the rows
/// asked for, not its length. The text stays in UTF-8 as the scenario gives it; only the
/// stretches being broken and the rows being drawn are made Qt strings.
class PageLayout {
 public:
  PageLayout();
  ~PageLayout();
  PageLayout(const PageLayout&) = delete;
  PageLayout& operator=(const PageLayout&) = delete;

  /// The font and the width rows are broken to. Drops the rows broken so far.
  void SetFormat(const QFont& font, double width);

  /// The page's text in UTF-8: rows of the scenario joined by CR LF (a lone CR or LF also
  /// breaks a row). Returns whether it continues the previous text, which keeps the rows
  /// broken so far; any other text starts afresh.
  bool SetText(const std::string& text);
  const std::string& Text() const { return text_; }

  /// Breaks rows until the rows from `first` on are together taller than `height`, or the
  /// page has no more.
  void BreakPast(int first, double height);
  /// Breaks every row of the page (for pages known to be short, and for tests).
  void BreakAll();
  /// Whether every row of the page has been broken.
  bool Complete() const { return complete_; }

  /// The rows broken so far, and their heights in pixels.
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const std::vector<double>& RowHeights() const { return heights_; }
  /// Where a row starts in the text (a byte offset); 0 for a row not broken yet.
  std::size_t RowStart(int row) const {
    return row >= 0 && row < RowCount() ? rows_[row].start : 0;
  }
  /// A row's text, without the row break.
  QString RowText(int row) const;
  /// The text of rows [first, end) as a reader has it: rows of one scenario line joined
  /// directly, lines on lines of their own.
  QString PlainText(int first, int end) const;

  /// Draws rows [first, end) one under the other, the first with its top left at `origin`.
  /// Returns the point on the last row's baseline where its text ends, for a mark after it.
  QPointF Draw(QPainter& painter, QPointF origin, int first, int end) const;

 private:
  struct Row {
    std::size_t start = 0;  // in `text_`, in bytes
    int length = 0;         // in bytes, without the row break
    bool first_of_line = false;
  };

  // Breaks the next stretch of text into rows; false when the page has no more.
  bool BreakMore();
  void FindLineEnd();
  void Restart();
  const QTextLayout& RowLayout(int row) const;

  QFont font_;
  double width_ = 1;
  std::string text_;
  std::vector<Row> rows_;
  std::vector<double> heights_;

  // Where the next row starts, and the scenario line it belongs to (byte offsets).
  std::size_t cursor_ = 0;
  std::size_t line_start_ = 0;
  std::size_t line_end_ = std::string::npos;  // its break or the text's end; npos until found
  std::size_t stretch_ = 0;  // bytes given to the line breaker at a time
  bool complete_ = false;

  // Rows laid out for drawing, kept while the same rows are drawn.
  mutable std::vector<std::unique_ptr<QTextLayout>> drawn_;
  mutable int drawn_first_ = 0;
};

}  // namespace tavrin
