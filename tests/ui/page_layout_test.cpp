#include "ui/page_layout.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>

namespace tavrin {
namespace {

QFont JapaneseFont(int points) {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK JP")});
  font.setPointSize(points);
  return font;
}

QString Rows(int count) {
  QString page;
  for (int i = 1; i <= count; ++i) page += QStringLiteral("\r\n行%1").arg(i);
  return page + QChar(0x25BC);
}

TEST(PageLayout, CrLfBreaksRowsAndTheLeadingOneLeavesTheFirstRowEmpty) {
  PageLayout page;
  page.Lay(QStringLiteral("\r\n夏の終わり。\r\nハル\u25BC"), JapaneseFont(12), QSizeF(400, 300));
  ASSERT_EQ(page.RowCount(), 3);
  EXPECT_EQ(page.RowText(0), QString());
  EXPECT_EQ(page.RowText(1), QStringLiteral("夏の終わり。"));
  EXPECT_EQ(page.RowText(2), QStringLiteral("ハル\u25BC"));
  EXPECT_EQ(page.PointSize(), 12);
  EXPECT_EQ(page.FirstShownRow(), 0);
  EXPECT_EQ(PageLayout::PlainText(QStringLiteral("\r\na\r\nb")), QStringLiteral("\na\nb"));
}

TEST(PageLayout, LongJapaneseRowsWrapBetweenCharactersButNeverBeforeClosingMarks) {
  const QString row = QStringLiteral(
      "「月見坂の灯り番さんなら、まだあの丘にいるはずだよ。今夜は満月だ、暗くならないうちに"
      "届けておあげ」局長さんは眼鏡を外して、窓の外の丘を見た。");
  // Try several widths so that a break falls just before each closing mark at least once.
  int wrapped_rows = 0;
  for (int width = 60; width <= 240; width += 3) {
    PageLayout page;
    page.Lay(QStringLiteral("\r\n") + row, JapaneseFont(10), QSizeF(width, 10000));
    QString joined;
    for (int i = 1; i < page.RowCount(); ++i) {
      const QString text = page.RowText(i);
      ASSERT_FALSE(text.isEmpty()) << "width " << width;
      EXPECT_FALSE(QStringLiteral("、。」").contains(text.front()))
          << "row " << i << " at width " << width << " starts with " << text.toStdString();
      joined += text;
    }
    EXPECT_EQ(joined, row) << "width " << width;  // nothing lost or doubled by wrapping
    wrapped_rows += page.RowCount() - 2;
  }
  EXPECT_GT(wrapped_rows, 50);
}

TEST(PageLayout, ARunWithNoBreakOpportunityStillWraps) {
  PageLayout page;
  page.Lay(QStringLiteral("\r\n") + QString(200, QLatin1Char('a')), JapaneseFont(10),
           QSizeF(150, 10000));
  EXPECT_GT(page.RowCount(), 3);
}

TEST(PageLayout, APageThatFitsKeepsTheWindowsFont) {
  PageLayout page;
  page.Lay(Rows(3), JapaneseFont(14), QSizeF(300, 400));
  EXPECT_EQ(page.PointSize(), 14);
  EXPECT_EQ(page.RowCount(), 4);
  EXPECT_LE(page.ShownHeight(), 400);
}

TEST(PageLayout, ATallPageShrinksItsFontJustEnoughToShowEveryRow) {
  const QFont font = JapaneseFont(15);
  const qreal row_height = QFontMetricsF(font).height();
  // Room for eight rows at the window's size; the page has eleven (the empty first one and
  // ten text rows, the most a page holds).
  const QSizeF area(400, row_height * 8.5);
  PageLayout page;
  page.Lay(Rows(10), font, area);
  EXPECT_EQ(page.RowCount(), 11);
  EXPECT_EQ(page.FirstShownRow(), 0);
  EXPECT_LE(page.ShownHeight(), area.height());
  EXPECT_LT(page.PointSize(), 15);
  EXPECT_GE(page.PointSize(), 15 * PageLayout::kSmallestScale);
  // Just enough: a quarter point larger would not hold the page.
  PageLayout larger;
  QFont bigger = font;
  bigger.setPointSizeF(page.PointSize() + 0.3);
  larger.Lay(Rows(10), bigger, area);
  EXPECT_LT(larger.PointSize(), bigger.pointSizeF());
}

TEST(PageLayout, BeyondTwoThirdsTheEarliestRowsGiveWayToTheNewest) {
  const QFont font = JapaneseFont(15);
  const QSizeF area(400, QFontMetricsF(font).height() * 4);
  PageLayout page;
  page.Lay(Rows(30), font, area);
  EXPECT_DOUBLE_EQ(page.PointSize(), 15 * PageLayout::kSmallestScale);
  ASSERT_EQ(page.RowCount(), 31);
  EXPECT_GT(page.FirstShownRow(), 0);
  EXPECT_LE(page.ShownHeight(), area.height());
  // As many of the newest rows as fit: one more would overflow.
  QFont small = font;
  small.setPointSizeF(page.PointSize());
  const qreal row = QFontMetricsF(small).height();
  EXPECT_GT(page.ShownHeight() + row, area.height() - 1);
  EXPECT_EQ(page.RowText(page.RowCount() - 1), QStringLiteral("行30\u25BC"));
}

TEST(PageLayout, AWindowTooSmallForOneRowStillShowsTheNewestRow) {
  PageLayout page;
  page.Lay(Rows(5), JapaneseFont(20), QSizeF(0, 0));
  EXPECT_EQ(page.FirstShownRow(), page.RowCount() - 1);
}

}  // namespace
}  // namespace tavrin
