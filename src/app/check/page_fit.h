// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRawFont>
#include <QSizeF>
#include <string_view>
#include <vector>

namespace tavrin {

/// A page as the message window sets it.
struct PageMeasure {
  int rows = 0;   // the rows it breaks into, the empty first row included
  int views = 0;  // the views the window shows them in
};

/// The message window of the main window laid out for a screen `screen_height` pixels high
/// (at 96 dots to the inch, in the frame a window manager usually draws), and the pages of
/// a scenario measured in it with the window's own font, row breaking and views. Needs a
/// QApplication (its style and fonts); opens no window.
class PageFit {
 public:
  explicit PageFit(int screen_height);

  int ScreenHeight() const { return screen_height_; }
  /// Rows of the window's font that one view holds.
  int RowsInView() const { return rows_in_view_; }

  /// `page` is the message window's text as the scenario composes it: rows joined by CR LF,
  /// starting with one.
  PageMeasure Measure(std::string_view page);
  /// The same, always through the window's own page layout.
  PageMeasure MeasureByLayout(std::string_view page) const;

 private:
  // The width of `row` in pixels when every character is one the font draws by itself at a
  // width it has measured; a negative number otherwise.
  qreal RowWidth(std::string_view row);
  // The width of `c` alone, or a negative number when the page must be laid out for it.
  float Advance(char32_t c) {
    if (c >= advances_.size()) return -1;
    const float advance = advances_[c];
    return advance == advance ? advance : MeasureAdvance(c);  // NaN: not measured yet
  }
  float MeasureAdvance(char32_t c);

  int screen_height_;
  QFont font_;
  QRawFont raw_font_;
  QSizeF area_;
  qreal row_height_ = 0;
  int rows_in_view_ = 1;
  // A row measured this much narrower than the area surely fits it, whatever kerning does.
  qreal slack_ = 0;
  std::vector<float> advances_;  // by code point below U+10000; NaN: not measured yet
};

}  // namespace tavrin
