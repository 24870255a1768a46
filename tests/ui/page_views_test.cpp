// SPDX-License-Identifier: MIT
#include "ui/page_views.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <numeric>

#include "support/japanese_font.h"

namespace tavrin {
namespace {

using test_support::JapaneseFont;

// A page too tall for the message window: ten lines of 49 characters, each its own line
// of the scenario.
QStringList LongLines(int count = 10) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) {
    QString line = QStringLiteral("%1行目").arg(i, 2, 10, QLatin1Char('0'));
    while (line.size() < 48)
      line += QChar(static_cast<char16_t>(0x3042 + (line.size() * 7 + i) % 80));
    lines << line + QStringLiteral("。");
  }
  return lines;
}

std::string Page(const QStringList& lines, bool ends = true) {
  return (QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n")) +
          (ends ? QStringLiteral("\u25BC") : QString()))
      .toStdString();
}

double Height(const PageViews& views, PageViews::Span span) {
  const std::vector<double>& heights = views.Layout().RowHeights();
  return std::accumulate(heights.begin() + span.first, heights.begin() + span.end, 0.0);
}

class PageViewsTest : public ::testing::Test {
 protected:
  void SetUp() override { views_.SetArea(JapaneseFont(16), 580, 240); }
  PageViews views_;
};

TEST_F(PageViewsTest, ATallPageIsReadInViewsOfWholeRowsWithEveryRowOnce) {
  views_.SetPage(Page(LongLines()));
  const double window = 240;
  std::vector<PageViews::Span> seen = {views_.Shown()};
  while (views_.Waiting()) {
    ASSERT_TRUE(views_.ShownHasMore());
    ASSERT_TRUE(views_.Continue());
    seen.push_back(views_.Shown());
  }
  EXPECT_FALSE(views_.ShownHasMore());  // the page's end shows "▼" alone

  const PageLayout& rows = views_.Layout();
  ASSERT_TRUE(rows.Complete());
  EXPECT_EQ(rows.RowCount(), 21);  // an empty row, then two rows for each line
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen.front().first, 0);
  EXPECT_EQ(seen.back().end, rows.RowCount());
  for (size_t v = 0; v < seen.size(); ++v) {
    EXPECT_LE(Height(views_, seen[v]), window) << "view " << v;
    if (v + 1 == seen.size()) break;
    EXPECT_EQ(seen[v].end, seen[v + 1].first) << "view " << v;  // no row skipped or doubled
    EXPECT_GT(Height(views_, {seen[v].first, seen[v].end + 1}), window) << "view " << v;
  }
  // Every line is read whole, across views.
  QString read;
  for (const PageViews::Span& span : seen) {
    for (int row = span.first; row < span.end; ++row) read += rows.RowText(row);
  }
  EXPECT_EQ(read.toStdString(), (LongLines().join(QString()) + QChar(0x25BC)).toStdString());
}

TEST_F(PageViewsTest, RowsArriveIntoTheCurrentViewUntilOneDoesNotFit) {
  const QStringList lines = LongLines();
  int waited_at = -1;
  for (int n = 1; n <= lines.size(); ++n) {
    views_.SetPage(Page(lines.mid(0, n), n == lines.size()));
    if (views_.Waiting()) {
      waited_at = n;
      break;
    }
    EXPECT_EQ(views_.Shown().end, views_.Layout().RowCount()) << "every row so far shows";
  }
  ASSERT_EQ(waited_at, 4);  // 1 + 2 * 3 rows fit in 240 pixels; the fourth line does not
  EXPECT_EQ(views_.Shown().first, 0);
  EXPECT_EQ(views_.Shown().end, 7);
  // Nothing goes on until the reader does; then the fourth line starts the next view.
  views_.SetPage(Page(lines.mid(0, 4), false));
  EXPECT_TRUE(views_.Waiting());
  ASSERT_TRUE(views_.Continue());
  EXPECT_FALSE(views_.Waiting());
  EXPECT_EQ(views_.Layout().PlainText(views_.Shown().first, views_.Shown().end), lines[3]);
  views_.SetPage(Page(lines.mid(0, 5), false));
  EXPECT_EQ(views_.ShownIndex(), 1);
  EXPECT_EQ(views_.Shown().end, 11);
  // A page that does not continue this one starts at its first view.
  views_.SetPage(std::string());
  EXPECT_EQ(views_.ShownIndex(), 0);
  EXPECT_FALSE(views_.Waiting());
}

