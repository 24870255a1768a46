// SPDX-License-Identifier: MIT
// Peak memory of checking one long clean game, in a process of its own:
//
//   check_peak_rss LINES
//
// The game is written first (streaming), the peak is then restarted from the resident set
// of that moment, and the game is checked. Prints one line:
//   check LINES lines, FILE MB: peak RSS N KiB while checking (M KiB before; +D KiB), T s
// Run it with two lengths to see whether memory grows with the file.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>

#include "app/check/check_front_end.h"
#include "bench_scenarios.h"
#include "check_scenarios.h"

int main(int argc, char** argv) {
  using namespace tavrin::bench;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s LINES\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  try {
    GameFolder game;
    const uint64_t lines = WriteCleanGame(game.path(), std::strtoull(argv[1], nullptr, 10));
    const auto bytes = std::filesystem::file_size(game.path() / "dat.dat");

    const bool reset = ResetPeakRss();
    const long before = CurrentRssKib();
    const auto start = std::chrono::steady_clock::now();
    std::ostringstream out;
    std::ostringstream errors;
    const int status = tavrin::RunCheck(tavrin::GameFolder::OnDisk(game.path()), {}, out, errors);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = PeakRssKib();
    if (status != 0) {
      std::fprintf(stderr, "the game did not check clean:\n%s", out.str().c_str());
      return 1;
    }
    std::printf(
        "check %9llu lines, %6.1f MB: peak RSS %6ld KiB while checking (%ld KiB "
        "before; +%ld KiB)%s, %.2f s\n",
        static_cast<unsigned long long>(lines), static_cast<double>(bytes) / 1e6, peak, before,
        peak - before, reset ? "" : " [peak not restarted]", seconds);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "check_peak_rss: %s\n", e.what());
    return 1;
  }
}
