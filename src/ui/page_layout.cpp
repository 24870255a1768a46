#include "ui/page_layout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringView>
#include <QTextLayout>
#include <QTextLine>
#include <QTextOption>
#include <algorithm>

namespace tavrin {
namespace {

// The text given to the line breaker at a time: a few windows' worth of rows. The breaker's
// cost grows faster than the length it is given (a run with no break opportunity is
// searched for one from every row), so a long line is broken a stretch at a time.
constexpr int kStretch = 2048;
// A row can hold more characters than a stretch only when they take no room (combining
// marks, format characters); the stretch grows for it up to this, and there the row ends.
constexpr int kLongestStretch = 1 << 20;

bool IsRowBreak(QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); }

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
  line_end_ = -1;
  stretch_ = kStretch;
  complete_ = false;
  drawn_.clear();
}

bool PageLayout::SetText(const QString& text) {
  const bool continues = text.size() >= text_.size() &&
                         QStringView(text).first(text_.size()) == QStringView(text_);
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
  line_end_ = -1;
  drawn_.clear();
  return true;
}

void PageLayout::FindLineEnd() {
  // A CR LF is one break: the LF after a CR that ended the last line starts no line.
  if (cursor_ == line_start_ && cursor_ > 0 && cursor_ < text_.size() &&
      text_[cursor_ - 1] == QLatin1Char('\r') && text_[cursor_] == QLatin1Char('\n')) {
    line_start_ = ++cursor_;
  }
  line_end_ = cursor_;
  while (line_end_ < text_.size() && !IsRowBreak(text_[line_end_])) ++line_end_;
}

bool PageLayout::BreakMore() {
  if (complete_) return false;
  if (line_end_ < 0) FindLineEnd();
  const int remaining = line_end_ - cursor_;
  for (;;) {
    int take = std::min(remaining, stretch_);
    const bool whole = take == remaining;
    if (!whole && text_[cursor_ + take - 1].isHighSurrogate()) --take;

    QTextLayout layout(text_.mid(cursor_, take), font_);
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
      const int start = cursor_ + line.textStart();
      rows_.push_back({start, line.textLength(), start == line_start_});
      heights_.push_back(line.height());
    }
    if (count == 0) {  // not expected of an empty line, which still makes one row
      rows_.push_back({cursor_, 0, cursor_ == line_start_});
      heights_.push_back(QFontMetricsF(font_).height());
    }

    if (!whole) {
      const QTextLine last = layout.lineAt(keep - 1);
      cursor_ += last.textStart() + last.textLength();
    } else if (line_end_ >= text_.size()) {
      complete_ = true;  // the cursor stays on the last line, should the text go on
    } else {
      cursor_ = line_start_ = line_end_ + 1;
      line_end_ = -1;
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
  QString part = text_.mid(rows_[row].start, rows_[row].length);
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
