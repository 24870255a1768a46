// SPDX-License-Identifier: MIT
#include "ui/page_layout.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTextLayout>
#include <QTextLine>

#include "support/japanese_font.h"

namespace tavrin {
namespace {

using test_support::JapaneseFont;

// Pages are UTF-8, as the scenario gives them.
std::string U8(const QString& text) { return text.toStdString(); }

QStringList AllRows(PageLayout& page) {
  page.BreakAll();
  QStringList rows;
  for (int i = 0; i < page.RowCount(); ++i) rows << page.RowText(i);
  return rows;
}

TEST(PageLayout, EachScenarioLineStartsARowAndTheLeadingBreakLeavesTheFirstRowEmpty) {
  PageLayout page;
  page.SetFormat(JapaneseFont(12), 400);
  page.SetText(U8(QStringLiteral("\r\n夏の終わり。\r\nハル\u25BC")));
  EXPECT_EQ(AllRows(page), (QStringList{"", "夏の終わり。", "ハル\u25BC"}));
  EXPECT_EQ(page.PlainText(0, 3), QStringLiteral("\n夏の終わり。\nハル\u25BC"));
  // A lone CR or LF breaks a row too, and a CR LF split between two texts is one break.
  page.SetText(U8(QStringLiteral("a\rb\nc\r")));
  EXPECT_EQ(AllRows(page), (QStringList{"a", "b", "c", ""}));
  page.SetText(U8(QStringLiteral("a\rb\nc\r\nd")));
  EXPECT_EQ(AllRows(page), (QStringList{"a", "b", "c", "d"}));
  // Bytes that are not UTF-8 show as U+FFFD, one each, and take nothing else with them.
  page.SetText("x\xff\xe3\x81y");
  EXPECT_EQ(AllRows(page), (QStringList{"x\uFFFD\uFFFD\uFFFDy"}));
}

TEST(PageLayout, LongJapaneseRowsWrapBetweenCharactersButNeverBeforeClosingMarks) {
  const QString row = QStringLiteral(
      "「月見坂の灯り番さんなら、まだあの丘にいるはずだよ。今夜は満月だ、暗くならないうちに"
      "届けておあげ」局長さんは眼鏡を外して、窓の外の丘を見た。");
  // Try several widths so that a break falls just before each closing mark at least once.
  int wrapped_rows = 0;
  for (int width = 60; width <= 240; width += 3) {
    PageLayout page;
    page.SetFormat(JapaneseFont(10), width);
    page.SetText(U8(QStringLiteral("\r\n") + row));
    const QStringList rows = AllRows(page);
    for (int i = 1; i < rows.size(); ++i) {
      ASSERT_FALSE(rows[i].isEmpty()) << "width " << width;
      EXPECT_FALSE(QStringLiteral("、。」").contains(rows[i].front()))
          << "row " << i << " at width " << width << " starts with " << rows[i].toStdString();
    }
    EXPECT_EQ(rows.mid(1).join(QString()), row) << "width " << width;  // nothing lost or doubled
    wrapped_rows += rows.size() - 2;
  }
  EXPECT_GT(wrapped_rows, 50);
}

TEST(PageLayout, ALongLineIsBrokenAStretchAtATimeIntoTheRowsOfTheWholeLine) {
  // Japanese with its punctuation, a character beyond the BMP (four bytes in UTF-8), Latin
  // words, and a run with no break opportunity longer than a stretch: the rows must be
  // those the line breaker gives the line in one piece.
  QString line;
  for (int i = 0; i < 120; ++i) {
    line += QStringLiteral("月が高くのぼる前に、𠮷野の塔へ。「Good evening」と猫は言った。");
    if (i == 40) line += QString(5000, QLatin1Char('x'));
  }
  for (int width : {97, 250, 611}) {
    QTextLayout whole(line, JapaneseFont(11));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(false);
    whole.setTextOption(option);
    whole.beginLayout();
    QStringList expected;
    for (QTextLine row = whole.createLine(); row.isValid(); row = whole.createLine()) {
      row.setLineWidth(width);
      expected << line.mid(row.textStart(), row.textLength());
    }
    whole.endLayout();

    PageLayout page;
    page.SetFormat(JapaneseFont(11), width);
    page.SetText(U8(line));
    EXPECT_EQ(AllRows(page), expected) << "width " << width;
  }
}

TEST(PageLayout, OnlyTheRowsAskedForAreBroken) {
  PageLayout page;
  page.SetFormat(JapaneseFont(16), 580);
  page.SetText(U8(QStringLiteral("\r\n") + QString(1 << 20, QLatin1Char('a'))));
  page.BreakPast(0, 240);  // one view's worth
  EXPECT_FALSE(page.Complete());
  EXPECT_GT(page.RowCount(), 7);
  EXPECT_LT(page.RowCount(), 200);  // a stretch or two, not the megabyte
  const int first_rows = page.RowCount();
  page.BreakPast(500, 240);  // a view further on
  EXPECT_GT(page.RowCount(), 507);
  EXPECT_LT(page.RowCount(), 500 + first_rows + 200);
}

TEST(PageLayout, TextThatContinuesKeepsItsRowsAndOtherTextStartsAfresh) {
  PageLayout page;
  page.SetFormat(JapaneseFont(12), 200);
  const QString start = QStringLiteral("\r\nひとつめの行はここで折り返すほど長い行です。");
  page.SetText(U8(start));
  const QStringList before = AllRows(page);

  // A row more: the earlier rows stay as they were.
  EXPECT_TRUE(page.SetText(U8(start + QStringLiteral("\r\nふたつめ\u25BC"))));
  EXPECT_EQ(page.RowCount(), before.size() - 1);  // only the row that ended at the text's end
  const QStringList after = AllRows(page);
  EXPECT_EQ(after.mid(0, before.size()), before);
  EXPECT_EQ(after.back(), QStringLiteral("ふたつめ\u25BC"));

  // The last line goes on: its last row is broken again with what follows.
  PageLayout grown;
  grown.SetFormat(JapaneseFont(12), 200);
  grown.SetText(U8(QStringLiteral("\r\nつづく")));
  grown.BreakAll();
  grown.SetText(U8(QStringLiteral("\r\nつづく行")));
  EXPECT_EQ(AllRows(grown), (QStringList{"", "つづく行"}));

  // A new page.
  EXPECT_FALSE(page.SetText(U8(QStringLiteral("\r\n次のページ"))));
  EXPECT_EQ(page.RowCount(), 0);
  EXPECT_EQ(AllRows(page), (QStringList{"", "次のページ"}));
}

}  // namespace
}  // namespace tavrin
