// SPDX-License-Identifier: MIT
#include "ui/page_layout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextLine>
#include <QTextOption>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "game_files/utf8.h"

namespace tavrin {
namespace {

// The text given to the line breaker at a time: a few windows' worth of rows. The breaker's
// cost grows faster than the length it is given (a run with no break opportunity is
// searched for one from every row), so a long line is broken a stretch at a time.
constexpr std::size_t kStretch = 2048;
// A row can hold more than a stretch only when its characters take no room (combining
// marks, format characters); the stretch grows for it up to this, and there the row ends.
constexpr std::size_t kLongestStretch = 1 << 20;

// UTF-8 bytes as a Qt string, with the byte offset of each UTF-16 unit and of the end, so
// that rows found in the string can be told in bytes. A byte that starts no valid sequence
// becomes U+FFFD on its own.
QString Decode(const char* bytes, std::size_t size, std::vector<std::size_t>* offsets) {
  QString text;
  text.reserve(static_cast<qsizetype>(size));
  std::size_t i = 0;
  while (i < size) {
    auto [code, length] = ReadUtf8(std::string_view(bytes, size), i);
    if (length == 0) {
      code = QChar::ReplacementCharacter;
      length = 1;
    }
    if (QChar::requiresSurrogates(code)) {
      const QChar units[2] = {QChar(QChar::highSurrogate(code)), QChar(QChar::lowSurrogate(code))};
      text.append(units, 2);
      if (offsets != nullptr) offsets->insert(offsets->end(), 2, i);
    } else {
      text.append(QChar(static_cast<char16_t>(code)));
      if (offsets != nullptr) offsets->push_back(i);
    }
    i += length;
  }
  if (offsets != nullptr) offsets->push_back(size);
  return text;
}

QTextOption BreakingOption() {
  QTextOption option;
  // A run with no break opportunity (a long word of Latin letters) still wraps rather than
  // running out of the window.
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setUseDesignMetrics(false);
  return option;
}

}  // namespace

PageLayout::PageLayout() { Restart(); }

PageLayout::~PageLayout() = default;

void PageLayout::SetFormat(const QFont& font, double width) {
  font_ = font;
  width_ = std::max(1.0, width);
  Restart();
}

void PageLayout::Restart() {
  rows_.clear();
  heights_.clear();
  cursor_ = 0;
  line_start_ = 0;
  line_end_ = std::string::npos;
  stretch_ = kStretch;
  complete_ = false;
  drawn_.clear();
}

bool PageLayout::SetText(const std::string& text) {
  const bool continues = text.size() >= text_.size() &&
                         std::memcmp(text.data(), text_.data(), text_.size()) == 0;
  if (continues && text.size() == text_.size()) return true;
  text_ = text;
  if (!continues) {
    Restart();
    return false;
  }
  // Only the last row can change: it was the one that ended where the text ended.
  if (complete_ && !rows_.empty()) {
    cursor_ = rows_.back().start;
    rows_.pop_back();
    heights_.pop_back();
    complete_ = false;
  }
  line_end_ = std::string::npos;
  drawn_.clear();
  return true;
}

void PageLayout::FindLineEnd() {
  // A CR LF is one break: the LF after a CR that ended the last line starts no line.
  if (cursor_ == line_start_ && cursor_ > 0 && cursor_ < text_.size() &&
      text_[cursor_ - 1] == '\r' && text_[cursor_] == '\n') {
    line_start_ = ++cursor_;
  }
  // The next LF, then a CR before it: each search stops at the line's end.
  const char* from = text_.data() + cursor_;
  const std::size_t rest = text_.size() - cursor_;
  const auto* lf = static_cast<const char*>(std::memchr(from, '\n', rest));
  const std::size_t to_lf = lf != nullptr ? static_cast<std::size_t>(lf - from) : rest;
  const auto* cr = static_cast<const char*>(std::memchr(from, '\r', to_lf));
  line_end_ = cursor_ + (cr != nullptr ? static_cast<std::size_t>(cr - from) : to_lf);
}

bool PageLayout::BreakMore() {
  if (complete_) return false;
  if (line_end_ == std::string::npos) FindLineEnd();
  const std::size_t remaining = line_end_ - cursor_;
  for (;;) {
    std::size_t take = std::min(remaining, stretch_);
    const bool whole = take == remaining;
    while (!whole && take > 1 && IsContinuationByte(text_[cursor_ + take])) --take;

    std::vector<std::size_t> offsets;  // of each UTF-16 unit, from the cursor
    QTextLayout layout(Decode(text_.data() + cursor_, take, &offsets), font_);
    layout.setTextOption(BreakingOption());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width_);
    }
    layout.endLayout();
    const int count = layout.lineCount();
    if (!whole && count < 2 && stretch_ < kLongestStretch) {
      stretch_ *= 2;
      continue;
    }

