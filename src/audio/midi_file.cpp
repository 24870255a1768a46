#include "audio/midi_file.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "scenario/regular_file.h"

namespace tavrin {

namespace {

// A MIDI file of this size holds an hour or more of dense music; a larger "bgm.mid" is something
// else and is not read into memory.
constexpr int64_t kMaxFileSize = int64_t{1} << 20;
// The instrument choices and first notes kept while reading, across all tracks: a piece
// chooses its instruments a few hundred times at most. More is refused, which keeps the
// memory a piece takes to read bounded by its size alone.
constexpr size_t kMaxLoggedEvents = size_t{1} << 16;
// The most tracks FluidSynth's player keeps; it refuses a file with more.
constexpr uint16_t kMaxTracks = 128;
// The largest number a variable-length quantity of four bytes can hold.
constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;
// The player counts ticks in an int.
constexpr int64_t kMaxTicks = std::numeric_limits<int32_t>::max();

uint32_t Get32(std::span<const uint8_t> bytes, std::size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         uint32_t{bytes[at + 3]};
}

uint16_t Get16(std::span<const uint8_t> bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[4];
  int count = 0;
  groups[count++] = value & 0x7F;
  while ((value >>= 7) != 0) groups[count++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
  while (count > 0) out.push_back(groups[--count]);
}

void PutText(std::vector<uint8_t>& out, const char (&text)[5]) {
  out.insert(out.end(), text, text + 4);
}

bool IsChunkName(std::span<const uint8_t> name) {
  return std::all_of(name.begin(), name.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  bool AtEnd() const { return pos_ == data_.size(); }

  bool Byte(uint8_t& out) {
    if (AtEnd()) return false;
    out = data_[pos_++];
    return true;
  }

  bool Bytes(uint32_t count, std::span<const uint8_t>& out) {
    if (data_.size() - pos_ < count) return false;
    out = data_.subspan(pos_, count);
    pos_ += count;
    return true;
  }

  enum class VarLenResult { Ok, RanOut, TooLong };

  VarLenResult VarLen(uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t c;
      if (!Byte(c)) return VarLenResult::RanOut;
      out = out << 7 | (c & 0x7F);
      if ((c & 0x80) == 0) return VarLenResult::Ok;
    }
    return VarLenResult::TooLong;
  }

 private:
  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
};

// A channel event that bears on the instruments a piece selects, where it stands in the piece.
struct ChannelEvent {
  enum Kind : uint8_t { NoteOn, Program, BankMsb, BankLsb };
  int64_t tick;
  uint16_t track;
  uint32_t index;  // within its track
  uint8_t channel;
  Kind kind;
  uint8_t value;
};

// Reads the events of one track and appends the track, rewritten, to `out`. `cut_by_end`
// tells that the chunk claims more bytes than the file holds: such a track must reach its
// End of Track before the bytes run out, and running out counts as a cut file. The program
// changes on the channels in `drop_programs` (a bit for each) are left out; the program
// changes, bank selects and each channel's first note are added to `log`.
MidiFileError ReadTrack(std::span<const uint8_t> data, bool cut_by_end, uint16_t track,
                        uint16_t drop_programs, std::vector<uint8_t>& out,
                        std::vector<ChannelEvent>& log, int64_t& length_ticks) {
  const MidiFileError ran_out = cut_by_end ? MidiFileError::Truncated : MidiFileError::Corrupt;
  ByteReader in(data);
  const std::size_t chunk_start = out.size();
  PutText(out, "MTrk");
  Put32(out, 0);

  // Running status follows the last channel message only. Strictly a meta or system
  // exclusive event cancels it, but files that carry it across one play everywhere else.
  uint8_t running = 0;
  int64_t tick = 0;
  // Time since the last event written; dropped events hand theirs on to the next one.
  uint32_t pending = 0;
  bool ended = false;
  uint32_t index = 0;
  uint16_t noted = 0;  // the channels whose first note in this track is logged

  while (!ended && !in.AtEnd()) {
    uint32_t delta;
    switch (in.VarLen(delta)) {
      case ByteReader::VarLenResult::Ok:
        break;
      case ByteReader::VarLenResult::RanOut:
        return ran_out;
      case ByteReader::VarLenResult::TooLong:
        return MidiFileError::Corrupt;
    }
    tick += delta;
    if (tick > kMaxTicks || pending > kMaxVarLen - delta) return MidiFileError::Unsupported;
    pending += delta;

    uint8_t status;
    if (!in.Byte(status)) return ran_out;
    uint8_t first_data = 0;
    bool have_first_data = false;
    if (status < 0x80) {
      if (running == 0) return MidiFileError::Corrupt;
      first_data = status;
      have_first_data = true;
      status = running;
    }

    if (status < 0xF0) {
      running = status;
      const uint8_t kind = status & 0xF0;
      const int data_count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
      uint8_t data_bytes[2] = {first_data, 0};
      for (int i = have_first_data ? 1 : 0; i < data_count; ++i) {
        if (!in.Byte(data_bytes[i])) return ran_out;
      }
      for (int i = 0; i < data_count; ++i) {
        if (data_bytes[i] & 0x80) return MidiFileError::Corrupt;
      }
      const auto channel = static_cast<uint8_t>(status & 0x0F);
      bool too_many = false;
      const auto log_event = [&](ChannelEvent::Kind what, uint8_t value) {
        too_many = log.size() >= kMaxLoggedEvents;
        if (!too_many) log.push_back({tick, track, index, channel, what, value});
      };
      ++index;
      if (kind == 0x90 && data_bytes[1] != 0 && (noted & (1u << channel)) == 0) {
        noted |= static_cast<uint16_t>(1u << channel);
        log_event(ChannelEvent::NoteOn, data_bytes[0]);
      } else if (kind == 0xB0 && (data_bytes[0] == 0 || data_bytes[0] == 32)) {
        log_event(data_bytes[0] == 0 ? ChannelEvent::BankMsb : ChannelEvent::BankLsb,
                  data_bytes[1]);
      } else if (kind == 0xC0) {
        log_event(ChannelEvent::Program, data_bytes[0]);
        // Its time passes on to the next event written.
        if (!too_many && (drop_programs & (1u << channel)) != 0) continue;
      }
      if (too_many) return MidiFileError::Unsupported;
      PutVarLen(out, pending);
      out.push_back(status);
      out.insert(out.end(), data_bytes, data_bytes + data_count);
      pending = 0;
      continue;
    }

    if (status != 0xFF && status != 0xF0 && status != 0xF7) {
      // System common and real-time messages have no length a file could give.
      return MidiFileError::Corrupt;
    }
    uint8_t meta_type = 0;
    if (status == 0xFF && !in.Byte(meta_type)) return ran_out;
    uint32_t length;
    switch (in.VarLen(length)) {
      case ByteReader::VarLenResult::Ok:
        break;
      case ByteReader::VarLenResult::RanOut:
        return ran_out;
      case ByteReader::VarLenResult::TooLong:
        return MidiFileError::Corrupt;
    }
    std::span<const uint8_t> body;
    if (!in.Bytes(length, body)) return ran_out;

    if (status == 0xFF && meta_type == 0x2F) {
      ended = true;
    } else if (status == 0xFF && meta_type == 0x51 && length == 3) {
      PutVarLen(out, pending);
      out.insert(out.end(), {0xFF, 0x51, 0x03});
      out.insert(out.end(), body.begin(), body.end());
      pending = 0;
    } else if (status == 0xF0 && length > 0) {
      PutVarLen(out, pending);
      out.push_back(0xF0);
      PutVarLen(out, length);
      out.insert(out.end(), body.begin(), body.end());
      pending = 0;
    }
    // Every other meta event carries no sound, and an escaped 0xF7 block is meant for a
    // device's wire rather than a synthesizer.
  }
  if (!ended && cut_by_end) return MidiFileError::Truncated;

  PutVarLen(out, pending);
  out.insert(out.end(), {0xFF, 0x2F, 0x00});
  const auto track_length = static_cast<uint32_t>(out.size() - chunk_start - 8);
  for (int i = 0; i < 4; ++i) {
    out[chunk_start + 4 + i] = static_cast<uint8_t>(track_length >> (24 - 8 * i));
  }
  length_ticks = tick;
  return MidiFileError::None;
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
                         std::vector<ChannelEvent>& log) {
  // Chunks are walked by their declared lengths; the one that claims more than the file
  // holds can only be the last.
  std::vector<uint8_t>& out = piece.bytes;
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
      const MidiFileError error =
          ReadTrack(body, cut_by_end, tracks_read, drop_programs, out, log, track_ticks);
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
  MidiFileError error = ReadTracks(file, header_length, track_count, 0, piece, log);
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
    error = ReadTracks(file, header_length, track_count, silent_programs, piece, log);
    if (error != MidiFileError::None) return Failure(error);
  }
  return piece;
}

MidiPiece LoadMidiFile(const std::string& path) {
  // A named pipe or a device is no file to play, and is never waited on.
  const int fd = OpenRegularFile(path);
  if (fd < 0) return Failure(MidiFileError::Unreadable);
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    ::close(fd);
    return Failure(MidiFileError::Unreadable);
  }
  if (status.st_size > kMaxFileSize) {
    ::close(fd);
    return Failure(MidiFileError::Unsupported);
  }
  std::vector<uint8_t> bytes(static_cast<std::size_t>(status.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got != bytes.size()) return Failure(MidiFileError::Unreadable);
  return ReadMidiFile(bytes);
}

}  // namespace tavrin
