// SPDX-License-Identifier: MIT
#include "game_files/memory_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavrin {
namespace {

struct Cookie {
  std::shared_ptr<const std::string> bytes;
  size_t position = 0;
};

ssize_t ReadCookie(void* opaque, char* data, size_t size) {
  auto* cookie = static_cast<Cookie*>(opaque);
  const size_t got = std::min(size, cookie->bytes->size() - cookie->position);
  std::memcpy(data, cookie->bytes->data() + cookie->position, got);
  cookie->position += got;
  return static_cast<ssize_t>(got);
}

int SeekCookie(void* opaque, off64_t* offset, int whence) {
  auto* cookie = static_cast<Cookie*>(opaque);
  int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<int64_t>(cookie->position);
  if (whence == SEEK_END) base = static_cast<int64_t>(cookie->bytes->size());
  const int64_t target = base + *offset;
  if (target < 0 || static_cast<uint64_t>(target) > cookie->bytes->size()) {
    errno = EINVAL;
    return -1;
  }
  cookie->position = static_cast<size_t>(target);
  *offset = target;
  return 0;
}

int CloseCookie(void* opaque) {
  delete static_cast<Cookie*>(opaque);
  return 0;
}

}  // namespace

std::FILE* OpenMemoryStream(std::shared_ptr<const std::string> bytes) {
  if (bytes == nullptr) return nullptr;
  auto* cookie = new Cookie{std::move(bytes), 0};
  const cookie_io_functions_t functions{ReadCookie, nullptr, SeekCookie, CloseCookie};
  std::FILE* file = ::fopencookie(cookie, "rb", functions);
  if (file == nullptr) delete cookie;
  return file;
}

}  // namespace tavrin
