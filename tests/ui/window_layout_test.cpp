// SPDX-License-Identifier: MIT
#include "ui/window_layout.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

struct WorkedValue {
  int screen_pixels;
  float unit_twips;
  QSize outer;
  int font_points;
};

class WorkedValues : public ::testing::TestWithParam<WorkedValue> {};

TEST_P(WorkedValues, UnitOuterSizeAndFontFollowTheScreenHeight) {
  const WorkedValue& expected = GetParam();
  const WindowLayout layout = LayOutWindow(expected.screen_pixels * 15.0f, 15.0f, QMargins());
  EXPECT_NEAR(layout.unit_twips, expected.unit_twips, 0.01);
  EXPECT_EQ(layout.outer, expected.outer);
  EXPECT_EQ(layout.font_points, expected.font_points);
  // Without a frame, the grid covers the whole window.
  EXPECT_EQ(layout.client, expected.outer);
}

INSTANTIATE_TEST_SUITE_P(Screens, WorkedValues,
                         ::testing::Values(WorkedValue{600, 1000.0f, {333, 467}, 8},
                                           WorkedValue{720, 1200.0f, {400, 560}, 10},
                                           WorkedValue{768, 1280.0f, {427, 597}, 10},
                                           WorkedValue{1024, 1706.67f, {569, 796}, 15},
                                           WorkedValue{1080, 1800.0f, {600, 840}, 16}));

TEST(WindowLayout, TwipsToThePixelScaleTheWindowNotTheFont) {
  // At 120 dots to the inch a 1080-pixel screen is 12960 twips: the same window in pixels,
  // a font of 1440 / 100 - 2 points (integer division).
  const WindowLayout layout = LayOutWindow(1080 * 12.0f, 12.0f, QMargins());
  EXPECT_EQ(layout.outer, QSize(600, 840));
  EXPECT_EQ(layout.font_points, 12);
}

TEST(WindowLayout, TheGridCoversTheClientAreaInsideTheFrame) {
  const QMargins frame(4, 30, 4, 4);
  const WindowLayout layout = LayOutWindow(768 * 15.0f, 15.0f, frame);
  ASSERT_EQ(layout.outer, QSize(427, 597));
  EXPECT_EQ(layout.client, QSize(419, 563));

  // Pic: the top five rows over the full width; Lbl: the two rows below.
  EXPECT_EQ(layout.picture, QRect(0, 0, 419, 402));
  EXPECT_EQ(layout.message, QRect(0, 402, 419, 161));
  // The caption takes from the height only: Pic is a little wider than high.
  EXPECT_GT(layout.picture.width(), layout.picture.height());
  EXPECT_LT(layout.picture.width() - layout.picture.height(), layout.picture.width() / 10);

  // The buttons halve the message window and cover it exactly.
  EXPECT_EQ(layout.choices[0].top(), layout.message.top());
  EXPECT_EQ(layout.choices[0].bottom() + 1, layout.choices[1].top());
  EXPECT_EQ(layout.choices[0].united(layout.choices[1]), layout.message);
  EXPECT_LE(std::abs(layout.choices[0].height() - layout.choices[1].height()), 1);
}

TEST(WindowLayout, ControlsTileTheClientAreaAtEverySize) {
  for (int pixels = 300; pixels <= 2160; pixels += 7) {
    for (const QMargins& frame : {QMargins(), QMargins(1, 23, 1, 1), QMargins(8, 37, 8, 8)}) {
      const WindowLayout layout = LayOutWindow(pixels * 15.0f, 15.0f, frame);
      SCOPED_TRACE(::testing::Message() << pixels << " px");
      EXPECT_EQ(layout.client.width(), layout.outer.width() - frame.left() - frame.right());
      EXPECT_EQ(layout.picture.united(layout.message), QRect(QPoint(0, 0), layout.client));
      EXPECT_FALSE(layout.picture.intersects(layout.message));
      EXPECT_EQ(layout.choices[0].united(layout.choices[1]), layout.message);
      EXPECT_FALSE(layout.choices[0].intersects(layout.choices[1]));
    }
  }
}

TEST(WindowLayout, ScreensTooSmallForTheFormulaStillGetAWindow) {
  for (float twips : {0.0f, -100.0f, 15.0f, 2000.0f}) {
    const WindowLayout layout = LayOutWindow(twips, 15.0f, QMargins(8, 37, 8, 8));
    EXPECT_GE(layout.font_points, 1);
    EXPECT_GE(layout.client.width(), 5);
    EXPECT_GE(layout.client.height(), 7);
    EXPECT_FALSE(layout.picture.isEmpty());
    EXPECT_FALSE(layout.choices[1].isEmpty());
  }
  // A nonsensical pixel size is taken as the usual 15 twips.
  EXPECT_EQ(LayOutWindow(9000.0f, 0.0f, QMargins()).outer, QSize(333, 467));
}

struct FittedCase {
  QSize client;
  bool full_screen;
  QRect area;
  int font_points;
};

class Fitted : public ::testing::TestWithParam<FittedCase> {};

TEST_P(Fitted, TheGridKeepsItsProportionsCentredWithTheFontOfItsHeight) {
  // Opened on a 1080-pixel screen in a frame of 4, 30, 4, 4: a client area of 592 by 806.
  const WindowLayout opened = LayOutWindow(1080 * 15.0f, 15.0f, QMargins(4, 30, 4, 4));
  ASSERT_EQ(opened.client, QSize(592, 806));
  const FittedCase& expected = GetParam();
  const WindowLayout layout = FitWindow(opened, expected.client, expected.full_screen);
  EXPECT_EQ(layout.area, expected.area);
  EXPECT_EQ(layout.font_points, expected.font_points);
  EXPECT_EQ(layout.picture.united(layout.message), layout.area);
  EXPECT_EQ(layout.choices[0].united(layout.choices[1]), layout.message);
  EXPECT_NEAR(layout.picture.height(), layout.area.height() * 5.0 / 7.0, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Fitted,
    ::testing::Values(
        // The opening size is the layout it opened with.
        FittedCase{{592, 806}, false, {0, 0, 592, 806}, 16},
        // Full screen: the unit is the height / 7, no frame, black on both sides.
        FittedCase{{1920, 1080}, true, {574, 0, 771, 1080}, 21},
        FittedCase{{3840, 2160}, true, {1148, 0, 1543, 2160}, 44},
        FittedCase{{1366, 768}, true, {408, 0, 549, 768}, 14},
        // Maximised, framed: the window of 5 by 7 whose client area fits, centred.
        FittedCase{{1358, 734}, false, {408, 0, 541, 734}, 14},
        // Wider than high, and higher than wide: black above and below instead.
        FittedCase{{400, 1200}, false, {0, 331, 400, 537}, 10},
        // Smaller than the grid: a pixel a cell.
        FittedCase{{2, 3}, false, {0, 0, 5, 7}, 1}));

}  // namespace
}  // namespace tavrin
