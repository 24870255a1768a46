// SPDX-License-Identifier: MIT
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

  void MidiOpen(const GameFile& file) override {
    // The device is told a path, as it always is; a member of an archive is read from the
    // archive, under the path of the archive followed by the member's name.
    const std::string path =
        file.InArchive() ? (file.DiskPath() / file.Name()).string() : file.DiskPath().string();
    channel_.SetFileReader([file, path](std::string_view asked) {
      return asked == path ? LoadMidiFile(file) : LoadMidiFile(std::string(asked));
    });
    music_.MidiOpen(path);
  }
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
