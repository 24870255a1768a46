// SPDX-License-Identifier: MIT
// Pictures decoded ahead of their line, or kept from the last time their file was shown,
// are what the file holds when the line comes: a file changed in any way since (even to
// the same size and modification time) is read again, and one written just before is never
// kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/picture_holder.h"
#include "support/temp_folder.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;

// Every picture file of these tests has this many bytes, whatever its colour.
constexpr qsizetype kFileBytes = 4096;

// A JPEG of one colour, padded with a comment to kFileBytes.
QByteArray SameSizeJpeg(QColor colour) {
  QImage image(QSize(64, 48), QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 100);
  const qsizetype comment = kFileBytes - bytes.size();  // its marker and length included
  EXPECT_GE(comment, 4);
  QByteArray segment(comment, ' ');
  segment[0] = '\xFF';
  segment[1] = '\xFE';
  segment[2] = static_cast<char>((comment - 2) >> 8);
  segment[3] = static_cast<char>((comment - 2) & 0xFF);
  return bytes.insert(2, segment);  // right after the start-of-image marker
}

bool Near(QRgb actual, QColor expected) {
  return std::abs(qRed(actual) - expected.red()) < 48 &&
         std::abs(qGreen(actual) - expected.green()) < 48 &&
         std::abs(qBlue(actual) - expected.blue()) < 48;
}

// When the file at `path` last changed, in nanoseconds.
int64_t ChangedNs(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0);
  return int64_t{status.st_ctim.tv_sec} * 1'000'000'000 + status.st_ctim.tv_nsec;
}

struct Step {
  enum Action {
    Write,               // same size, in place; modified now
    WriteKeepingTime,    // same size, in place, its modification time put back
    ReplaceKeepingTime,  // a new file of the same size renamed over it, with the old time
    Age,                 // its modification time an hour back, as a game's files are
    Break,
    Remove,
    MakeFifo,
    Coming,
    Show,
  } action;
  const char* name;
  QColor colour = {};  // written, or expected (invalid: the area black)
  bool kept = false;   // shown: the picture decoded before is the one shown again
};

using Steps = std::vector<Step>;

