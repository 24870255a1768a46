// SPDX-License-Identifier: MIT
#include "ui/spoken_view.h"

#include <string_view>

namespace tavrin {
namespace {

constexpr std::u16string_view kSentenceEnds = u"。．！？!?";
constexpr std::u16string_view kClosers = u"」』）)］]｝}〉》】〕”’";
constexpr std::u16string_view kOpeners = u"「『（(［[｛{〈《【〔“‘";
constexpr std::u16string_view kClauseMarks = u"、，,；;：:";

bool OneOf(std::u16string_view set, QChar c) { return set.find(c.unicode()) != set.npos; }

// How good a place `at` (between two characters of `text`) is for a reading to begin:
// 2 after a sentence, an opening bracket or a space, 1 after a clause, 0 in a word.
int ReadingStart(const QString& text, qsizetype at) {
  const QChar before = text[at - 1];
  const QChar after = text[at];
  const bool ends = OneOf(kSentenceEnds, before) || OneOf(kClosers, before);
  const bool goes_on = OneOf(kSentenceEnds, after) || OneOf(kClosers, after);
  if (before.isSpace() || OneOf(kOpeners, after) || (ends && !goes_on)) return 2;
  if (OneOf(kClauseMarks, before) && !goes_on) return 1;
  return 0;
}

// How many characters at the end of row `row - 1` go with the view that begins at row `row`:
// none when `row` begins a line, or the rows are cut between words, or no better place is in
// the row.
qsizetype CarriedOver(const PageLayout& layout, int row) {
  if (row <= 0 || row >= layout.RowCount()) return 0;
  const QString before = layout.RowText(row - 1);
  const QString next = layout.RowText(row);
  if (before.isEmpty() || next.isEmpty()) return 0;
  // A row that begins a line comes after a line break in the text a reader has.
  if (layout.PlainText(row - 1, row + 1).size() > before.size() + next.size()) return 0;
  const QString text = before + next;
  if (ReadingStart(text, before.size()) > 0) return 0;
  qsizetype sentence = 0;
  qsizetype clause = 0;
  for (qsizetype at = 1; at < before.size(); ++at) {
    const int how = ReadingStart(text, at);
    if (how == 2) sentence = at;
    if (how == 1) clause = at;
  }
  const qsizetype from = sentence > 0 ? sentence : clause;
  return from > 0 ? before.size() - from : 0;
}

}  // namespace

QString SpokenView(const PageLayout& layout, PageViews::Span view, bool rows_follow) {
  QString text;
  if (view.first > 0) text = layout.RowText(view.first - 1).right(CarriedOver(layout, view.first));
  text += layout.PlainText(view.first, view.end);
  if (rows_follow) text.chop(CarriedOver(layout, view.end));
  return text;
}

}  // namespace tavrin
