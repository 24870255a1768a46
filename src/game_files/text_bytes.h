// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

#include "game_files/utf8.h"

namespace tavrin {

/// True when every byte is below 0x80: the text reads the same in code page 932 and UTF-8.
inline bool IsAscii(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

/// True when `bytes` is well-formed UTF-8.
inline bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = ReadUtf8(bytes, i).length;
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace tavrin