TEST(PictureHolderKept, ShowsTheFileAsItIsWhenItsLineComes) {
  const QColor black;
  const Steps cases[] = {
      // Kept while the file is unchanged.
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::Show, "a", Qt::red, true},
       {Step::Show, "", Qt::red, true},
       {Step::Show, "a", Qt::red, true}},
      // Changed to the same size: in place at a new time, in place with its time put back,
      // or replaced by another file with its time.
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::Write, "a", Qt::blue},
       {Step::Show, "a", Qt::blue}},
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::WriteKeepingTime, "a", Qt::blue},
       {Step::Show, "a", Qt::blue},
       {Step::Show, "a", Qt::blue, true}},
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::ReplaceKeepingTime, "a", Qt::green},
       {Step::Show, "a", Qt::green},
       {Step::Show, "a", Qt::green, true}},
      // Written just before: read again each time, until it has settled.
      {{Step::Write, "a", Qt::red},
       {Step::Show, "a", Qt::red},
       {Step::Show, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::Show, "a", Qt::red, true}},
      // Broken, removed or made a named pipe since it was kept.
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::Break, "a"},
       {Step::Show, "a", black},
       {Step::Show, "", Qt::red, true}},
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::Remove, "a"},
       {Step::Show, "a", black}},
      {{Step::Write, "a", Qt::red},
       {Step::Age, "a"},
       {Step::Show, "a", Qt::red},
       {Step::MakeFifo, "a"},
       {Step::Show, "a", black}},
      // Decoded ahead: taken when unchanged, read again when changed meanwhile.
      {{Step::Write, "b", Qt::green},
       {Step::Age, "b"},
       {Step::Coming, "b"},
       {Step::Show, "b", Qt::green},
       {Step::Show, "b", Qt::green, true}},
      {{Step::Write, "b", Qt::green},
       {Step::Age, "b"},
       {Step::Coming, "b"},
       {Step::WriteKeepingTime, "b", Qt::yellow},
       {Step::Show, "b", Qt::yellow}},
      {{Step::Write, "b", Qt::green},
       {Step::Age, "b"},
       {Step::Coming, "b"},
       {Step::ReplaceKeepingTime, "b", Qt::blue},
       {Step::Show, "b", Qt::blue}},
      {{Step::Write, "x", Qt::red},
       {Step::Age, "x"},
       {Step::Show, "x", Qt::red},
       {Step::Write, "c", Qt::green},
       {Step::Age, "c"},
       {Step::Coming, "c"},
       {Step::Break, "c"},
       {Step::Show, "c", black},
       {Step::Show, "", Qt::red, true}},
      {{Step::Write, "c", Qt::red},
       {Step::Age, "c"},
       {Step::Coming, "c"},
       {Step::Remove, "c"},
       {Step::Show, "c", black}},
      {{Step::Coming, "d"}, {Step::Write, "d", Qt::cyan}, {Step::Show, "d", Qt::cyan}},
      // Decoded ahead for another line than the one that comes.
      {{Step::Write, "d", Qt::red},
       {Step::Write, "e", Qt::blue},
       {Step::Age, "d"},
       {Step::Age, "e"},
       {Step::Coming, "d"},
       {Step::Show, "e", Qt::blue},
       {Step::Show, "d", Qt::red}},
  };
  for (std::size_t c = 0; c < std::size(cases); ++c) {
    test_support::TempFolder folder("picture-kept");
    PictureHolder holder(folder.Path());
    holder.SetTargetSize(QSize(32, 24));
    qint64 shown_before = 0;
    for (std::size_t i = 0; i < cases[c].size(); ++i) {
      const Step& step = cases[c][i];
      SCOPED_TRACE("case " + std::to_string(c) + ", step " + std::to_string(i));
      const fs::path file = folder / (std::string(step.name) + ".jpg");
      const QByteArray jpeg = step.colour.isValid() ? SameSizeJpeg(step.colour) : QByteArray();
      const auto write = [&](const fs::path& to) {
        folder.Write(to.filename(), std::string_view(jpeg.constData(), jpeg.size()));
      };
      switch (step.action) {
        case Step::Write:
          write(file);
          break;
        case Step::WriteKeepingTime: {
          // Until the file system's clock has moved on since the file last changed: a
          // change within one step of it leaves the file as it was in every way but its
          // bytes.
          const fs::file_time_type before = fs::last_write_time(file);
          const int64_t changed = ChangedNs(file);
          do {
            write(file);
            fs::last_write_time(file, before);
          } while (ChangedNs(file) == changed);
          break;
        }
        case Step::ReplaceKeepingTime: {
          const fs::file_time_type before = fs::last_write_time(file);
          const fs::path other = folder / "replacement";
          write(other);
          fs::last_write_time(other, before);
          fs::rename(other, file);
          break;
        }
        case Step::Age:
          fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
          break;
        case Step::Break:
          folder.Write(file.filename(), "\xFF\xD8\xFF not a picture");
          break;
        case Step::Remove:
          fs::remove(file);
          break;
        case Step::MakeFifo:
          fs::remove(file);
          ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
          break;
        case Step::Coming:
          holder.PictureComing(step.name);
          break;
        case Step::Show: {
          const bool shown = holder.ShowPicture(step.name);
          ASSERT_EQ(shown, step.colour.isValid());
          if (!shown) break;
          const QImage& image = holder.Image();
          EXPECT_EQ(holder.PixelSize(), QSize(64, 48));
          EXPECT_TRUE(Near(image.pixel(image.width() / 2, image.height() / 2), step.colour));
          EXPECT_EQ(image.cacheKey() == shown_before, step.kept);
          shown_before = image.cacheKey();
          break;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tavrin
