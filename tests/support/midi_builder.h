// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tavrin::test_support {

using Bytes = std::vector<uint8_t>;

/// The parts one after the other.
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

/// A Standard MIDI File's header chunk declaring `length` bytes (six, or as many zeros more
/// or fewer bytes as asked).
inline Bytes Header(int format, int tracks, int division, uint32_t length = 6) {
  Bytes header = {'M', 'T', 'h', 'd'};
  for (int shift = 24; shift >= 0; shift -= 8) {
    header.push_back(static_cast<uint8_t>(length >> shift));
  }
  for (int value : {format, tracks, division}) {
    header.push_back(static_cast<uint8_t>(value >> 8));
    header.push_back(static_cast<uint8_t>(value));
  }
  header.resize(8 + length, 0);
  return header;
}

/// A chunk whose declared length is the body's, or `declared` when given.
inline Bytes Chunk(const char* name, const Bytes& body, int64_t declared = -1) {
  const auto length = static_cast<uint32_t>(declared < 0 ? body.size() : declared);
  Bytes chunk(name, name + 4);
  for (int shift = 24; shift >= 0; shift -= 8) {
    chunk.push_back(static_cast<uint8_t>(length >> shift));
  }
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

/// A track chunk of `events`, as they stand.
inline Bytes Track(const Bytes& events) { return Chunk("MTrk", events); }

/// A Standard MIDI File of format 1 at 96 ticks a quarter note, one track for each list of
/// events, each ended by an End of Track.
inline Bytes Midi(std::initializer_list<Bytes> tracks) {
  Bytes file = Header(1, static_cast<int>(tracks.size()), 96);
  for (const Bytes& events : tracks) {
    const Bytes track = Track(Cat({events, {0x00, 0xFF, 0x2F, 0x00}}));
    file.insert(file.end(), track.begin(), track.end());
  }
  return file;
}

}  // namespace tavrin::test_support
