// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>

namespace tavrin {

/// Bytes read from their start, such as a member of an archive as it is inflated.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Up to `size` bytes into `data`: 0 at the end, -1 when it cannot be read on (errno
  /// says why).
  virtual ssize_t Read(char* data, size_t size) = 0;
  /// Starts again from the first byte; false when it cannot.
  virtual bool Restart() = 0;
};

/// A stdio stream that reads `source`, and never more than `limit` bytes of it: a source
/// that holds more is a read error (EFBIG) at the byte after the limit, whatever it said
/// of its size before. Seeking forward reads on; seeking back reads again from the start.
/// Null when the stream cannot be made.
std::FILE* OpenByteStream(std::unique_ptr<ByteSource> source, uint64_t limit);

}  // namespace tavrin
