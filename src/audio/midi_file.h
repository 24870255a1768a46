// SPDX-License-Identifier: MIT
#pragma once

#include "game_files/game_file.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/midi_clock.h"

namespace tavrin {

/// Why a file does not play.
enum class MidiFileError {
  None,
  Unreadable,   // missing, a folder, or cannot be read
  NotMidi,      // no Standard MIDI File header
  Truncated,    // the data ends inside a chunk, an event or before a declared track
  Corrupt,      // an event or a header field that no reading can make sense of
  Unsupported,  // a valid file beyond what the player handles (SMPTE time, too many tracks)
};

/// What one MIDI channel of a piece asks of the soundfont. Each instrument the synthesizer
/// selects has its samples read into memory, so only the channels that play notes should
/// select one, and each the one its notes play with.
struct MidiChannelUse {
  /// The channel plays at least one note.
  bool sounds = false;
  /// The program its first note plays with, and the bank select values (controllers 0 and
  /// 32) in force when the piece chose it; -1 for what the piece leaves to the synthesizer's
  /// default: the first instrument, or the standard drum kit on channel 10.
  int program = -1;
  int bank_msb = -1;
  int bank_lsb = -1;
  /// Every program the piece chooses on the channel. Empty for a channel that plays no note:
  /// its program changes are left out of the rewrite.
  std::bitset<128> programs;
};

/// A Standard MIDI File read leniently and written back plainly for FluidSynth's player.
/// The player gives up on some files that other players accept (an unknown chunk before a
/// track, running status carried across a meta event) and finds out only once it is asked
/// to play; reading the file here first lets an open fail at once on a file that cannot
/// play, and hands the player only what it reads without trouble.
struct MidiPiece {
  MidiFileError error = MidiFileError::None;
  /// The rewritten file: a header, then every track with a status byte on every event,
  /// only the events that make sound or set the tempo, and an End of Track at its end. A
  /// program change on a channel that plays no note makes no sound and is left out, and so
  /// is a tempo of zero, which would stop the player's clock for good.
  std::vector<uint8_t> bytes;
  /// Where the piece ends: the latest End of Track, in ticks from the start.
  int64_t length_ticks = 0;
  /// Ticks per quarter note.
  uint16_t division = 0;
  /// When each tick sounds, from the division and the tempo changes of every track.
  MidiClock clock;
  /// The 16 channels, channel 10 at index 9.
  std::array<MidiChannelUse, 16> channels;
};

/// Reads the bytes of a MIDI file.
MidiPiece ReadMidiFile(std::span<const uint8_t> file);

/// Reads the MIDI file `file` of a game (on disk or in an archive).
MidiPiece LoadMidiFile(const GameFile& file);
/// Reads the MIDI file at `path` (as bytes, in whatever encoding the file system uses).
MidiPiece LoadMidiFile(const std::string& path);

}  // namespace tavrin
