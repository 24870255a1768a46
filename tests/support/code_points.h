// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

namespace tavrin::test_support {

/// The characters (code points) of UTF-8 text.
inline std::size_t CodePoints(std::string_view utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}

}  // namespace tavrin::test_support