    // The stretch's last row may end only because the stretch does: it is broken again,
    // from its start, with the text that follows.
    const int keep = whole || count < 2 ? count : count - 1;
    for (int i = 0; i < keep; ++i) {
      const QTextLine line = layout.lineAt(i);
      const std::size_t start = cursor_ + offsets[line.textStart()];
      const std::size_t end = cursor_ + offsets[line.textStart() + line.textLength()];
      rows_.push_back({start, static_cast<int>(end - start), start == line_start_});
      heights_.push_back(line.height());
    }
    if (count == 0) {  // not expected of an empty line, which still makes one row
      rows_.push_back({cursor_, 0, cursor_ == line_start_});
      heights_.push_back(QFontMetricsF(font_).height());
    }

    if (!whole) {
      cursor_ = rows_.back().start + static_cast<std::size_t>(rows_.back().length);
    } else if (line_end_ >= text_.size()) {
      complete_ = true;  // the cursor stays on the last line, should the text go on
    } else {
      cursor_ = line_start_ = line_end_ + 1;
      line_end_ = std::string::npos;
      stretch_ = kStretch;
    }
    return true;
  }
}

void PageLayout::BreakPast(int first, double height) {
  double below = 0;
  int counted = std::max(first, 0);
  for (;;) {
    for (; counted < RowCount(); ++counted) below += heights_[counted];
    if (below > height || !BreakMore()) return;
  }
}

void PageLayout::BreakAll() {
  while (BreakMore()) {
  }
}

QString PageLayout::RowText(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  QString part = Decode(text_.data() + rows_[row].start, rows_[row].length, nullptr);
  part.remove(QChar::LineSeparator);
  part.remove(QChar::ParagraphSeparator);
  return part;
}

QString PageLayout::PlainText(int first, int end) const {
  QString plain;
  for (int row = std::max(first, 0); row < std::min(end, RowCount()); ++row) {
    if (row > first && rows_[row].first_of_line) plain += QLatin1Char('\n');
    plain += RowText(row);
  }
  return plain;
}

const QTextLayout& PageLayout::RowLayout(int row) const {
  std::unique_ptr<QTextLayout>& slot = drawn_[row - drawn_first_];
  if (!slot) {
    slot = std::make_unique<QTextLayout>(RowText(row), font_);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setUseDesignMetrics(false);
    slot->setTextOption(option);
    slot->setCacheEnabled(true);
    slot->beginLayout();
    QTextLine line = slot->createLine();
    if (line.isValid()) line.setPosition(QPointF(0, 0));
    slot->endLayout();
  }
  return *slot;
}

QPointF PageLayout::Draw(QPainter& painter, QPointF origin, int first, int end) const {
  first = std::max(first, 0);
  end = std::min(end, RowCount());
  if (first >= end) return origin;
  // Each row is laid out alone, once, at the positions the breaking gave the rows.
  if (drawn_first_ != first || static_cast<int>(drawn_.size()) != end - first) {
    drawn_.clear();
    drawn_.resize(end - first);
    drawn_first_ = first;
  }
  double y = origin.y();
  QPointF mark_at = origin;
  for (int row = first; row < end; ++row) {
    const QTextLayout& layout = RowLayout(row);
    const QPointF at(origin.x(), y);
    layout.draw(&painter, at);
    if (layout.lineCount() > 0) {
      const QTextLine line = layout.lineAt(0);
      mark_at = QPointF(at.x() + line.naturalTextWidth(), y + line.ascent());
    }
    y += heights_[row];
  }
  return mark_at;
}

}  // namespace tavrin
