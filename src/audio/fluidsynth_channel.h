// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audio/audio_output.h"
#include "audio/command_channel.h"
#include "audio/midi_file.h"
#include "audio/synthesis_settings.h"

namespace tavrin {

class FluidSynthEngine;

/// The MIDI device behind the program's music commands, played by FluidSynth. It opens one
/// Standard MIDI File at a time under the name MIDI, plays it, reports its mode, and sends
/// it back to its start. Opening reads the file at once but builds the synthesizer on a
/// worker thread, so the caller never waits for the soundfont; until the synthesizer is
/// there, the device answers from what it was asked to do.
///
/// The commands, case and blanks exact: `open "PATH" alias MIDI`, `close MIDI notify`,
/// `play MIDI notify`, `play MIDI from 0`, `seek MIDI to start`, `status MIDI mode` (answers
/// "playing", or "stopped" before the first play and once the piece has played to its end),
/// `status MIDI length` and `status MIDI position` (whole milliseconds, as decimal text).
/// A seek stops the piece at its start. Anything else is refused.
///
/// The length is known from the open on. The position is where the piece stands as it is
/// synthesized: with a sound output, which synthesizes ahead in bursts, it moves on with
/// the clock between them, so the piece never ends before its position reaches its length.
/// Until the synthesizer is built the position fails with `NotReady`.
///
/// A missing file, or one that is not a playable Standard MIDI File, fails the open and
/// leaves nothing open. Rendered by the caller, a piece without a soundfont plays and ends
/// as usual, silently. When no sound output opens, or there is no soundfont to play it to
/// one, the device still takes every command and reads playing from the first play on, but
/// its position fails with `NoSoundOutput`: nothing moves the piece, so it never ends and
/// is never restarted.
///
/// Commands come from one thread at a time (the program's user-interface thread).
class FluidSynthChannel final : public CommandChannel {
 public:
  explicit FluidSynthChannel(AudioOutput output = AudioOutput::Device);
  /// `soundfonts` are tried in order when a piece opens; an empty list plays silently.
  FluidSynthChannel(AudioOutput output, std::vector<std::string> soundfonts,
                    SynthesisSettings synthesis = {});
  /// Closes the device, waiting for the worker and stopping the sound output.
  ~FluidSynthChannel() override;

  /// How the file that an open names is read; by default from that path on disk. A game in
  /// an archive has its music read from the archive so.
  using FileReader = std::function<MidiPiece(std::string_view path)>;
  void SetFileReader(FileReader reader) { read_file_ = std::move(reader); }

  FluidSynthChannel(const FluidSynthChannel&) = delete;
  FluidSynthChannel& operator=(const FluidSynthChannel&) = delete;

  ChannelError Send(std::string_view command, char* reply, std::size_t reply_size) override;

  /// Waits until the open piece's synthesizer is built, or found impossible to build (the
  /// device then plays silently). False if nothing is open or `timeout` passes first.
  bool WaitUntilReady(std::chrono::milliseconds timeout);

  /// With `AudioOutput::None`: renders the next frames of the open piece into `left` and
  /// `right` (equal sizes), moving the piece on by as much. Fills silence and returns false
  /// when there is nothing to render (no piece open, or its synthesizer not yet built).
  bool Render(std::span<float> left, std::span<float> right);

  /// The rate `Render` produces, in frames per second.
  int SampleRate() const;
  /// The soundfont and the sound output the open piece plays with; empty when none.
  std::string Soundfont() const;
  std::string Driver() const;
  /// How many bytes of samples the open piece's synthesizer has read from the soundfont:
  /// those of each instrument it has selected.
  uint64_t SampleBytesRead() const;

 private:
  ChannelError Open(std::string_view path);
  ChannelError Close();
  ChannelError Play(bool from_start);
  ChannelError Seek();
  ChannelError Mode(char* reply, std::size_t reply_size);
  ChannelError Position(char* reply, std::size_t reply_size);

  FileReader read_file_ = [](std::string_view path) { return LoadMidiFile(std::string(path)); };
  const AudioOutput output_;
  const std::vector<std::string> soundfonts_;
  const SynthesisSettings synthesis_;

  // Only the calling thread touches these.
  bool open_ = false;
  int64_t length_ms_ = 0;

  // Shared with the worker that builds the engine.
  mutable std::mutex mutex_;
  std::condition_variable built_cv_;
  bool built_ = false;
  std::unique_ptr<FluidSynthEngine> engine_;
  // What the caller asked for while no engine plays: while the soundfont loads, or for
  // good when no engine could be built.
  bool play_requested_ = false;

  std::jthread worker_;
};

}  // namespace tavrin
