// SPDX-License-Identifier: MIT
#include "app/check/page_fit.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QString>
#include <cmath>
#include <limits>

#include "game_files/utf8.h"
#include "ui/message_label.h"
#include "ui/page_layout.h"
#include "ui/text_font.h"
#include "ui/view_arithmetic.h"
#include "ui/window_layout.h"

namespace tavrin {
namespace {

constexpr float kTwipsPerPixel = 15;  // 96 dots to the inch

// The next code point of UTF-8 `text` from `i`, which it moves on; U+FFFD for a byte that
// starts no well-formed sequence (the engine's lines are valid UTF-8), as the window shows it.
char32_t NextCodePoint(std::string_view text, size_t& i) {
  const Utf8Character c = ReadUtf8(text, i);
  i += c.length == 0 ? 1 : c.length;
  return c.length == 0 ? U'\uFFFD' : c.code;
}

}  // namespace

PageFit::PageFit(int screen_height)
    : screen_height_(screen_height), advances_(0x10000, std::numeric_limits<float>::quiet_NaN()) {
  const WindowLayout layout = LayOutWindow(static_cast<float>(screen_height) * kTwipsPerPixel,
                                           kTwipsPerPixel, EstimatedFrame(*QApplication::style()));
  font_ = TextFont(layout.font_points);
  raw_font_ = QRawFont::fromFont(font_);
  const int margin = TextSideMargin(font_);
  area_ = QSizeF(MessageLabel::RowWidth(font_, layout.message.width() - 2 * margin),
                 layout.message.height());

  // Every row of the font alone is as high as the empty first row of a page.
  PageLayout reference;
  reference.SetFormat(font_, area_.width());
  reference.SetText("\r\n\u3042");
  reference.BreakAll();
  row_height_ = reference.RowHeights().front();
  std::vector<qreal> rows = {row_height_};
  while (rows.size() < 1000) {
    rows.push_back(row_height_);
    if (CountViews(rows, area_.height()) > 1) break;
    rows_in_view_ = static_cast<int>(rows.size());
  }
  slack_ = QFontMetricsF(font_).height();
}

float PageFit::MeasureAdvance(char32_t c) {
  // Control characters and those the font leaves to another one are measured by laying
  // the page out.
  const bool alone =
      c >= 0x20 && !(c >= 0x7F && c < 0xA0) && raw_font_.supportsCharacter(static_cast<uint>(c));
  advances_[c] = alone ? static_cast<float>(QFontMetricsF(font_).horizontalAdvance(QChar(c))) : -1;
  return advances_[c];
}

qreal PageFit::RowWidth(std::string_view row) {
  qreal width = 0;
  for (size_t i = 0; i < row.size();) {
    const float advance = Advance(NextCodePoint(row, i));
    if (advance < 0) return -1;
    width += advance;
  }
  return width;
}

PageMeasure PageFit::Measure(std::string_view page) {
  // Most rows are short: when every one is surely narrower than the window, the page has one
  // row per line and no layout is needed.
  int rows = 0;
  for (size_t start = 0;;) {
    const size_t end = page.find("\r\n", start);
    const std::string_view row =
        page.substr(start, end == std::string_view::npos ? page.npos : end - start);
    const qreal width = RowWidth(row);
    if (width < 0 || width + slack_ > area_.width()) return MeasureByLayout(page);
    ++rows;
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  const std::vector<qreal> heights(static_cast<size_t>(rows), row_height_);
  return {rows, CountViews(heights, area_.height())};
}

PageMeasure PageFit::MeasureByLayout(std::string_view page) const {
  PageLayout layout;
  layout.SetFormat(font_, area_.width());
  layout.SetText(std::string(page));
  layout.BreakAll();
  return {layout.RowCount(), CountViews(layout.RowHeights(), area_.height())};
}

}  // namespace tavrin
