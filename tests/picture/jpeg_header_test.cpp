// SPDX-License-Identifier: MIT
// What a JPEG declares of itself, read without decoding it, refuses the same files the
// picture area's decoder refuses for their header or their limits, with the same own size.
#include "picture/jpeg_header.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "picture/picture_file.h"
#include "support/file_bytes.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

TEST(JpegHeader, RefusesWhatTheDecoderRefusesAndGivesTheOwnSize) {
  for (const auto& entry : fs::directory_iterator(fs::path(TAVRIN_TESTDATA_DIR) / "jpeg")) {
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::optional<JpegHeader> header =
        ReadJpegHeader(test_support::ReadFileBytes(entry.path()));
    const std::optional<PictureFile> decoded = ReadPictureFile(entry.path(), QSize());
    EXPECT_EQ(header && JpegWithinLimits(*header), decoded.has_value());
    if (header && decoded) {
      EXPECT_EQ(header->width, decoded->own_size.width());
      EXPECT_EQ(header->height, decoded->own_size.height());
    }
  }
}

}  // namespace
}  // namespace tavrin
