// SPDX-License-Identifier: MIT
// fuzz_picture: any bytes as a game's picture, loaded by the picture holder the way a
// picture line loads it (PictureHolder::ShowPicture: the content decides the format, JPEG
// through libjpeg, the rest through Qt's QImageReader).
//
// The input: byte 0 picks the picture area's size (see kAreas: none, or one of a few sizes,
// so that both the whole and the scaled decoding run); the rest is the file img/fuzz.jpg.
//
// Before it, a small picture of a known size is loaded and held. Checked:
// - a picture that does not load leaves the area black and the held picture as it was
//   (the same image, pixel size and file), and an empty name shows that one again;
// - a picture that loads is held with a valid pixel size and its own file, and is decoded
//   at its own size reduced to at most the area's in each direction (with no area, a JPEG
//   at an eighth of its size, anything else whole).
#include <QCoreApplication>
#include <QImage>
#include <QSize>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "fuzz_qt_messages.h"
#include "fuzz_support.h"
#include "picture/picture_holder.h"

namespace tavrin {
namespace {

std::string SizeText(QSize size) {
  return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// The picture areas tried: none set, the demo's area, one smaller than most pictures, and
// a lopsided one.
const QSize kAreas[] = {QSize(), QSize(680, 640), QSize(16, 16), QSize(3, 200)};

// The picture held before each input: 5x3 pixels, written once at start-up as a PNG (the
// holder goes by the content, not the name).
constexpr QSize kHeldSize(5, 3);

const std::filesystem::path& ImgDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path img = fuzz::ProcessTempDir("fuzz_picture") / "img";
    std::filesystem::create_directories(img);
    QImage held(kHeldSize, QImage::Format_RGB32);
    held.fill(0x336699);
    TAVRIN_FUZZ_CHECK(held.save(QString::fromStdString((img / "held.jpg").string()), "PNG"),
                      "cannot write the held picture");
    return img;
  }();
  return dir;
}

}  // namespace
}  // namespace tavrin

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Image format plugins are found through the application object; no display is needed.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  tavrin::fuzz::KeepQtMessagesQuiet();
  static QCoreApplication* app = new QCoreApplication(*argc, *argv);
  (void)app;
  tavrin::ImgDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavrin;
  const std::span<const uint8_t> input(data, size);
  const QSize area = kAreas[input.empty() ? 0 : input[0] % std::size(kAreas)];
  const std::filesystem::path& img = ImgDir();
  fuzz::WriteFile(img / "fuzz.jpg", input.subspan(input.empty() ? 0 : 1));

  PictureHolder holder(img);
  holder.SetTargetSize(area);
  TAVRIN_FUZZ_CHECK(holder.ShowPicture("held"), "the held picture does not load");
  const QImage held = holder.Image();
  const QSize held_pixels = holder.PixelSize();
  const GameFile held_file = holder.File();
  TAVRIN_FUZZ_CHECK(held_pixels == kHeldSize, "held picture of " + SizeText(held_pixels));

  const bool shown = holder.ShowPicture("fuzz");
  TAVRIN_FUZZ_CHECK(shown == holder.Showing(), "ShowPicture and Showing disagree");
  if (!shown) {
    TAVRIN_FUZZ_CHECK(holder.Image().cacheKey() == held.cacheKey() &&
                          holder.PixelSize() == held_pixels && holder.File() == held_file,
                      "a picture that did not load replaced the held one");
    TAVRIN_FUZZ_CHECK(holder.ShowPicture("") && holder.Image().cacheKey() == held.cacheKey(),
                      "the held picture is not shown again after a failed load");
    return 0;
  }
  const QSize pixels = holder.PixelSize();
  TAVRIN_FUZZ_CHECK(!holder.Image().isNull() && pixels.isValid() && !pixels.isEmpty(),
                    "a loaded picture of " + SizeText(pixels));
  TAVRIN_FUZZ_CHECK(holder.File().DiskPath() == img / "fuzz.jpg",
                    "held file " + holder.File().DiskPath().string());
  const auto file = input.subspan(input.empty() ? 0 : 1);
  const bool jpeg = file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
  QSize expected = pixels;
  if (area.isValid() && !area.isEmpty()) {
    expected = QSize(std::min(pixels.width(), area.width()), std::min(pixels.height(), area.height()));
  } else if (jpeg) {
    expected = QSize((pixels.width() + 7) / 8, (pixels.height() + 7) / 8);
  }
  TAVRIN_FUZZ_CHECK(holder.Image().size() == expected,
                    "a " + SizeText(pixels) + " picture in a " + SizeText(area) +
                        " area decoded at " + SizeText(holder.Image().size()) + ", expected " +
                        SizeText(expected));
  return 0;
}
