// SPDX-License-Identifier: MIT
// `tavrin --watch` on Qt's offscreen platform: from a save of dat.dat (written aside and
// renamed into place, as editors save) to the window painted at the same line again, its
// text the new one, on a game of 10,000 lines; and on to the check's findings written.
// The save is seen through inotify and waited on for the watcher's quiet time, as in play.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/warp/warp_search.h"
#include "app/watch/watch_session.h"
#include "bench_scenarios.h"
#include "check_scenarios.h"
#include "ui/main_window.h"
#include "ui/message_label.h"

namespace {

namespace fs = std::filesystem;

// The line read again: halfway through the game, the last line of a block's first page,
// where the page waits for the reader (the game's blocks are 24 lines long).
constexpr uint64_t kLine = 24 * 208 + 5;

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);  // keeps the CR
  return lines;
}

// Saves `lines` as an editor does: the new file written beside, then renamed over dat.dat.
void Save(const fs::path& game, const std::vector<std::string>& lines) {
  std::ofstream out(game / "dat.new", std::ios::binary);
  for (const std::string& line : lines) out << line << '\n';
}

// Runs the event loop until `done`, for at most 5 s; false when that ran out.
template <typename Done>
bool Until(Done done) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > 5000) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

void BM_SaveToTheSameLineShown(benchmark::State& state) {
  tavrin::bench::GameFolder game;
  tavrin::bench::WriteCleanGame(game.path(), static_cast<uint64_t>(state.range(0)));
  std::vector<std::string> lines = ReadLines(game.path() / "dat.dat");
  const std::string original = lines[kLine - 1];

  tavrin::MainWindow window(tavrin::GameFolder::OnDisk(game.path()), nullptr);
  tavrin::Warp start = tavrin::FindWarpAtOrBefore(tavrin::GameFolder::OnDisk(game.path()), kLine);
  if (!start.reached || start.line != kLine || start.start.state.prompt != tavrin::kPagePrompt) {
    state.SkipWithError("the line is not reached, or its page does not wait there");
    return;
  }
  window.StartAt(std::move(start.start));
  std::ostringstream terminal;
  tavrin::WatchSession session(window, game.path(), terminal);
  // When the save was made, and how long after it the window was painted and checked.
  QElapsedTimer saved;
  qint64 shown_ns = -1;
  qint64 checked_ns = -1;
  QObject::connect(&session, &tavrin::WatchSession::Shown,
                   [&] { shown_ns = saved.nsecsElapsed(); });
  QObject::connect(&session, &tavrin::WatchSession::Checked,
                   [&] { checked_ns = saved.nsecsElapsed(); });
  window.show();
  const auto* lbl = window.findChild<tavrin::MessageLabel*>(QStringLiteral("Lbl"));
  if (!Until([&] { return window.Engine().CurrentLineNumber() == kLine; })) {
    state.SkipWithError("the window did not start at the line");
    return;
  }

  double checked_ms = 0;
  int saves = 0;
  for (auto _ : state) {
    const std::string marker = " " + std::to_string(++saves);
    lines[kLine - 1] = original.substr(0, original.size() - 1) + marker + "\r";
    Save(game.path(), lines);
    shown_ns = checked_ns = -1;
    saved.start();
    fs::rename(game.path() / "dat.new", game.path() / "dat.dat");
    const bool again = Until([&] { return checked_ns >= 0; });
    const tavrin::Player& player = window.Engine();
    if (!again || shown_ns < 0 || player.CurrentLineNumber() != kLine ||
        player.MessageText().find(marker) == std::string::npos ||
        lbl->Views().Layout().Text() != player.MessageText()) {
      state.SkipWithError(("the window did not show the line again: " + terminal.str()).c_str());
      break;
    }
    state.SetIterationTime(static_cast<double>(shown_ns) / 1e9);
    checked_ms += static_cast<double>(checked_ns) / 1e6;
  }
  state.counters["then_checked_ms"] = benchmark::Counter(checked_ms / std::max(saves, 1));
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_SaveToTheSameLineShown)->Arg(10'000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
