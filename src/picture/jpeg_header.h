// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrin {

/// What a JPEG file declares of itself, read from its markers alone: enough to tell,
/// before any pixel is decoded, whether the picture area would take it.
struct JpegHeader {
  int64_t width = 0;
  int64_t height = 0;
  bool progressive = false;
  int components = 0;
  int components_in_first_scan = 0;
  int scans = 0;
  // Sampling factors of each component, as its frame header gives them.
  int h_samp[10] = {};
  int v_samp[10] = {};
};

/// The header of the JPEG in `bytes`, walking every marker to the end of the file; nothing
/// when it is no JPEG that the decoder of the window reads: no frame or no scan, a kind of
/// frame it does not decode (lossless, hierarchical, 12-bit), sizes of 0 or past 65500,
/// components other than 1, 3 or 4, or sampling factors outside 1 to 4.
std::optional<JpegHeader> ReadJpegHeader(std::string_view bytes);

/// The decoder's whole-picture buffer for `header`, in bytes: none unless the picture
/// comes in several scans (progressive, or colours scanned one at a time).
int64_t JpegCoefficientBytes(const JpegHeader& header);

/// Whether a JPEG that declares `header` is within the picture limits: its pixels, the
/// buffer its decoder needs and its scans.
bool JpegWithinLimits(const JpegHeader& header);

}  // namespace tavrin
