// SPDX-License-Identifier: MIT
// Every JPEG from others' test suites through the real picture holder: it shows at its own
// pixel size, or the area turns black and the picture held before is kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "picture/picture_holder.h"

namespace tavrin {
namespace {

struct Expected {
  const char* name;
  std::optional<QSize> size;  // none: the file must leave the area black
  bool either = false;        // damaged but decodable: showing or black are both fine
};

// Sizes and verdicts as the files' own documentation gives them (decoded by libjpeg's
// djpeg: status 0 shows, 1 fails, 2 decodes with a warning).
const Expected kFiles[] = {
    {"testorig", QSize(227, 149)},
    {"testimgari", QSize(227, 149)},
    {"monkey12", std::nullopt},
    {"jpg-progressive", QSize(32, 32)},
    {"hopper_gray", QSize(128, 128)},
    {"jpg-cmyk-1", QSize(32, 32)},
    {"pil_sample_cmyk", QSize(100, 100)},
    {"restarts", QSize(33, 33)},
    {"multiple-0xff-before-eoi", QSize(640, 480)},
    {"hopper_orientation_6", QSize(128, 128)},  // shown as stored, never rotated
    {"jpg-size-1x1", QSize(1, 1)},
    {"blank_800x280", QSize(800, 280)},
    {"max_size", std::nullopt},
    {"null_height", std::nullopt},
    {"extraneous-data", QSize(16, 16), true},
    {"truncated_jpeg", QSize(100, 100), true},
    {"derive-huffman-codes-overflow", std::nullopt},
    {"missing-sos", std::nullopt},
    {"missing-sof", std::nullopt},
    {"empty", std::nullopt},
};

TEST(PictureHolderRealFiles, EachPictureShowsAtItsOwnSizeOrLeavesTheAreaBlack) {
  const std::filesystem::path img_dir = std::filesystem::path(TAVRIN_TESTDATA_DIR) / "jpeg";
  ASSERT_EQ(std::size(kFiles), 20u);
  for (const QSize target : {QSize(), QSize(64, 64)}) {  // full size, and decoded smaller
    for (const Expected& file : kFiles) {
      SCOPED_TRACE(std::string(file.name) + (target.isValid() ? " into 64x64" : ""));
      PictureHolder holder(img_dir);
      holder.SetTargetSize(target);
      ASSERT_TRUE(holder.ShowPicture("hopper_gray"));  // a picture held beforehand
      const bool shown = holder.ShowPicture(file.name);
      EXPECT_EQ(holder.Showing(), shown);
      if (file.either && !shown) continue;
      if (!file.size) {
        EXPECT_FALSE(shown);
        EXPECT_EQ(holder.PixelSize(), QSize(128, 128)) << "the held picture stays";
        EXPECT_EQ(holder.File().Name(), "hopper_gray.jpg");
        EXPECT_TRUE(holder.ShowPicture("")) << "an empty name brings it back";
        continue;
      }
      ASSERT_TRUE(shown);
      EXPECT_EQ(holder.PixelSize(), *file.size);
      EXPECT_EQ(holder.File().Name(), std::string(file.name) + ".jpg");
      EXPECT_FALSE(holder.Image().isNull());
    }
  }
}

}  // namespace
}  // namespace tavrin
