// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace tavrin {

/// The limits past which a picture is refused as if it were broken. Far beyond any game's
/// pictures; they keep a hostile file from taking the machine's memory or minutes of time.
struct PictureLimits {
  static constexpr int64_t kMaxFileBytes = int64_t{128} << 20;
  /// Pixels the file declares (a JPEG is decoded a few rows at a time, whatever its size).
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;
  /// A progressive JPEG, or one whose colours come in separate scans, is held whole in the
  /// decoder as coefficients (two bytes a pixel and colour, less for subsampled colour)
  /// before any row comes out.
  static constexpr int64_t kMaxDecoderBytes = int64_t{256} << 20;
  /// Scans of a JPEG: each one passes over the whole picture.
  static constexpr int kMaxScans = 256;
};

}  // namespace tavrin
