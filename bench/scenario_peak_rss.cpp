// SPDX-License-Identifier: MIT
// Peak memory of playing one long scenario, in a process of its own:
//
//   scenario_peak_rss SHAPE LINES
//
// SHAPE is text_pages, silent_run, choice_search or label_skip. The scenario is written
// first (streaming, through a fixed buffer), the peak is then restarted from the resident
// set of that moment, and the scenario is played to its end. Prints one line:
//   SHAPE LINES lines, FILE MB: peak RSS N KiB while playing (M KiB before; +D KiB), T s
// Run it with two lengths to see whether memory grows with the file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench_scenarios.h"

int main(int argc, char** argv) {
  using namespace tavrin::bench;
  Shape shape;
  if (argc != 3 || !ShapeFromName(argv[1], shape)) {
    std::fprintf(stderr,
                 "usage: %s text_pages|silent_run|choice_search|label_skip LINES\n", argv[0]);
    return 2;
  }
  const uint64_t lines = std::strtoull(argv[2], nullptr, 10);
  try {
    GameFolder game;
    const ScriptStats stats = game.WriteScenario(shape, lines);

    const bool reset = ResetPeakRss();
    const long before = CurrentRssKib();
    const auto start = std::chrono::steady_clock::now();
    const PlayResult result = PlayToEnd(game.path(), 2 * stats.lines + 100);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = PeakRssKib();

    if (!result.ended || !result.alerts.empty() || result.score != stats.score) {
      std::fprintf(stderr, "%s: the scenario did not play as written (score %d, alerts: %s)\n",
                   argv[1], result.score, result.alerts.c_str());
      return 1;
    }
    std::printf("%-13s %9llu lines, %6.1f MB: peak RSS %6ld KiB while playing (%ld KiB before; "
                "+%ld KiB)%s, %.2f s\n",
                argv[1], static_cast<unsigned long long>(stats.lines),
                static_cast<double>(stats.bytes) / 1e6, peak, before, peak - before,
                reset ? "" : " [peak not restarted: includes writing the file]", seconds);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
}
