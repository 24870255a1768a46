#pragma once

#include "audio/fluidsynth_channel.h"
#include "audio/music.h"
#include "ui/music_hooks.h"

namespace tavrin {

/// The window's music: its start-up, watchdog and shutdown calls go to the music
/// procedures, which drive a FluidSynth device through the system's sound output.
class BackgroundMusic : public MusicHooks {
 public:
  BackgroundMusic() : music_(channel_) {}

  void MidiOpen(const std::filesystem::path& file) override { music_.MidiOpen(file.string()); }
  void SetBgmLoop(bool on) override { music_.SetBgmLoop(on); }
  void MidiPlay() override { music_.MidiPlay(); }
  void BgmTim_Timer() override { music_.BgmTim_Timer(); }
  std::optional<std::chrono::milliseconds> BgmTimDelay() override { return music_.BgmTimDelay(); }
  void MidiClose() override { music_.MidiClose(); }

 private:
  FluidSynthChannel channel_{AudioOutput::Device};
  Music music_;
};

}  // namespace tavrin
