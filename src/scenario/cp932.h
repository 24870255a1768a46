#pragma once

#include <string>
#include <string_view>

namespace tavrin {

/// Converts one line of code page 932 (Shift-JIS as Windows writes it) to UTF-8 through
/// the C library's converter. A byte sequence the code page does not map becomes U+FFFD
/// and conversion goes on with the next byte, so the rest of the line is kept.
std::string DecodeCp932(std::string_view bytes);

}  // namespace tavrin
