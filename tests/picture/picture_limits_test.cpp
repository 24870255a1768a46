// SPDX-License-Identifier: MIT
// Pictures that declare large sizes: whether one shows depends on the file alone, never on
// the area it is shown in, and its decoding takes no more than the area's size.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <filesystem>
#include <string_view>

#include "picture/jpeg_header.h"
#include "picture/picture_holder.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

// A small JPEG whose frame header is made to declare `declared`: only its first rows are
// coded, as in a file cut short or one made to ask for memory.
QByteArray JpegDeclaring(QSize declared, bool progressive) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(0x3366cc);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setProgressiveScanWrite(progressive);
  EXPECT_TRUE(writer.write(image));
  QByteArray bytes = buffer.data();
  const int frame = bytes.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0");
  EXPECT_GE(frame, 0);
  bytes[frame + 5] = static_cast<char>(declared.height() >> 8);
  bytes[frame + 6] = static_cast<char>(declared.height() & 0xFF);
  bytes[frame + 7] = static_cast<char>(declared.width() >> 8);
  bytes[frame + 8] = static_cast<char>(declared.width() & 0xFF);
  return bytes;
}

struct Case {
  QSize declared;
  bool progressive;
  bool shows;
};

const Case kCases[] = {
    {{599, 65500}, false, true},     // over Qt's own limit whole, narrower than the area
    {{8000, 6000}, false, true},     // an ordinary photograph's size
    {{8000, 6000}, true, true},      // progressive: held whole as coefficients, 144 MB
    {{30000, 30000}, true, false},   // progressive: would take 1.7 GB before any row
    {{20000, 20000}, false, false},  // more pixels than any picture is allowed
};

TEST(PictureLimits, WhetherAPictureShowsDependsOnTheFileAloneAndItsDecodingOnTheArea) {
  const test_support::TempFolder folder("limits");
  const std::filesystem::path& dir = folder.Path();
  for (const Case& c : kCases) {
    const QByteArray bytes = JpegDeclaring(c.declared, c.progressive);
    folder.Write("p.jpg", std::string_view(bytes.constData(), bytes.size()));
    for (const QSize area : {QSize(), QSize(680, 640), QSize(3, 200)}) {
      SCOPED_TRACE(std::to_string(c.declared.width()) + "x" + std::to_string(c.declared.height()) +
                   (c.progressive ? " progressive" : "") + " in " + std::to_string(area.width()) +
                   "x" + std::to_string(area.height()));
      PictureHolder holder(dir);
      holder.SetTargetSize(area);
      ASSERT_EQ(holder.ShowPicture("p"), c.shows);
      if (!c.shows) continue;
      EXPECT_EQ(holder.PixelSize(), c.declared) << "its own size, as the file declares it";
      const QSize decoded =
          area.isValid() ? c.declared.boundedTo(area)
                         : QSize((c.declared.width() + 7) / 8, (c.declared.height() + 7) / 8);
      EXPECT_EQ(holder.Image().size(), decoded);
    }
  }
}

TEST(PictureLimits, TheHeaderAloneTellsWhetherAPictureShows) {
  for (const Case& c : kCases) {
    const QByteArray bytes = JpegDeclaring(c.declared, c.progressive);
    const std::optional<JpegHeader> header =
        ReadJpegHeader(std::string_view(bytes.constData(), bytes.size()));
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(JpegWithinLimits(*header), c.shows)
        << c.declared.width() << "x" << c.declared.height();
  }
}

}  // namespace
}  // namespace tavrin
