// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrin::riff {

/// A RIFF file is chunks: an id of four characters and a 32-bit little-endian size, then the
/// body, padded to an even length. A LIST chunk's body begins with the list's type.
inline constexpr std::size_t kChunkHeaderSize = 8;  // the id and the size
inline constexpr std::size_t kListHeaderSize = 12;  // ...and the list's type

inline uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

inline uint32_t Get32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

inline void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

/// The bytes a chunk whose body is `body_size` long takes, with its header and its padding.
inline uint64_t ChunkSpan(uint32_t body_size) {
  return kChunkHeaderSize + uint64_t{body_size} + (body_size & 1);
}

/// Appends the chunk `id` with `body`, whose length must be even.
inline void AppendChunk(std::vector<uint8_t>& out, const char (&id)[5],
                        const std::vector<uint8_t>& body) {
  out.insert(out.end(), id, id + 4);
  out.resize(out.size() + 4);
  Put32(out.data() + out.size() - 4, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace tavrin::riff
