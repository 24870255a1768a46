// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

namespace tavrin {

/// One character read from UTF-8: its code point and how many bytes it takes; `length` is 0
/// where the bytes are not a well-formed sequence (a stray or missing continuation byte, an
/// overlong form, a surrogate, or beyond U+10FFFF).
struct Utf8Character {
  char32_t code = 0;
  std::size_t length = 0;
};

/// True for a byte that continues a UTF-8 sequence rather than starting one.
inline bool IsContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

/// The character whose UTF-8 starts at `text[at]` (`at` within `text`).
inline Utf8Character ReadUtf8(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = lead < 0xC2   ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || at + length > text.size()) return {};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if (!IsContinuationByte(text[at + k])) return {};
    code = (code << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
  }
  const bool overlong_or_surrogate =
      (length == 3 && (code < 0x800 || (code >= 0xD800 && code < 0xE000))) ||
      (length == 4 && (code < 0x10000 || code > 0x10FFFF));
  if (overlong_or_surrogate) return {};
  return {code, length};
}

}  // namespace tavrin
