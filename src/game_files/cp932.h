// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

/// Converts one line of code page 932 (Shift-JIS as Windows writes it) to UTF-8 through
/// the C library's converter. A byte sequence the code page does not map becomes U+FFFD
/// and conversion goes on with the next byte, so the rest of the line is kept.
/// Never fails: without a converter (see `Cp932Available`) every byte outside ASCII becomes
/// U+FFFD.
std::string DecodeCp932(std::string_view bytes);

/// Whether the C library converts code page 932. Asked once; the program refuses to start
/// without it, since every Japanese line would be lost.
bool Cp932Available();

/// The offsets in `bytes` of the bytes that `DecodeCp932` replaces with U+FFFD, in order.
std::vector<size_t> UndecodableBytes(std::string_view bytes);

}  // namespace tavrin
