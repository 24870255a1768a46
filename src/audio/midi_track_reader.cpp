// SPDX-License-Identifier: MIT
#include "audio/midi_track_reader.h"

#include <limits>

namespace tavrin {
namespace {

using smf::PutText;
using smf::PutVarLen;

// The instrument choices and first notes kept while reading, across all tracks: a piece
// chooses its instruments a few hundred times at most. More is refused, which keeps the
// memory a piece takes to read bounded by its size alone.
constexpr size_t kMaxLoggedEvents = size_t{1} << 16;
// The largest number a variable-length quantity of four bytes can hold.
constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;
// The player counts ticks in an int.
constexpr int64_t kMaxTicks = std::numeric_limits<int32_t>::max();

// Status bytes: a byte from kFirstStatus on starts a message, and those below kSysEx are
// channel messages, their kind in the high four bits and their channel in the low four.
constexpr uint8_t kFirstStatus = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kProgramChange = 0xC0;
constexpr uint8_t kChannelPressure = 0xD0;
constexpr uint8_t kSysEx = 0xF0;
constexpr uint8_t kSysExEscape = 0xF7;
constexpr uint8_t kMeta = 0xFF;
// Meta event types, and the controllers that select a bank.
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaSetTempo = 0x51;
constexpr uint8_t kBankSelectMsb = 0;
constexpr uint8_t kBankSelectLsb = 32;

}  // namespace

MidiFileError TrackReader::Read(std::span<const uint8_t> data, bool cut_by_end, uint16_t track,
                                int64_t& length_ticks) {
  in_ = smf::ByteReader(data);
  ran_out_ = cut_by_end ? MidiFileError::Truncated : MidiFileError::Corrupt;
  track_ = track;
  running_ = 0;
  tick_ = 0;
  pending_ = 0;
  ended_ = false;
  index_ = 0;
  noted_ = 0;

  const std::size_t chunk_start = out_.size();
  PutText(out_, "MTrk");
  smf::Put32(out_, 0);  // the length, once it is known
  while (!ended_ && !in_.AtEnd()) {
    if (const MidiFileError error = ReadEvent(); error != MidiFileError::None) return error;
  }
  if (!ended_ && cut_by_end) return MidiFileError::Truncated;
  BeginEvent();
  out_.insert(out_.end(), {kMeta, kMetaEndOfTrack, 0x00});
  const auto track_length = static_cast<uint32_t>(out_.size() - chunk_start - 8);
  for (int i = 0; i < 4; ++i) {
    out_[chunk_start + 4 + i] = static_cast<uint8_t>(track_length >> (24 - 8 * i));
  }
  length_ticks = tick_;
  return MidiFileError::None;
}

// An event: its delta time, then a channel message, a meta event or a system exclusive.
MidiFileError TrackReader::ReadEvent() {
  uint32_t delta;
  if (const MidiFileError error = ReadVarLen(delta); error != MidiFileError::None) return error;
  tick_ += delta;
  if (tick_ > kMaxTicks || pending_ > kMaxVarLen - delta) return MidiFileError::Unsupported;
  pending_ += delta;

  uint8_t status;
  if (!in_.Byte(status)) return ran_out_;
  if (status < kFirstStatus) {
    // Running status: the byte is the first data byte of a message like the last one.
    if (running_ == 0) return MidiFileError::Corrupt;
    return ReadChannelMessage(running_, status);
  }
  if (status < kSysEx) {
    // Running status follows the last channel message only. Strictly a meta or system
    // exclusive event cancels it, but files that carry it across one play everywhere else.
    running_ = status;
    return ReadChannelMessage(status, std::nullopt);
  }
  return ReadMetaOrSysEx(status);
}

// A channel message of `status`, whose first data byte is `first` when it was read already.
MidiFileError TrackReader::ReadChannelMessage(uint8_t status, std::optional<uint8_t> first) {
  const uint8_t kind = status & 0xF0;
  const int data_count = (kind == kProgramChange || kind == kChannelPressure) ? 1 : 2;
  uint8_t data[2] = {first.value_or(0), 0};
  for (int i = first ? 1 : 0; i < data_count; ++i) {
    if (!in_.Byte(data[i])) return ran_out_;
  }
  for (int i = 0; i < data_count; ++i) {
    if (data[i] >= kFirstStatus) return MidiFileError::Corrupt;
  }
  const auto channel = static_cast<uint8_t>(status & 0x0F);
  const auto channel_bit = static_cast<uint16_t>(1u << channel);
  ++index_;
  bool logged = true;
  if (kind == kNoteOn && data[1] != 0 && (noted_ & channel_bit) == 0) {
    noted_ |= channel_bit;
    logged = Log(ChannelEvent::NoteOn, channel, data[0]);
  } else if (kind == kControlChange && (data[0] == kBankSelectMsb || data[0] == kBankSelectLsb)) {
    logged = Log(data[0] == kBankSelectMsb ? ChannelEvent::BankMsb : ChannelEvent::BankLsb, channel,
                 data[1]);
  } else if (kind == kProgramChange) {
    logged = Log(ChannelEvent::Program, channel, data[0]);
    // Its time passes on to the next event written.
    if (logged && (drop_programs_ & channel_bit) != 0) return MidiFileError::None;
  }
  if (!logged) return MidiFileError::Unsupported;
  BeginEvent();
  out_.push_back(status);
  out_.insert(out_.end(), data, data + data_count);
  return MidiFileError::None;
}

// A meta event or a system exclusive: its type, its length and its bytes. Only the end of
// the track, the tempo and a system exclusive message bear on the sound.
MidiFileError TrackReader::ReadMetaOrSysEx(uint8_t status) {
  if (status != kMeta && status != kSysEx && status != kSysExEscape) {
    // System common and real-time messages have no length a file could give.
    return MidiFileError::Corrupt;
  }
  uint8_t meta_type = 0;
  if (status == kMeta && !in_.Byte(meta_type)) return ran_out_;
  uint32_t length;
  if (const MidiFileError error = ReadVarLen(length); error != MidiFileError::None) return error;
  std::span<const uint8_t> body;
  if (!in_.Bytes(length, body)) return ran_out_;

  if (status == kMeta && meta_type == kMetaEndOfTrack) {
    ended_ = true;
  } else if (status == kMeta && meta_type == kMetaSetTempo && length == 3 &&
             (body[0] | body[1] | body[2]) != 0) {
    tempo_.push_back({tick_, uint32_t{body[0]} << 16 | uint32_t{body[1]} << 8 | body[2]});
    BeginEvent();
    out_.insert(out_.end(), {kMeta, kMetaSetTempo, 0x03});
    out_.insert(out_.end(), body.begin(), body.end());
  } else if (status == kSysEx && length > 0) {
    BeginEvent();
    out_.push_back(kSysEx);
    PutVarLen(out_, length);
    out_.insert(out_.end(), body.begin(), body.end());
  }
  // Every other meta event carries no sound, and an escaped block (kSysExEscape) is meant
  // for a device's wire rather than a synthesizer.
  return MidiFileError::None;
}

MidiFileError TrackReader::ReadVarLen(uint32_t& value) {
  switch (in_.VarLen(value)) {
    case smf::ByteReader::VarLenResult::Ok:
      return MidiFileError::None;
    case smf::ByteReader::VarLenResult::RanOut:
      return ran_out_;
    case smf::ByteReader::VarLenResult::TooLong:
      break;
  }
  return MidiFileError::Corrupt;
}

// Adds an event to `log_`; false when it holds as many as it may.
bool TrackReader::Log(ChannelEvent::Kind kind, uint8_t channel, uint8_t value) {
  if (log_.size() >= kMaxLoggedEvents) return false;
  log_.push_back({tick_, track_, index_, channel, kind, value});
  return true;
}

// Writes the time of the event about to be written: the time since the last one written,
// which events left out hand on.
void TrackReader::BeginEvent() {
  PutVarLen(out_, pending_);
  pending_ = 0;
}

}  // namespace tavrin
