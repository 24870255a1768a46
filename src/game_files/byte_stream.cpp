// SPDX-License-Identifier: MIT
#include "game_files/byte_stream.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

namespace tavrin {
namespace {

struct Cookie {
  std::unique_ptr<ByteSource> source;
  uint64_t limit = 0;
  uint64_t position = 0;
  bool over = false;  // the source held more than the limit
};

ssize_t ReadCookie(void* opaque, char* data, size_t size) {
  auto* cookie = static_cast<Cookie*>(opaque);
  if (cookie->over) {
    errno = EFBIG;
    return -1;
  }
  // One byte past the limit is asked for, to tell a source that holds more from one that
  // ends exactly there. The bytes within the limit are given first; the next read fails.
  const uint64_t room = cookie->limit - cookie->position + 1;
  ssize_t got = cookie->source->Read(data, static_cast<size_t>(std::min<uint64_t>(size, room)));
  if (got < 0) return -1;
  if (cookie->position + static_cast<uint64_t>(got) > cookie->limit) {
    cookie->over = true;
    got = static_cast<ssize_t>(cookie->limit - cookie->position);
    if (got == 0) {
      errno = EFBIG;
      return -1;
    }
  }
  cookie->position += static_cast<uint64_t>(got);
  return got;
}

int SeekCookie(void* opaque, off64_t* offset, int whence) {
  auto* cookie = static_cast<Cookie*>(opaque);
  int64_t target = *offset;
  if (whence == SEEK_CUR) {
    target += static_cast<int64_t>(cookie->position);
  } else if (whence != SEEK_SET) {
    errno = EINVAL;  // the end is not known before it is read
    return -1;
  }
  if (target < 0 || static_cast<uint64_t>(target) > cookie->limit) {
    errno = EINVAL;
    return -1;
  }
  if (static_cast<uint64_t>(target) < cookie->position) {
    if (!cookie->source->Restart()) return -1;
    cookie->position = 0;
    cookie->over = false;
  }
  char skipped[16 * 1024];
  while (cookie->position < static_cast<uint64_t>(target)) {
    const size_t want = static_cast<size_t>(
        std::min<uint64_t>(sizeof skipped, static_cast<uint64_t>(target) - cookie->position));
    const ssize_t got = cookie->source->Read(skipped, want);
    if (got <= 0) {
      if (got == 0) errno = EINVAL;  // past the end
      return -1;
    }
    cookie->position += static_cast<uint64_t>(got);
  }
  *offset = target;
  return 0;
}

int CloseCookie(void* opaque) {
  delete static_cast<Cookie*>(opaque);
  return 0;
}

}  // namespace

std::FILE* OpenByteStream(std::unique_ptr<ByteSource> source, uint64_t limit) {
  if (source == nullptr) return nullptr;
  limit = std::min<uint64_t>(limit, std::numeric_limits<int64_t>::max() - 1);
  auto* cookie = new Cookie{std::move(source), limit, 0, false};
  const cookie_io_functions_t functions{ReadCookie, nullptr, SeekCookie, CloseCookie};
  std::FILE* file = ::fopencookie(cookie, "rb", functions);
  if (file == nullptr) delete cookie;
  return file;
}

}  // namespace tavrin
