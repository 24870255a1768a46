// SPDX-License-Identifier: MIT
#include "audio/midi_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "audio/midi_bytes.h"
#include "audio/midi_track_reader.h"

namespace tavrin {

namespace {

using smf::Get16;
using smf::Get32;
using smf::Put16;
using smf::Put32;
using smf::PutText;

// A MIDI file of this size holds an hour or more of dense music; a larger "bgm.mid" is something
// else and is not read into memory.
constexpr int64_t kMaxFileSize = int64_t{1} << 20;
// The most tracks FluidSynth's player keeps; it refuses a file with more.
constexpr uint16_t kMaxTracks = 128;

bool IsChunkName(std::span<const uint8_t> name) {
  return std::all_of(name.begin(), name.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

MidiPiece Failure(MidiFileError error) {
  MidiPiece piece;
  piece.error = error;
  return piece;
}

// Plays the logged events through in the order a player sends them (by tick, then track)
// and finds what each channel asks of the soundfont.
std::array<MidiChannelUse, 16> ChannelUses(std::vector<ChannelEvent> log) {
  std::stable_sort(log.begin(), log.end(), [](const ChannelEvent& a, const ChannelEvent& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    if (a.track != b.track) return a.track < b.track;
    return a.index < b.index;
  });
  std::array<MidiChannelUse, 16> uses;
  std::array<int, 16> msb, lsb;
  msb.fill(-1);
  lsb.fill(-1);
  for (const ChannelEvent& event : log) {
    MidiChannelUse& use = uses[event.channel];
    switch (event.kind) {
      case ChannelEvent::NoteOn:
        use.sounds = true;
        break;
      case ChannelEvent::BankMsb:
        msb[event.channel] = event.value;
        break;
      case ChannelEvent::BankLsb:
        lsb[event.channel] = event.value;
        break;
      case ChannelEvent::Program:
        use.programs.set(event.value);
        if (!use.sounds) {
          use.program = event.value;
          use.bank_msb = msb[event.channel];
          use.bank_lsb = lsb[event.channel];
        }
        break;
    }
  }
  for (MidiChannelUse& use : uses) {
    if (!use.sounds) use = MidiChannelUse{};
  }
  return uses;
}

// Reads every track of `file` after its header into `piece`.
MidiFileError ReadTracks(std::span<const uint8_t> file, uint32_t header_length,
                         uint16_t track_count, uint16_t drop_programs, MidiPiece& piece,
                         std::vector<ChannelEvent>& log, std::vector<MidiClock::Change>& tempo) {
  // Chunks are walked by their declared lengths; the one that claims more than the file
  // holds can only be the last.
  TrackReader reader(piece.bytes, log, tempo, drop_programs);
  uint64_t pos = 8 + uint64_t{header_length};
  for (uint16_t tracks_read = 0; tracks_read < track_count;) {
    if (pos + 8 > file.size()) return MidiFileError::Truncated;
    const auto name = file.subspan(static_cast<std::size_t>(pos), 4);
    const uint64_t body_start = pos + 8;
    const uint64_t body_end = body_start + Get32(file, static_cast<std::size_t>(pos) + 4);
    const bool cut_by_end = body_end > file.size();
    if (std::memcmp(name.data(), "MTrk", 4) == 0) {
      const auto body = file.subspan(
          static_cast<std::size_t>(body_start),
          static_cast<std::size_t>(std::min<uint64_t>(body_end, file.size()) - body_start));
      int64_t track_ticks = 0;
      const MidiFileError error = reader.Read(body, cut_by_end, tracks_read, track_ticks);
      if (error != MidiFileError::None) return error;
      piece.length_ticks = std::max(piece.length_ticks, track_ticks);
      ++tracks_read;
    } else if (!IsChunkName(name)) {
      return MidiFileError::Corrupt;
    }
    pos = body_end;
  }
  return MidiFileError::None;
}

}  // namespace

MidiPiece ReadMidiFile(std::span<const uint8_t> file) {
  if (file.size() < 4 || std::memcmp(file.data(), "MThd", 4) != 0) {
    return Failure(MidiFileError::NotMidi);
  }
  if (file.size() < 14) return Failure(MidiFileError::Truncated);
  const uint32_t header_length = Get32(file, 4);
  const uint16_t format = Get16(file, 8);
  const uint16_t track_count = Get16(file, 10);
  const uint16_t division = Get16(file, 12);
  if (header_length < 6 || track_count == 0 || division == 0) {
    return Failure(MidiFileError::Corrupt);
  }
  if (format > 2 || (division & 0x8000) != 0 || track_count > kMaxTracks) {
    return Failure(MidiFileError::Unsupported);
  }

  MidiPiece piece;
  piece.division = division;
  std::vector<uint8_t>& out = piece.bytes;
  PutText(out, "MThd");
  Put32(out, 6);
  Put16(out, track_count == 1 ? 0 : 1);
  Put16(out, track_count);
  Put16(out, division);
  const std::size_t header_size = out.size();

  std::vector<ChannelEvent> log;
  std::vector<MidiClock::Change> tempo;
  MidiFileError error = ReadTracks(file, header_length, track_count, 0, piece, log, tempo);
  if (error != MidiFileError::None) return Failure(error);
  piece.channels = ChannelUses(log);

  // A channel that plays no note yet chooses a program would have the synthesizer read that
  // instrument's samples for nothing: the tracks are written again without its changes.
  uint16_t silent_programs = 0;
  for (const ChannelEvent& event : log) {
    if (event.kind == ChannelEvent::Program && !piece.channels[event.channel].sounds) {
      silent_programs |= static_cast<uint16_t>(1u << event.channel);
    }
  }
  if (silent_programs != 0) {
    out.resize(header_size);
    piece.length_ticks = 0;
    log.clear();
    tempo.clear();
    error = ReadTracks(file, header_length, track_count, silent_programs, piece, log, tempo);
    if (error != MidiFileError::None) return Failure(error);
  }
  // Tracks were read one after the other: sorted by tick, the changes at one tick stay in
  // the order the player meets them, the last track's last.
  std::stable_sort(tempo.begin(), tempo.end(),
                   [](const MidiClock::Change& a, const MidiClock::Change& b) { return a.tick < b.tick; });
  piece.clock = MidiClock(division, tempo);
  return piece;
}

MidiPiece LoadMidiFile(const GameFile& file) {
  // A named pipe or a device is no file to play, and is never waited on.
  if (!file.IsRegularFile()) return Failure(MidiFileError::Unreadable);
  if (const std::optional<uint64_t> size = file.Size();
      size && *size > static_cast<uint64_t>(kMaxFileSize)) {
    return Failure(MidiFileError::Unsupported);
  }
  const std::optional<std::string> bytes = file.ReadAll(static_cast<uint64_t>(kMaxFileSize));
  if (!bytes) return Failure(MidiFileError::Unreadable);
  return ReadMidiFile(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()));
}

MidiPiece LoadMidiFile(const std::string& path) {
  return LoadMidiFile(GameFile::OnDisk(path, std::filesystem::path(path).filename().string()));
}

}  // namespace tavrin
