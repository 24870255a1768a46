// SPDX-License-Identifier: MIT
// Benchmarks of `tavrin --check` on generated games: a long game that checks clean
// (lines per second of CPU time: the machines are shared), and questions in a row (2^40
// paths, merged as they meet).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <sstream>

#include "app/check/check_front_end.h"
#include "bench_scenarios.h"
#include "check_scenarios.h"

namespace {

using tavrin::bench::GameFolder;

// Checks `game`; the output must be the clean summary that `expected` starts.
void Check(benchmark::State& state, const GameFolder& game, const std::string& expected) {
  std::ostringstream out;
  std::ostringstream errors;
  const int status = tavrin::RunCheck(tavrin::GameFolder::OnDisk(game.path()), {}, out, errors);
  if (status != 0 || out.str().rfind(expected, 0) != 0) {
    state.SkipWithError(("the check did not find the game clean: " + out.str()).c_str());
  }
}

void BM_CheckLongGame(benchmark::State& state) {
  GameFolder game;
  const uint64_t lines = tavrin::bench::WriteCleanGame(game.path(), state.range(0));
  for (auto _ : state) Check(state, game, "dat.dat: 0 errors, 0 warnings, 0 notes;");
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CheckLongGame)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_CheckQuestionsInARow(benchmark::State& state) {
  GameFolder game;
  tavrin::bench::WriteQuestionsInARow(game.path(), static_cast<int>(state.range(0)));
  // 2^40 paths: every one of them counted.
  for (auto _ : state) Check(state, game, "dat.dat: 0 errors, 0 warnings, 0 notes;");
  state.counters["questions"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_CheckQuestionsInARow)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
