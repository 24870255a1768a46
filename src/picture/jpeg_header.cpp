// SPDX-License-Identifier: MIT
#include "picture/jpeg_header.h"

#include <algorithm>

#include "picture/picture_limits.h"

namespace tavrin {
namespace {

// The decoder's limit on either side of a picture.
constexpr int64_t kMaxSide = 65500;
constexpr int kBlockSize = 8;
constexpr int kCoefficientsPerBlock = 64;
constexpr int kCoefficientBytes = 2;

int Byte(std::string_view bytes, size_t at) { return static_cast<unsigned char>(bytes[at]); }

int Word(std::string_view bytes, size_t at) { return Byte(bytes, at) << 8 | Byte(bytes, at + 1); }

bool ReadFrame(std::string_view segment, int marker, JpegHeader& header) {
  // Baseline, extended, progressive, and their arithmetic-coded kinds are decoded.
  const bool decoded =
      marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
  if (!decoded || segment.size() < 6 || Byte(segment, 0) != 8) return false;
  header.height = Word(segment, 1);
  header.width = Word(segment, 3);
  header.components = Byte(segment, 5);
  header.progressive = marker == 0xC2 || marker == 0xCA;
  if (header.width == 0 || header.height == 0 || header.width > kMaxSide ||
      header.height > kMaxSide) {
    return false;
  }
  if (header.components != 1 && header.components != 3 && header.components != 4) return false;
  if (segment.size() < 6 + 3 * static_cast<size_t>(header.components)) return false;
  for (int c = 0; c < header.components; ++c) {
    const int factors = Byte(segment, 6 + 3 * c + 1);
    header.h_samp[c] = factors >> 4;
    header.v_samp[c] = factors & 0x0F;
    if (header.h_samp[c] < 1 || header.h_samp[c] > 4 || header.v_samp[c] < 1 ||
        header.v_samp[c] > 4) {
      return false;
    }
  }
  return true;
}

// Whether every Huffman table of a DHT segment is one the decoder takes: a table of its
// four of each class, at most 256 symbols, codes that fit their lengths without the code of
// all ones.
bool HuffmanTablesSound(std::string_view segment) {
  constexpr int kTables = 4;
  constexpr int kAcClass = 0x10;
  size_t at = 0;
  while (at < segment.size()) {
    if (at + 17 > segment.size()) return false;
    const int index = Byte(segment, at) & ~kAcClass;
    if (index >= kTables) return false;
    int symbols = 0;
    int longest = 0;
    for (int length = 1; length <= 16; ++length) {
      symbols += Byte(segment, at + length);
      if (Byte(segment, at + length) != 0) longest = length;
    }
    if (symbols > 256) return false;
    int64_t code = 0;
    for (int length = 1; length <= longest; ++length) {
      code += Byte(segment, at + length);
      if (code >= (int64_t{1} << length)) return false;
      code <<= 1;
    }
    at += 17 + static_cast<size_t>(symbols);
  }
  return true;
}

// The offset of the marker that ends the entropy-coded data starting at `at`.
size_t SkipEntropyCodedData(std::string_view bytes, size_t at) {
  for (; at + 1 < bytes.size(); ++at) {
    if (Byte(bytes, at) != 0xFF) continue;
    const int next = Byte(bytes, at + 1);
    // A stuffed zero and the restart markers belong to the data.
    if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) continue;
    return at;
  }
  return bytes.size();
}

}  // namespace

std::optional<JpegHeader> ReadJpegHeader(std::string_view bytes) {
  if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || Byte(bytes, 1) != 0xD8) return std::nullopt;
  JpegHeader header;
  bool framed = false;
  size_t at = 2;
  while (at + 1 < bytes.size()) {
    if (Byte(bytes, at) != 0xFF) {
      ++at;  // stray bytes between markers, which the decoder passes over too
      continue;
    }
    const int marker = Byte(bytes, at + 1);
    if (marker == 0xFF) {
      ++at;  // fill bytes before a marker
      continue;
    }
    at += 2;
    if (marker == 0xD9) break;                                           // the end of the picture
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (at + 2 > bytes.size()) break;
    const size_t length = static_cast<size_t>(Word(bytes, at));
    if (length < 2) return std::nullopt;
    const std::string_view segment =
        bytes.substr(at + 2, std::min(length - 2, bytes.size() - at - 2));
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (framed || !ReadFrame(segment, marker, header)) return std::nullopt;
      framed = true;
    } else if (marker == 0xC4) {
      if (!HuffmanTablesSound(segment)) return std::nullopt;
    } else if (marker == 0xDA) {
      if (!framed || segment.empty()) return std::nullopt;
      if (header.scans == 0) header.components_in_first_scan = Byte(segment, 0);
      ++header.scans;
      at = SkipEntropyCodedData(bytes, at + length);
      continue;
    }
    at += length;
  }
  if (!framed || header.scans == 0) return std::nullopt;
  return header;
}

int64_t JpegCoefficientBytes(const JpegHeader& header) {
  if (!header.progressive && header.components_in_first_scan >= header.components) return 0;
  const int max_h = *std::max_element(header.h_samp, header.h_samp + header.components);
  const int max_v = *std::max_element(header.v_samp, header.v_samp + header.components);
  const auto ceil_div = [](int64_t n, int64_t d) { return (n + d - 1) / d; };
  const auto round_up = [&](int64_t n, int64_t step) { return ceil_div(n, step) * step; };
  int64_t bytes = 0;
  for (int c = 0; c < header.components; ++c) {
    const int64_t across = ceil_div(header.width * header.h_samp[c], int64_t{max_h} * kBlockSize);
    const int64_t down = ceil_div(header.height * header.v_samp[c], int64_t{max_v} * kBlockSize);
    bytes += round_up(across, header.h_samp[c]) * round_up(down, header.v_samp[c]) *
             kCoefficientsPerBlock * kCoefficientBytes;
  }
  return bytes;
}

bool JpegWithinLimits(const JpegHeader& header) {
  return header.width * header.height <= PictureLimits::kMaxPixels &&
         JpegCoefficientBytes(header) <= PictureLimits::kMaxDecoderBytes &&
         header.scans <= PictureLimits::kMaxScans;
}

}  // namespace tavrin
