// SPDX-License-Identifier: MIT
// The window's timers at work, on Qt's offscreen platform:
//   - fast pacing: how many lines a second the 1 ms pacing timer shows, and how often the
//     message window repaints meanwhile (at most once a display frame, not once a line);
//   - a page waiting for a click: how often the music watchdog ticks: never with nothing to
//     watch, about every 10 ms while the music asks for it (around the piece's end), never
//     the design's 1 ms, which would wake the window a thousand times a second.
// Each iteration runs the event loop for half a second. A goal missed fails the benchmark.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <optional>
#include <fstream>
#include <string>

#include "ui/main_window.h"
#include "ui/message_label.h"
#include "ui/music_hooks.h"

namespace {

using tavrin::MainWindow;
using tavrin::MessageLabel;

constexpr int kRunMs = 500;

// A game folder of `lines` lines "line N" with no empty line, removed afterwards.
class Game {
 public:
  explicit Game(int lines)
      : dir_(std::filesystem::temp_directory_path() /
             ("tavrin-pacing-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_ / "img");
    std::ofstream script(dir_ / "dat.dat", std::ios::binary);
    for (int i = 1; i <= lines; ++i) script << "line " << i << "\r\n";
  }
  ~Game() { std::filesystem::remove_all(dir_); }
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

class CountingMusic : public tavrin::MusicHooks {
 public:
  void MidiOpen(const tavrin::GameFile&) override {}
  void SetBgmLoop(bool) override {}
  void MidiPlay() override {}
  void BgmTim_Timer() override { ++ticks; }
  std::optional<std::chrono::milliseconds> BgmTimDelay() override { return delay; }
  void MidiClose() override {}
  std::optional<std::chrono::milliseconds> delay;
  int ticks = 0;
};

struct PaintCounter : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// The number N of the last "line N" on the page.
int LastLine(const MainWindow& window) {
  const std::string& text = window.Engine().MessageText();
  const size_t at = text.rfind("line ");
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 5);
}

// Shows `window` and lets its first activation open the scenario.
bool Start(MainWindow& window) {
  window.show();
  return QTest::qWaitForWindowExposed(&window) &&
         QTest::qWaitFor([&window] { return window.Engine().ScriptOpen(); });
}

// Runs the event loop for kRunMs (a plain loop: QTest's waits sleep between rounds and
// would pace the timers) and returns the milliseconds that passed.
qint64 RunEventLoop() {
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer::singleShot(kRunMs, &loop, &QEventLoop::quit);
  loop.exec();
  return clock.elapsed();
}

void BM_FastPacing(benchmark::State& state) {
  Game game(200000);
  MainWindow window(tavrin::GameFolder::OnDisk(game.Dir()), nullptr);
  if (!Start(window)) return state.SkipWithError("the window did not start");
  auto* lbl = window.findChild<MessageLabel*>(QStringLiteral("Lbl"));
  PaintCounter paints;
  lbl->installEventFilter(&paints);
  QTest::mouseClick(lbl, Qt::RightButton, Qt::NoModifier, lbl->rect().center());
  const int frame_ms = window.findChild<tavrin::FramePacer*>()->FrameIntervalMs();

  qint64 total_ms = 0;
  int lines = 0, painted = 0;
  bool too_slow = false, too_many_paints = false;
  for (auto _ : state) {
    const int first = LastLine(window);
    paints.count = 0;
    const qint64 elapsed = RunEventLoop();
    const int steps = LastLine(window) - first;
    too_slow |= steps * 1000 < 300 * elapsed;
    too_many_paints |= paints.count > elapsed / frame_ms + 3;
    total_ms += elapsed;
    lines += steps;
    painted += paints.count;
    state.SetIterationTime(static_cast<double>(elapsed) / 1000);
  }
  const double seconds = static_cast<double>(total_ms) / 1000;
  state.counters["lines_per_second"] = lines / seconds;
  state.counters["paints_per_second"] = painted / seconds;
  state.counters["frames_per_second"] = 1000.0 / frame_ms;
  if (too_slow) state.SkipWithError("fewer than 300 lines a second at fast pacing");
  if (too_many_paints) state.SkipWithError("the message window painted more than once a frame");
}
BENCHMARK(BM_FastPacing)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

void BM_WatchdogWhileAPageWaits(benchmark::State& state, bool polled) {
  Game game(3);
  CountingMusic music;
  if (polled) music.delay = std::chrono::milliseconds(10);
  MainWindow window(tavrin::GameFolder::OnDisk(game.Dir()), &music);
  if (!Start(window)) return state.SkipWithError("the window did not start");
  qint64 total_ms = 0;
  int ticks = 0;
  bool off_rate = false;
  for (auto _ : state) {
    const int before = music.ticks;
    const qint64 elapsed = RunEventLoop();
    const int count = music.ticks - before;
    // About every 10 ms when asked; otherwise never.
    off_rate |= polled ? count < elapsed / 10 / 3 || count > elapsed / 10 * 3 / 2 + 2 : count > 0;
    total_ms += elapsed;
    ticks += count;
    state.SetIterationTime(static_cast<double>(elapsed) / 1000);
  }
  state.counters["ticks_per_second"] = ticks * 1000.0 / static_cast<double>(total_ms);
  if (off_rate) state.SkipWithError("the watchdog does not tick as the music asks");
}
BENCHMARK_CAPTURE(BM_WatchdogWhileAPageWaits, nothing_to_watch, false)
    ->UseManualTime()
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WatchdogWhileAPageWaits, polling_near_the_end, true)
    ->UseManualTime()
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
