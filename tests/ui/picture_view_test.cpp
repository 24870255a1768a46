// SPDX-License-Identifier: MIT
#include "ui/picture_view.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>
#include <QPixmap>

#include "support/scratch_game.h"
#include "ui/accessibility.h"

namespace tavrin {
namespace {

using test_support::Near;
using test_support::QuarteredPicture;
using test_support::ScratchGame;

class PictureViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.resize(400, 300);
    game_.WritePicture("quarters", QuarteredPicture(QSize(100, 50)));
  }

  // Paints the area from scratch, as after another window uncovered it.
  QImage Painted() { return view_.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  ::testing::AssertionResult AllBlack() {
    const QImage image = Painted();
    for (int y = 0; y < image.height(); y += 7) {
      for (int x = 0; x < image.width(); x += 7) {
        if (image.pixel(x, y) != qRgb(0, 0, 0)) {
          return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is not black";
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  void ExpectQuarteredPicture() {
    const QImage image = Painted();
    ASSERT_EQ(image.size(), QSize(400, 300));
    EXPECT_TRUE(Near(image.pixel(3, 3), Qt::red));
    EXPECT_TRUE(Near(image.pixel(396, 3), Qt::green));
    EXPECT_TRUE(Near(image.pixel(3, 296), Qt::blue));
    EXPECT_TRUE(Near(image.pixel(396, 296), Qt::yellow));
    EXPECT_TRUE(Near(image.pixel(200, 150), Qt::white));
  }

  ScratchGame game_;
  PictureView view_{game_.ImgDir(), nullptr};
};

TEST_F(PictureViewTest, IsBlackBeforeTheFirstPicture) { EXPECT_TRUE(AllBlack()); }

TEST_F(PictureViewTest, StretchesASmallPictureOverTheWholeArea) {
  view_.ShowPicture("quarters");
  ExpectQuarteredPicture();
  // 100 by 50 into 400 by 300: the white centre block (20 by 10) becomes 80 by 60.
  const QImage image = Painted();
  EXPECT_TRUE(Near(image.pixel(165, 125), Qt::white));
  EXPECT_TRUE(Near(image.pixel(234, 174), Qt::white));
  EXPECT_TRUE(Near(image.pixel(150, 110), Qt::red));
  EXPECT_TRUE(Near(image.pixel(250, 190), Qt::yellow));
}

TEST_F(PictureViewTest, AFailedLoadLeavesItBlackAndAnEmptyNameBringsBackTheHeldPicture) {
  view_.ShowPicture("quarters");
  view_.ShowPicture("missing");
  EXPECT_TRUE(AllBlack());
  view_.ShowPicture("");
  ExpectQuarteredPicture();
}

TEST_F(PictureViewTest, ScreenReadersSeeAGraphicNamedAfterThePictureItShows) {
  InstallAccessibility();
  QAccessibleInterface* pic = QAccessible::queryAccessibleInterface(&view_);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->role(), QAccessible::Graphic);
  EXPECT_EQ(pic->text(QAccessible::Name), QString());
  std::filesystem::create_directory(game_.ImgDir() / "bg");
  game_.WritePicture("bg/quarters", QuarteredPicture(QSize(100, 50)));
  view_.ShowPicture("bg\\quarters");
  EXPECT_EQ(pic->text(QAccessible::Name), QStringLiteral("quarters"));
  view_.ShowPicture("missing");
  EXPECT_EQ(pic->text(QAccessible::Name), QString());
  view_.ShowPicture("");
  EXPECT_EQ(pic->text(QAccessible::Name), QStringLiteral("quarters"));
}

TEST_F(PictureViewTest, AFileThatIsNoPictureLeavesItBlack) {
  std::ofstream(game_.ImgDir() / "broken.jpg", std::ios::binary) << "\xFF\xD8\xFF garbage";
  view_.ShowPicture("quarters");
  view_.ShowPicture("broken");
  EXPECT_TRUE(AllBlack());
}

TEST_F(PictureViewTest, AnEmptyNameBeforeAnyPictureStaysBlack) {
  view_.ShowPicture("");
  EXPECT_TRUE(AllBlack());
}

TEST_F(PictureViewTest, APictureMuchLargerThanTheAreaIsDecodedSmallerAndStillFillsIt) {
  game_.WritePicture("large", QuarteredPicture(QSize(4000, 2000)));
  view_.ShowPicture("large");
  EXPECT_EQ(view_.Holder().PixelSize(), QSize(4000, 2000));
  EXPECT_LE(view_.Holder().Image().width(), 4000 / 2);
  EXPECT_GE(view_.Holder().Image().width(), 400);
  EXPECT_GE(view_.Holder().Image().height(), 300);
  ExpectQuarteredPicture();
}

TEST_F(PictureViewTest, TheLastPictureShowsAfterTheAreaIsResized) {
  view_.ShowPicture("quarters");
  Painted();
  view_.resize(200, 100);
  const QImage image = Painted();
  ASSERT_EQ(image.size(), QSize(200, 100));
  EXPECT_TRUE(Near(image.pixel(2, 2), Qt::red));
  EXPECT_TRUE(Near(image.pixel(197, 97), Qt::yellow));
}

}  // namespace
}  // namespace tavrin
