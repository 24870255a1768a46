// SPDX-License-Identifier: MIT
// What the music's synthesis costs with each choice of FluidSynth's settings, on the demo's
// piece and on a dense General MIDI piece: the CPU time taken to synthesize one second of
// music (an iteration), so 10 ms is 1 % of a core. The program's own settings come first.
//
//   synthesis_bench [--demo=MIDI] [--dense=MIDI] [--write-wav=DIR] [benchmark flags]
//
// With --write-wav, the first 30 s of each piece in each setting are also written to DIR as
// 16-bit WAV files, to listen to and to compare (levels, spectra) what each choice does to
// the sound.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "audio/fluidsynth_channel.h"
#include "audio/fluidsynth_engine.h"
#include "audio/synthesis_settings.h"

namespace {

using tavrin::AudioOutput;
using tavrin::ChannelError;
using tavrin::FluidSynthChannel;
using tavrin::SynthesisSettings;
using Interpolation = SynthesisSettings::Interpolation;

struct Variant {
  std::string name;
  SynthesisSettings settings;
};

std::vector<Variant> Variants() {
  const SynthesisSettings chosen;
  std::vector<Variant> variants = {{"chosen", chosen}};
  const auto with = [&](std::string name, auto change) {
    SynthesisSettings settings;  // the previous defaults, one thing changed
    settings.sample_rate = 44100;
    settings.reverb = settings.chorus = true;
    settings.polyphony = 128;
    settings.interpolation = Interpolation::FourthOrder;
    change(settings);
    variants.push_back({std::move(name), settings});
  };
  with("44100Hz_reverb_chorus_poly128_4th", [](SynthesisSettings&) {});
  with("no_reverb_no_chorus", [](SynthesisSettings& s) { s.reverb = s.chorus = false; });
  with("no_chorus", [](SynthesisSettings& s) { s.chorus = false; });
  with("32000Hz", [](SynthesisSettings& s) { s.sample_rate = 32000; });
  with("22050Hz", [](SynthesisSettings& s) { s.sample_rate = 22050; });
  with("polyphony_64", [](SynthesisSettings& s) { s.polyphony = 64; });
  with("linear_interpolation", [](SynthesisSettings& s) { s.interpolation = Interpolation::Linear; });
  return variants;
}

std::string OpenCommand(const std::string& path) { return "open \"" + path + "\" alias MIDI"; }

bool Stopped(FluidSynthChannel& channel) {
  char mode[16] = {};
  return channel.Send("status MIDI mode", mode, 15) == ChannelError::None &&
         std::string(mode) == "stopped";
}

// A channel that renders `midi` with `settings`, playing and ready.
bool Start(FluidSynthChannel& channel, const std::string& midi) {
  return channel.Send(OpenCommand(midi), nullptr, 0) == ChannelError::None &&
         channel.Send("play MIDI notify", nullptr, 0) == ChannelError::None &&
         channel.WaitUntilReady(std::chrono::seconds(30)) && !channel.Soundfont().empty();
}

// Renders the next `frames`, in the sound output's periods, starting the piece over when
// it has ended, as the watchdog does.
void RenderFrames(FluidSynthChannel& channel, int period, int64_t frames, std::vector<float>& left,
                  std::vector<float>& right) {
  left.resize(period);
  right.resize(period);
  for (int64_t done = 0; done < frames; done += period) {
    if (Stopped(channel)) {
      channel.Send("seek MIDI to start", nullptr, 0);
      channel.Send("play MIDI from 0", nullptr, 0);
    }
    channel.Render(left, right);
  }
}

void BM_Synthesis(benchmark::State& state, const Variant& variant, const std::string& midi) {
  FluidSynthChannel channel(AudioOutput::None, tavrin::FluidSynthEngine::DefaultSoundfonts(),
                            variant.settings);
  if (!Start(channel, midi)) {
    state.SkipWithError("no soundfont, or the piece does not open");
    return;
  }
  std::vector<float> left, right;
  const int rate = channel.SampleRate();
  for (auto _ : state) RenderFrames(channel, variant.settings.period_size, rate, left, right);
  state.counters["sample_rate"] = rate;
  // The samples read from the soundfont for the piece's instruments, kept in memory.
  state.counters["samples_MiB"] = static_cast<double>(channel.SampleBytesRead()) / (1 << 20);
}

int16_t ToSample(float value) {
  return static_cast<int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

void WriteWav(const std::filesystem::path& file, const Variant& variant, const std::string& midi,
              double seconds) {
  FluidSynthChannel channel(AudioOutput::None, tavrin::FluidSynthEngine::DefaultSoundfonts(),
                            variant.settings);
  if (!Start(channel, midi)) {
    std::cerr << "synthesis_bench: cannot play " << midi << '\n';
    return;
  }
  const int rate = channel.SampleRate();
  const auto frames = static_cast<int64_t>(seconds * rate);
  std::vector<int16_t> samples;
  std::vector<float> left(1024), right(1024);
  for (int64_t done = 0; done < frames; done += 1024) {
    channel.Render(left, right);
    for (int i = 0; i < 1024; ++i) {
      samples.push_back(ToSample(left[i]));
      samples.push_back(ToSample(right[i]));
    }
  }
  std::ofstream out(file, std::ios::binary);
  const auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  const auto data_bytes = static_cast<uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  put32(36 + data_bytes);
  out.write("WAVEfmt ", 8);
  put32(16);
  put16(1);  // PCM
  put16(2);
  put32(static_cast<uint32_t>(rate));
  put32(static_cast<uint32_t>(rate) * 4);
  put16(4);
  put16(16);
  out.write("data", 4);
  put32(data_bytes);
  out.write(reinterpret_cast<const char*>(samples.data()), data_bytes);
}

std::string Option(int& argc, char** argv, const std::string& name, std::string fallback) {
  const std::string prefix = "--" + name + "=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
      fallback = argv[i] + prefix.size();
      std::copy(argv + i + 1, argv + argc, argv + i);
      --argc;
      break;
    }
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string demo = Option(argc, argv, "demo", TAVRIN_SOURCE_DIR "/demo/bgm.mid");
  const std::string dense =
      Option(argc, argv, "dense", TAVRIN_SOURCE_DIR "/tests/data/midi/d_inter.mid");
  const std::string wav_dir = Option(argc, argv, "write-wav", "");
  static const std::vector<Variant> variants = Variants();

  for (const auto& [piece, midi] : {std::pair{"demo", demo}, std::pair{"dense", dense}}) {
    if (!std::filesystem::exists(midi)) {
      std::cerr << "synthesis_bench: no " << midi << "; the " << piece << " piece is left out\n";
      continue;
    }
    for (const Variant& variant : variants) {
      if (!wav_dir.empty()) {
        std::filesystem::create_directories(wav_dir);
        WriteWav(std::filesystem::path(wav_dir) / (std::string(piece) + "-" + variant.name + ".wav"),
                 variant, midi, 30.0);
      }
      benchmark::RegisterBenchmark(("Synthesis/" + std::string(piece) + "/" + variant.name).c_str(),
                                   BM_Synthesis, variant, midi)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(20);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
