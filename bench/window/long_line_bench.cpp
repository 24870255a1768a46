// SPDX-License-Identifier: MIT
// One very long line on a page: what each view costs the reader. The message window of a
// 1080-pixel screen's layout (600 by 240 pixels, 16 points) shows a page whose line has no
// break opportunity at all; the page arrives as the window receives it (UTF-8 from the
// engine), and each view is broken into rows and painted.
//   FirstView: the page arrives and its first view is painted.
//   NextView:  the reader goes on to the next view, which is painted.
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <string>

#include "ui/message_label.h"

namespace {

std::string LongPage(int64_t characters) {
  return "\r\n" + std::string(static_cast<size_t>(characters), 'a') + "\u25BC";
}

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK JP")});
  font.setPointSize(16);
  return font;
}

void BM_FirstView(benchmark::State& state) {
  const std::string page = LongPage(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    tavrin::MessageLabel label(nullptr);
    label.resize(600, 240);
    label.SetLayoutFont(WindowFont());
    label.show();
    QApplication::processEvents();
    state.ResumeTiming();
    label.SetPage(page);
    label.repaint();
  }
}

void BM_NextView(benchmark::State& state) {
  const std::string page = LongPage(state.range(0));
  tavrin::MessageLabel label(nullptr);
  label.resize(600, 240);
  label.SetLayoutFont(WindowFont());
  label.show();
  label.SetPage(page);
  label.repaint();
  int64_t pages = 1;
  for (auto _ : state) {
    if (!label.Views().Continue()) {  // read to its end: the same page again
      state.PauseTiming();
      label.SetPage(std::string());
      label.SetPage(page);
      ++pages;
      state.ResumeTiming();
      continue;
    }
    label.repaint();
  }
  state.counters["pages"] = static_cast<double>(pages);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  for (const int64_t characters : {200'000LL, 1'000'000LL, 16LL << 20}) {
    benchmark::RegisterBenchmark("LongLine/FirstView", BM_FirstView)
        ->Arg(characters)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
    benchmark::RegisterBenchmark("LongLine/NextView", BM_NextView)
        ->Arg(characters)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
