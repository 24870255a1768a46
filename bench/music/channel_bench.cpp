// SPDX-License-Identifier: MIT
// The FluidSynth channel's costs that a reader would notice, against the system's General
// MIDI soundfont (148 MB):
//   - closing a piece while its soundfont still loads (the window closed at once), beside
//     the time the load itself takes: closing must not wait for it;
//   - destroying the channel while it loads or while it plays;
//   - the resident memory of this process after a busy piece has played 20 s: only the
//     instruments it plays may come out of the soundfont (the whole program has 60 MB).
// A goal missed fails the benchmark (`make bench` reports it).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "audio/fluidsynth_channel.h"
#include "audio/fluidsynth_engine.h"

namespace {

using namespace std::chrono_literals;
using tavrin::AudioOutput;
using tavrin::ChannelError;
using tavrin::FluidSynthChannel;
using Clock = std::chrono::steady_clock;

const std::string kMidiDir = std::string(TAVRIN_TESTDATA_DIR) + "/midi/";

std::string SystemSoundfont() {
  for (const std::string& path : tavrin::FluidSynthEngine::DefaultSoundfonts()) {
    if (std::filesystem::exists(path)) return path;
  }
  return "";
}

std::string Open(const std::string& file) { return "open \"" + kMidiDir + file + "\" alias MIDI"; }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Opens and plays `file`; false when the channel refused.
bool OpenAndPlay(FluidSynthChannel& channel, const std::string& file) {
  return channel.Send(Open(file), nullptr, 0) == ChannelError::None &&
         channel.Send("play MIDI notify", nullptr, 0) == ChannelError::None;
}

void BM_CloseWhileTheSoundfontLoads(benchmark::State& state) {
  const std::string soundfont = SystemSoundfont();
  if (soundfont.empty()) return state.SkipWithError("no General MIDI soundfont installed");
  double load = 0, slowest_close = 0;
  for (auto _ : state) {
    {  // the load alone, for comparison
      FluidSynthChannel channel(AudioOutput::None, {soundfont});
      const auto start = Clock::now();
      if (!OpenAndPlay(channel, "test-c-major-scale.mid") || !channel.WaitUntilReady(60s)) {
        return state.SkipWithError("the piece did not open");
      }
      load += Seconds(Clock::now() - start);
    }
    FluidSynthChannel channel(AudioOutput::None, {soundfont});
    const auto start = Clock::now();
    if (!OpenAndPlay(channel, "test-c-major-scale.mid") ||
        channel.Send("close MIDI notify", nullptr, 0) != ChannelError::None) {
      return state.SkipWithError("the piece did not open and close");
    }
    const double close = Seconds(Clock::now() - start);
    slowest_close = std::max(slowest_close, close);
    state.SetIterationTime(close);
  }
  state.counters["load_s"] = benchmark::Counter(load, benchmark::Counter::kAvgIterations);
  if (slowest_close > 5) state.SkipWithError("closing waited for the soundfont (over 5 s)");
}
BENCHMARK(BM_CloseWhileTheSoundfontLoads)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Argument 0: destroyed while the soundfont loads; 1: while the piece plays.
void BM_DestroyWhileLoadingOrPlaying(benchmark::State& state) {
  const std::string soundfont = SystemSoundfont();
  if (soundfont.empty()) return state.SkipWithError("no General MIDI soundfont installed");
  double slowest = 0;
  for (auto _ : state) {
    auto channel =
        std::make_unique<FluidSynthChannel>(AudioOutput::None, std::vector<std::string>{soundfont});
    if (!OpenAndPlay(*channel, "test-c-major-scale.mid")) {
      return state.SkipWithError("the piece did not open");
    }
    if (state.range(0) == 1) {
      if (!channel->WaitUntilReady(60s)) return state.SkipWithError("the soundfont never loaded");
      std::vector<float> left(4410), right(4410);
      channel->Render(left, right);
    }
    const auto start = Clock::now();
    channel.reset();
    const double destroy = Seconds(Clock::now() - start);
    slowest = std::max(slowest, destroy);
    state.SetIterationTime(destroy);
  }
  if (slowest > 5) state.SkipWithError("destroying the channel took over 5 s");
}
BENCHMARK(BM_DestroyWhileLoadingOrPlaying)
    ->ArgName("playing")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// 19 tracks and many instruments (d_inter.mid), rendered as fast as it goes.
void BM_BusyPieceResidentMemory(benchmark::State& state) {
  const std::string soundfont = SystemSoundfont();
  if (soundfont.empty()) return state.SkipWithError("no General MIDI soundfont installed");
  long resident = 0;
  for (auto _ : state) {
    FluidSynthChannel channel(AudioOutput::None, {soundfont});
    if (!OpenAndPlay(channel, "d_inter.mid") || !channel.WaitUntilReady(60s)) {
      return state.SkipWithError("the piece did not open");
    }
    std::vector<float> left(441), right(441);
    for (int i = 0; i < 2000; ++i) channel.Render(left, right);  // 20 s at 44.1 kHz
    resident = std::max(resident, ResidentKilobytes());
  }
  state.counters["resident_MB"] = static_cast<double>(resident) / 1024;
  if (resident >= 60 * 1024) state.SkipWithError("over 60 MB resident");
}
BENCHMARK(BM_BusyPieceResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
