// SPDX-License-Identifier: MIT
#include "ui/command_button.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QWidget>
#include <cmath>

#include "ui/key_repeats.h"

namespace tavrin {
namespace {

// The rows of the button's centre column painted in `colour`, top band and bottom band.
std::pair<int, int> RingBands(const QImage& image, QRgb colour) {
  const int x = image.width() / 2;
  int top = 0;
  int bottom = 0;
  for (int y = 0; y < image.height() / 2; ++y) top += image.pixel(x, y) == colour;
  for (int y = image.height() / 2; y < image.height(); ++y) bottom += image.pixel(x, y) == colour;
  return {top, bottom};
}

TEST(CommandButton, TheFocusedChoiceHasARingOfAtLeastTwoPixelsAndAPressedOneADarkerFace) {
  QWidget window;
  KeyRepeats repeats(&window);
  CommandButton first(0, &repeats, &window);
  CommandButton second(1, &repeats, &window);
  for (const int height : {40, 67, 120, 240}) {  // the button on screens 320 to 2160 high
    first.setGeometry(0, 0, height * 5, height);
    second.setGeometry(0, height, height * 5, height);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    first.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.hasFocus(); }));

    // In whole device pixels of the ring's own colour, at any scale (QT_SCALE_FACTOR).
    const double ratio = first.devicePixelRatioF();
    const QImage focused = first.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto [top, bottom] = RingBands(focused, CommandButton::kFocusRing);
    EXPECT_GE(top, 2 * ratio) << height;
    EXPECT_EQ(top, bottom) << height;
    EXPECT_EQ(top, std::lround(CommandButton::FocusRingWidth(height) * ratio)) << height;
    const QImage plain = second.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(RingBands(plain, CommandButton::kFocusRing), std::make_pair(0, 0)) << height;
    EXPECT_EQ(plain.pixel(height / 2, height / 2), CommandButton::kFace);

    second.setDown(true);
    EXPECT_EQ(second.grab().toImage().pixel(height / 2, height / 2), CommandButton::kPressedFace);
    second.setDown(false);
  }
}

}  // namespace
}  // namespace tavrin
