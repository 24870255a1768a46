// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The numbers of a Standard MIDI File: big-endian, and variable-length quantities of seven
// bits a byte, the high bit set on every byte but the last.
namespace tavrin::smf {

inline uint32_t Get32(std::span<const uint8_t> bytes, std::size_t at) {
  return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
         uint32_t{bytes[at + 3]};
}

inline uint16_t Get16(std::span<const uint8_t> bytes, std::size_t at) {
  return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

inline void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

inline void Put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

inline void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[4];
  int count = 0;
  groups[count++] = value & 0x7F;
  while ((value >>= 7) != 0) groups[count++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
  while (count > 0) out.push_back(groups[--count]);
}

inline void PutText(std::vector<uint8_t>& out, const char (&text)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(text[i]));
}

/// Reads a track's bytes in order; every read says whether the bytes sufficed.
class ByteReader {
 public:
  ByteReader() = default;
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

}  // namespace tavrin::smf
