#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

/// A Standard MIDI File read leniently and written back plainly for FluidSynth's player.
/// The player gives up on some files that other players accept (an unknown chunk before a
/// track, running status carried across a meta event) and finds out only once it is asked
/// to play; reading the file here first lets an open fail at once on a file that cannot
/// play, and hands the player only what it reads without trouble.
struct MidiPiece {
  MidiFileError error = MidiFileError::None;
  /// The rewritten file: a header, then every track with a status byte on every event,
  /// only the events that make sound or set the tempo, and an End of Track at its end.
  std::vector<uint8_t> bytes;
  /// Where the piece ends: the latest End of Track, in ticks from the start.
  int64_t length_ticks = 0;
  /// Ticks per quarter note.
  uint16_t division = 0;
};

/// Reads the bytes of a MIDI file.
MidiPiece ReadMidiFile(std::span<const uint8_t> file);

/// Reads the MIDI file at `path` (as bytes, in whatever encoding the file system uses).
MidiPiece LoadMidiFile(const std::string& path);

}  // namespace tavrin
