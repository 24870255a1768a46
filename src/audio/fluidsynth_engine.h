// SPDX-License-Identifier: MIT
#pragma once

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "audio/audio_output.h"
#include "audio/midi_file.h"
#include "audio/soundfont_view.h"
#include "audio/synthesis_settings.h"

namespace tavrin {

/// What one piece needs to play.
struct EngineSetup {
  AudioOutput output = AudioOutput::Device;
  SynthesisSettings synthesis;
  /// Soundfonts to try, in order; the first that loads is used. With none the piece still
  /// runs its course, silently.
  std::vector<std::string> soundfonts;
  /// A Standard MIDI File as `ReadMidiFile` writes it, and its length in ticks.
  std::vector<uint8_t> midi;
  int64_t length_ticks = 0;
  /// When each of its ticks sounds.
  MidiClock clock;
  /// What each channel of the piece plays: only the instruments of the channels that sound
  /// are selected, so only their samples are read from the soundfont.
  std::array<MidiChannelUse, 16> channels;
};

/// The FluidSynth objects that play one piece: settings, synthesizer, soundfont, player and
/// sound output. Building it may take a while (the soundfont), so it is meant to be built
/// away from the caller's thread; destroying it stops the sound output first, so the audio
/// thread never meets a freed player or synthesizer.
class FluidSynthEngine {
 public:
  /// Builds the engine. Returns null when FluidSynth cannot make a synthesizer, when a
  /// sound output was asked for and none opens or no soundfont loads (there would be nothing
  /// to hear), or when `stop` was requested meanwhile.
  static std::unique_ptr<FluidSynthEngine> Build(const EngineSetup& setup, std::stop_token stop);

  ~FluidSynthEngine();
  FluidSynthEngine(const FluidSynthEngine&) = delete;
  FluidSynthEngine& operator=(const FluidSynthEngine&) = delete;

  /// True from a play until the piece has played to its end or is stopped.
  bool Playing() const;

  /// Plays on from where the piece stands. A piece of no length is over at once.
  void Play();

  /// Stops the piece and sends it back to its start.
  void Rewind();

  /// Where the piece stands, in milliseconds from its start: as far as it has been
  /// synthesized, and with `since_synthesized`, while it plays, moved on by the time since
  /// then (at most a second), as a sound output synthesizes ahead in bursts.
  double PositionMilliseconds(bool since_synthesized) const;

  /// Renders the next `left.size()` frames into `left` and `right` (equal sizes). Only for
  /// an engine without a sound output: the player moves on with the frames rendered.
  void Render(std::span<float> left, std::span<float> right);

  int SampleRate() const;
  /// The soundfont in use, or empty when none loaded.
  const std::string& Soundfont() const { return soundfont_; }
  /// The sound output in use, or empty when there is none.
  const std::string& Driver() const { return driver_name_; }
  /// How many bytes of samples the synthesizer has read from the soundfont so far.
  uint64_t SampleBytesRead() const { return view_ != nullptr ? view_->SampleBytesRead() : 0; }

  /// The soundfonts tried when no list is given: Debian's default General MIDI soundfont,
  /// FluidSynth's own default, then the other places where distributions put one.
  static std::vector<std::string> DefaultSoundfonts();

  /// The audio drivers worth trying, in the order tried, from those `available`: the ones a
  /// desktop user expects first, then the rest, leaving out those that would write a file
  /// or start a sound server.
  static std::vector<std::string> OrderDrivers(const std::vector<std::string>& available);

  /// The audio drivers this FluidSynth offers.
  static std::vector<std::string> AvailableDrivers();

 private:
  FluidSynthEngine() = default;

  static int OnTick(void* data, int tick);
  static int OnMidiEvent(void* data, fluid_midi_event_t* event);
  int HandleSystemExclusive(fluid_midi_event_t* event);
  void SelectBeforeNote(int channel);

  // Selects on each channel that sounds the instrument its first note plays with.
  void SelectInstruments(const std::array<MidiChannelUse, 16>& channels);

  // Outlives the synthesizer, which reads the soundfont through it.
  std::shared_ptr<SoundfontView> view_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  fluid_audio_driver_t* driver_ = nullptr;
  int sfont_id_ = FLUID_FAILED;
  int interpolation_ = FLUID_INTERP_DEFAULT;
  // The channels that play notes in the piece.
  std::array<bool, 16> sounding_{};
  // The program a reset has given a channel that still holds its instrument from before,
  // so that the instrument is not read anew should the piece choose it again: the channel
  // takes the program at its next note, unless a program change comes first. -1 for none.
  // Only the audio thread, which runs the player, touches these once the engine is built.
  std::array<int, 16> pending_program_{-1, -1, -1, -1, -1, -1, -1, -1,
                                       -1, -1, -1, -1, -1, -1, -1, -1};
  int64_t length_ticks_ = 0;
  MidiClock clock_;
  // The last tick the player reached and when (steady clock, nanoseconds): written by the
  // thread that synthesizes, and by a rewind or a play.
  std::atomic<int64_t> tick_reached_{0};
  std::atomic<int64_t> reached_at_ns_{0};
  std::string soundfont_;
  std::string driver_name_;
};

}  // namespace tavrin
