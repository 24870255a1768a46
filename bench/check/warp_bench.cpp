// SPDX-License-Identifier: MIT
// `--warp` to the last line of a long game: every path explored up to it, and the way with
// the fewest choices (one at each of its questions) played again to take the state there.
#include <benchmark/benchmark.h>

#include "app/warp/warp_search.h"
#include "bench_scenarios.h"
#include "check_scenarios.h"

namespace {

void BM_WarpToTheLastLine(benchmark::State& state) {
  tavrin::bench::GameFolder game;
  const uint64_t lines = tavrin::bench::WriteCleanGame(game.path(), state.range(0));
  tavrin::WarpTarget target;
  target.line = lines;
  size_t choices = 0;
  for (auto _ : state) {
    const tavrin::Warp warp = tavrin::FindWarp(tavrin::GameFolder::OnDisk(game.path()), target);
    if (!warp.reached || warp.line != lines) {
      state.SkipWithError("the last line was not reached");
      break;
    }
    choices = warp.choices.size();
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["choices"] = static_cast<double>(choices);
}
BENCHMARK(BM_WarpToTheLastLine)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
