// SPDX-License-Identifier: MIT
// How fast the scenario engine gets through long scenarios: pages of text, runs of lines
// that show nothing, the search after a choice and the skip of a label line. Each
// scenario is a real dat.dat in a game folder of its own, played by the Player with a
// presentation that shows nothing; the file is read from the page cache after the first
// iteration. Rates are per second of CPU time (user and system) of the process, which
// other work on the machine disturbs less than the wall clock; both times are printed.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "bench_scenarios.h"
#include "game_files/cp932.h"
#include "scenario/script_file.h"

namespace tavrin::bench {
namespace {

constexpr int64_t kMillionLines = 1'000'000;

struct Generated {
  GameFolder folder;
  ScriptStats stats;
};

// Each scenario is written once per process and kept for all the benchmarks that use it.
const Generated& Scenario(Shape shape, uint64_t lines) {
  static std::map<std::pair<Shape, uint64_t>, std::unique_ptr<Generated>> cache;
  std::unique_ptr<Generated>& entry = cache[{shape, lines}];
  if (!entry) {
    entry = std::make_unique<Generated>();
    entry->stats = entry->folder.WriteScenario(shape, lines);
  }
  return *entry;
}

void SetCounters(benchmark::State& state, const ScriptStats& stats) {
  using benchmark::Counter;
  state.counters["lines_per_second"] = Counter(static_cast<double>(stats.lines),
                                               Counter::kIsIterationInvariantRate);
  if (stats.text_lines > 1000) {
    state.counters["text_lines_per_second"] = Counter(static_cast<double>(stats.text_lines),
                                                      Counter::kIsIterationInvariantRate);
  }
  state.counters["lines"] = static_cast<double>(stats.lines);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stats.bytes));
}

// Plays the whole scenario: open, then ticks and clicks (and a choice) until it ends.
void BM_Play(benchmark::State& state, Shape shape) {
  const Generated& scenario = Scenario(shape, static_cast<uint64_t>(state.range(0)));
  const uint64_t max_events = 2 * scenario.stats.lines + 100;
  for (auto _ : state) {
    const PlayResult result = PlayToEnd(scenario.folder.path(), max_events);
    if (!result.ended || !result.alerts.empty() || result.score != scenario.stats.score) {
      state.SkipWithError(("the scenario did not play as written: ended=" +
                           std::to_string(result.ended) + " score=" +
                           std::to_string(result.score) + " alerts=" + result.alerts)
                              .c_str());
      break;
    }
    benchmark::DoNotOptimize(result.events);
  }
  SetCounters(state, scenario.stats);
}

// The reader alone, for comparison: every line of the same file, decoded, and nothing else.
void BM_ReadLines(benchmark::State& state, Shape shape) {
  const Generated& scenario = Scenario(shape, static_cast<uint64_t>(state.range(0)));
  for (auto _ : state) {
    ScriptFile file;
    if (!file.Open(scenario.folder.path() / "dat.dat")) {
      state.SkipWithError("cannot open the scenario");
      break;
    }
    uint64_t lines = 0;
    while (std::optional<std::string> line = file.ReadLine()) {
      benchmark::DoNotOptimize(line->data());
      ++lines;
    }
    if (lines != scenario.stats.lines) {
      state.SkipWithError("the reader found a different number of lines");
      break;
    }
  }
  SetCounters(state, scenario.stats);
}

// Decoding one typical line of Japanese text, and one ASCII directive.
void BM_DecodeLine(benchmark::State& state, std::string bytes) {
  for (auto _ : state) {
    std::string decoded = DecodeCp932(bytes);
    benchmark::DoNotOptimize(decoded.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// ある日の暮方の事である。一人の下人が、門の下で雨やみを待っていた。 and a line number.
const std::string kJapaneseLine =
    "\x82\xA0\x82\xE9\x93\xFA\x82\xCC\x95\xE9\x95\xFB\x82\xCC\x8E\x96\x82\xC5\x82\xA0\x82\xE9"
    "\x81\x42\x88\xEA\x90\x6C\x82\xCC\x89\xBA\x90\x6C\x82\xAA\x81\x41\x96\xE5\x82\xCC\x89\xBA"
    "\x82\xC5\x89\x4A\x82\xE2\x82\xDD\x82\xF0\x91\xD2\x82\xC1\x82\xC4\x82\xA2\x82\xBD\x81\x42"
    " 123456";

BENCHMARK_CAPTURE(BM_Play, text_pages, Shape::TextPages)
    ->Arg(kMillionLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Play, silent_run, Shape::SilentRun)
    ->Arg(kMillionLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Play, choice_search, Shape::ChoiceSearch)
    ->Arg(kMillionLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Play, label_skip, Shape::LabelSkip)
    ->Arg(kMillionLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadLines, text_pages, Shape::TextPages)
    ->Arg(kMillionLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadLines, silent_run, Shape::SilentRun)
    ->Arg(kMillionLines)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeLine, japanese, kJapaneseLine);
BENCHMARK_CAPTURE(BM_DecodeLine, ascii, std::string(">img gate"));

}  // namespace
}  // namespace tavrin::bench

BENCHMARK_MAIN();
