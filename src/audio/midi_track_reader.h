// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "audio/midi_bytes.h"
#include "audio/midi_clock.h"
#include "audio/midi_file.h"

namespace tavrin {

/// A channel event that bears on the instruments a piece selects, where it stands in the
/// piece.
struct ChannelEvent {
  enum Kind : uint8_t { NoteOn, Program, BankMsb, BankLsb };
  int64_t tick;
  uint16_t track;
  uint32_t index;  // within its track
  uint8_t channel;
  Kind kind;
  uint8_t value;
};

/// Reads the tracks of a Standard MIDI File one after the other and appends each, rewritten,
/// to `out`: a status byte on every event, only the events that make sound or set the tempo,
/// and an End of Track at its end. The program changes on the channels in `drop_programs`
/// (a bit for each) are left out; the program changes, bank selects and each channel's
/// first note are added to `log`, and the tempo changes to `tempo`, track after track. A
/// tempo of zero, which would stop the player's clock for good, is left out of both.
class TrackReader {
 public:
  TrackReader(std::vector<uint8_t>& out, std::vector<ChannelEvent>& log,
              std::vector<MidiClock::Change>& tempo, uint16_t drop_programs)
      : out_(out), log_(log), tempo_(tempo), drop_programs_(drop_programs) {}

  /// Reads the events of `data`, the body of the track numbered `track`, and sets
  /// `length_ticks` to where it ends. `cut_by_end` tells that the chunk claims more bytes
  /// than the file holds: such a track must reach its End of Track before the bytes run
  /// out, and running out counts as a cut file.
  MidiFileError Read(std::span<const uint8_t> data, bool cut_by_end, uint16_t track,
                     int64_t& length_ticks);

 private:
  MidiFileError ReadEvent();
  MidiFileError ReadChannelMessage(uint8_t status, std::optional<uint8_t> first);
  MidiFileError ReadMetaOrSysEx(uint8_t status);
  MidiFileError ReadVarLen(uint32_t& value);
  bool Log(ChannelEvent::Kind kind, uint8_t channel, uint8_t value);
  void BeginEvent();

  std::vector<uint8_t>& out_;
  std::vector<ChannelEvent>& log_;
  std::vector<MidiClock::Change>& tempo_;
  const uint16_t drop_programs_;

  // The track being read.
  smf::ByteReader in_;
  MidiFileError ran_out_ = MidiFileError::Corrupt;  // what bytes that run out mean
  uint16_t track_ = 0;
  uint8_t running_ = 0;  // the status of the last channel message, for running status
  int64_t tick_ = 0;
  uint32_t pending_ = 0;  // time since the last event written
  bool ended_ = false;
  uint32_t index_ = 0;  // of the channel message, within the track
  uint16_t noted_ = 0;  // the channels whose first note in this track is logged
};

}  // namespace tavrin