TEST_F(PageViewsTest, EarlierViewsCanBeSeenAgainAndTheReaderComesBackToTheCurrentOne) {
  views_.SetPage(Page(LongLines()));
  views_.Continue();
  views_.Continue();
  const PageViews::Span last = views_.Shown();
  EXPECT_FALSE(views_.ShowLater());
  ASSERT_TRUE(views_.ShowEarlier());
  EXPECT_TRUE(views_.LookingBack());
  EXPECT_TRUE(views_.ShownHasMore());
  EXPECT_EQ(views_.Shown().end, last.first);
  ASSERT_TRUE(views_.ShowEarlier());
  EXPECT_EQ(views_.Shown().first, 0);
  EXPECT_FALSE(views_.ShowEarlier());
  EXPECT_TRUE(views_.ShowLater());
  // Going on from an earlier view returns to the current one; it does not skip past it.
  EXPECT_TRUE(views_.Continue());
  EXPECT_EQ(views_.Shown().first, last.first);
  EXPECT_FALSE(views_.Continue());
}

TEST_F(PageViewsTest, ANewAreaBreaksTheRowsAgainAndKeepsTheReadersPlace) {
  views_.SetPage(Page(LongLines()));
  views_.Continue();
  const int reached_at = views_.Layout().RowStart(views_.Shown().first);
  for (const double height : {200.0, 250.0, 400.0}) {
    views_.SetArea(JapaneseFont(16), 560, height);
    const PageViews::Span shown = views_.Shown();
    EXPECT_LE(views_.Layout().RowStart(shown.first), reached_at) << height;
    EXPECT_GT(views_.Layout().RowStart(shown.end), reached_at) << height;
  }
}

TEST_F(PageViewsTest, FullScreenAndBackKeepTheViewsTheReaderIsAt) {
  views_.SetPage(Page(LongLines()));
  views_.Continue();
  views_.Continue();
  const PageViews::Span current = views_.Shown();
  ASSERT_TRUE(views_.ShowEarlier());
  const PageViews::Span looked_at = views_.Shown();
  const std::size_t looked_at_text = views_.Layout().RowStart(looked_at.first);

  // In full screen, a larger font over a larger area: the text looked at is in view.
  views_.SetArea(JapaneseFont(24), 900, 360);
  const PageLayout& rows = views_.Layout();
  const PageViews::Span shown = views_.Shown();
  EXPECT_LE(rows.RowStart(shown.first), looked_at_text);
  EXPECT_TRUE(shown.end == rows.RowCount() || rows.RowStart(shown.end) > looked_at_text);

  // Back at the window's size: the same views as before, not the ones nearest the
  // full screen's.
  views_.SetArea(JapaneseFont(16), 580, 240);
  EXPECT_EQ(views_.Shown().first, looked_at.first);
  EXPECT_EQ(views_.Shown().end, looked_at.end);
  ASSERT_TRUE(views_.Continue());
  EXPECT_EQ(views_.Shown().first, current.first);
  EXPECT_EQ(views_.Shown().end, current.end);
}

TEST_F(PageViewsTest, AVeryLongLineIsBrokenViewByViewOnly) {
  views_.SetPage("\r\n" + std::string(1 << 20, 'a') + "\u25BC");
  ASSERT_TRUE(views_.Waiting());
  const int rows_per_view = views_.Shown().end;
  for (int v = 0; v < 100; ++v) ASSERT_TRUE(views_.Continue());
  EXPECT_EQ(views_.ShownIndex(), 100);
  EXPECT_EQ(views_.Shown().end - views_.Shown().first, rows_per_view);
  // Rows broken: those of the views read, and at most a stretch beyond.
  EXPECT_LT(views_.Layout().RowCount(), 101 * rows_per_view + 100);
  EXPECT_FALSE(views_.Layout().Complete());
}

}  // namespace
}  // namespace tavrin
