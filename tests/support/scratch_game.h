// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "support/script_bytes.h"
#include "support/temp_folder.h"

namespace tavrin::test_support {

/// A game folder of a test's own, with its picture folder, removed again when the test ends.
class ScratchGame {
 public:
  ScratchGame() { std::filesystem::create_directories(ImgDir()); }

  const std::filesystem::path& Dir() const { return folder_.Path(); }
  std::filesystem::path ImgDir() const { return folder_ / "img"; }

  /// Writes dat.dat in code page 932 from UTF-8 lines, each ended by CR LF.
  void WriteScript(const std::vector<std::string>& lines) const {
    folder_.Write("dat.dat", test_support::ScriptBytes(lines));
  }

  /// Saves `image` as img/`name`.jpg at a quality that keeps flat colours flat.
  void WritePicture(const std::string& name, const QImage& image) const {
    const std::filesystem::path file = ImgDir() / (name + ".jpg");
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "JPEG", 100));
  }

 private:
  test_support::TempFolder folder_{"ui"};
};

/// A picture of `size` in four coloured quarters (red, green / blue, yellow) with a white
/// block at its centre a fifth of its width and height, so corners and centre are known.
inline QImage QuarteredPicture(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  const int w = size.width();
  const int h = size.height();
  QPainter painter(&image);
  painter.fillRect(0, 0, w / 2, h / 2, Qt::red);
  painter.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
  painter.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
  painter.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::yellow);
  painter.fillRect(w * 2 / 5, h * 2 / 5, w / 5, h / 5, Qt::white);
  return image;
}

/// Whether `actual` is `expected` give or take JPEG's rounding.
inline ::testing::AssertionResult Near(QRgb actual, QColor expected, int tolerance = 48) {
  const int dr = std::abs(qRed(actual) - expected.red());
  const int dg = std::abs(qGreen(actual) - expected.green());
  const int db = std::abs(qBlue(actual) - expected.blue());
  if (dr <= tolerance && dg <= tolerance && db <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "rgb(" << qRed(actual) << ", " << qGreen(actual) << ", " << qBlue(actual)
         << ") is not near " << expected.name().toStdString();
}

}  // namespace tavrin::test_support
