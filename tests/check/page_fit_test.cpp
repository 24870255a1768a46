// SPDX-License-Identifier: MIT
// A page is measured without laying it out when all of its rows are surely narrower than the
// message window. That shortcut must give what the window's own layout gives, for real
// prose and for the rows where it is closest to wrong: just short of the window's width,
// and Latin text that kerning narrows.
#include "app/check/page_fit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "game_files/cp932.h"
#include "ui/message_label.h"
#include "ui/text_font.h"
#include "ui/window_layout.h"

namespace tavrin {
namespace {

std::vector<std::string> Cp932Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(DecodeCp932(line));
  }
  return lines;
}

// Rows of every length around the width of a window row, in full-width and in Latin.
std::vector<std::string> EdgeRows() {
  std::vector<std::string> rows;
  std::string kana;
  std::string latin;
  for (int n = 1; n <= 60; ++n) {
    kana += n % 3 == 0 ? "\u3002" : "\u3042";  // あ, and 。 now and then
    latin += "AVATAR Wave To Yo "[n % 18];
    rows.push_back(kana);
    rows.push_back(latin);
    rows.push_back(kana.substr(0, kana.size() / 2) + "Tavrin");
  }
  return rows;
}

TEST(PageFit, MeasuresEveryPageAsTheWindowsOwnLayoutDoes) {
  std::vector<std::string> lines = EdgeRows();
  const std::vector<std::string> demo =
      Cp932Lines(std::string(TAVRIN_SOURCE_DIR) + "/demo/dat.dat");
  lines.insert(lines.end(), demo.begin(), demo.end());
  // Prose paragraphs run to many rows, which only the layout measures: pages of one to three.
  std::vector<std::string> prose;
  for (const char* text : {"text/rashomon.txt", "text/jigokuhen_shohan.txt"}) {
    const std::vector<std::string> more = Cp932Lines(std::string(TAVRIN_TESTDATA_DIR) + "/" + text);
    EXPECT_GT(more.size(), 50u) << text;
    prose.insert(prose.end(), more.begin(), more.end());
  }

  for (int screen : {768, 1080}) {
    PageFit fit(screen);
    int quick = 0;
    // Pages of one to eleven lines, each ending with the page-end mark as the engine ends it.
    for (size_t first = 0; first < lines.size() + prose.size(); ++first) {
      const bool in_prose = first >= lines.size();
      const std::vector<std::string>& from = in_prose ? prose : lines;
      const size_t start = in_prose ? first - lines.size() : first;
      std::string page;
      for (size_t count = 0; count < (in_prose ? 3 : 11) && start + count < from.size(); ++count) {
        page += "\r\n" + from[start + count];
        const std::string ended = page + "\u25BC";
        const PageMeasure measured = fit.Measure(ended);
        const PageMeasure laid_out = fit.MeasureByLayout(ended);
        ASSERT_EQ(measured.rows, laid_out.rows) << screen << ": " << ended;
        ASSERT_EQ(measured.views, laid_out.views) << screen << ": " << ended;
        quick += measured.rows == static_cast<int>(count) + 2;
      }
    }
    // The shortcut is taken for most pages of short rows, or it would not be worth having.
    EXPECT_GT(quick, static_cast<int>(lines.size()));
  }
}

TEST(PageFit, ViewsHoldTheRowsThatFitTheMessageWindow) {
  for (int screen : {768, 1080}) {
    PageFit fit(screen);
    const int fits = fit.RowsInView();
    ASSERT_GE(fits, 2) << screen;
    std::string page;
    for (int rows = 1; rows <= 3 * fits + 1; ++rows) {
      const PageMeasure measured = fit.Measure(page + "\u25BC");
      EXPECT_EQ(measured.rows, rows);
      EXPECT_EQ(measured.views, (rows + fits - 1) / fits) << screen << ", " << rows << " rows";
      page += "\r\n\u884C";  // 行
    }
  }
}

// The views the checker counts are those the message window shows the reader, one by one.
TEST(PageFit, CountsTheViewsTheMessageWindowShows) {
  std::vector<std::string> prose;
  for (const char* text : {"text/rashomon.txt", "text/jigokuhen_shohan.txt"}) {
    const std::vector<std::string> more = Cp932Lines(std::string(TAVRIN_TESTDATA_DIR) + "/" + text);
    prose.insert(prose.end(), more.begin(), more.begin() + std::min<size_t>(more.size(), 40));
  }
  for (int screen : {768, 1080}) {
    PageFit fit(screen);
    // The message window as the main window lays it out on that screen, in the same frame.
    const WindowLayout layout =
        LayOutWindow(static_cast<float>(screen) * 15, 15, EstimatedFrame(*QApplication::style()));
    MessageLabel label(nullptr);
    const QFont font = TextFont(layout.font_points);
    label.setContentsMargins(TextSideMargin(font), 0, TextSideMargin(font), 0);
    label.setGeometry(layout.message);
    label.SetLayoutFont(font);
    int several = 0;
    for (size_t first = 0; first + 3 <= prose.size(); first += 3) {
      const std::string page =
          "\r\n" + prose[first] + "\r\n" + prose[first + 1] + "\r\n" + prose[first + 2] + "\u25BC";
      label.SetPage(std::string());
      label.SetPage(page);
      int views = 1;
      while (label.Views().Continue()) ++views;
      EXPECT_EQ(fit.MeasureByLayout(page).views, views) << screen << ": " << page;
      several += views > 1;
    }
    EXPECT_GT(several, 3) << screen;  // pages of several views were among them
  }
}

}  // namespace
}  // namespace tavrin
