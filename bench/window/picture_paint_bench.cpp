// SPDX-License-Identifier: MIT
// A picture line from the scenario to the screen: PictureView::ShowPicture (the file read
// and decoded, at a reduced scale when it is much larger than the area) and the repaint
// that stretches it over a picture area of a 1080-pixel screen's layout; the picture shown
// for the first time, announced by the line before it, or again. Runs on Qt's offscreen
// platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "picture/picture_file.h"
#include "picture/picture_holder.h"
#include "ui/picture_view.h"

namespace {

std::filesystem::path g_img_dir;

// Flat colours decode much faster than a photograph; gradients, shapes and grain keep the
// decoder as busy as a real picture does.
void WritePicture(const std::string& name, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor(40, 60, 140));
  sky.setColorAt(1, QColor(250, 170, 90));
  painter.fillRect(image.rect(), sky);
  QRandomGenerator random(7);
  for (int i = 0; i < 400; ++i) {
    painter.setBrush(QColor::fromRgb(random.generate() | 0xFF000000u));
    painter.setPen(Qt::NoPen);
    const int w = random.bounded(size.width() / 4) + 8;
    const int h = random.bounded(size.height() / 4) + 8;
    painter.drawEllipse(random.bounded(size.width()), random.bounded(size.height()), w, h);
  }
  painter.end();
  for (int y = 0; y < size.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int grain = static_cast<int>(random.bounded(24)) - 12;
      const QRgb p = row[x];
      row[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                    std::clamp(qBlue(p) + grain, 0, 255));
    }
  }
  const std::filesystem::path file = g_img_dir / (name + ".jpg");
  image.save(QString::fromStdString(file.string()), "JPEG", 90);
  // Written long ago, as a game's pictures are: a file written just now is never kept.
  std::filesystem::last_write_time(
      file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
}

// How a picture line finds its file: shown for the first time (two files of the same
// picture in turn, so neither is ever the one decoded last), announced by the line before it
// a pacing tick (100 ms) earlier, or shown again unchanged.
enum class Arrival { First, Announced, Again };

void BM_PictureLineToScreen(benchmark::State& state, const std::string& name, Arrival arrival) {
  tavrin::PictureView view(g_img_dir, nullptr);
  view.resize(600, 600);  // Pic on a 1080-pixel screen
  view.show();
  QApplication::processEvents();
  int line = 0;
  for (auto _ : state) {
    const std::string shown = arrival == Arrival::Again ? name : name + (++line % 2 ? "" : "_b");
    if (arrival == Arrival::Announced) {
      state.PauseTiming();
      view.PictureComing(shown);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      state.ResumeTiming();
    }
    view.ShowPicture(shown);
    view.repaint();  // paints now: the stretch and the copy to the backing store
  }
  state.counters["decoded_width"] = view.Holder().Image().width();
}

// The decoding alone, to see how much of a picture line the decoder takes.
void BM_DecodeOnly(benchmark::State& state, const std::string& name) {
  const std::filesystem::path file = g_img_dir / (name + ".jpg");
  for (auto _ : state) benchmark::DoNotOptimize(tavrin::ReadPictureFile(file, QSize(600, 600)));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  g_img_dir = std::filesystem::temp_directory_path() /
              ("tavrin-picture-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(g_img_dir);
  for (const char* copy : {"", "_b"}) {
    WritePicture(std::string("full_hd") + copy, QSize(1920, 1080));
    WritePicture(std::string("camera") + copy, QSize(6000, 4000));
  }

  for (const auto& [size, name] : {std::pair{"1920x1080", "full_hd"}, {"6000x4000", "camera"}}) {
    for (const auto& [how, arrival] : {std::pair{"first", Arrival::First},
                                       {"announced", Arrival::Announced},
                                       {"again", Arrival::Again}}) {
      auto* bench =
          benchmark::RegisterBenchmark(("PictureLine/" + std::string(size) + "/" + how).c_str(),
                                       BM_PictureLineToScreen, std::string(name), arrival)
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
      // Announced lines are timed only after their wait: counted, not run for a time.
      if (arrival == Arrival::Announced) bench->Iterations(20);
    }
  }
  benchmark::RegisterBenchmark("DecodeOnly/1920x1080", BM_DecodeOnly, std::string("full_hd"))
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("DecodeOnly/6000x4000", BM_DecodeOnly, std::string("camera"))
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(g_img_dir);
  return 0;
}
