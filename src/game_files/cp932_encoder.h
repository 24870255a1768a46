// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

/// Text in code page 932 as an editor saves it, and what saving it lost.
struct Cp932Text {
  std::string bytes;
  /// The characters code page 932 has no form for, each written as "?" (as Windows writes
  /// them): their byte offsets in the UTF-8 text, in order.
  std::vector<size_t> lacking;
};

/// Converts UTF-8 `utf8` to code page 932 through the C library's converter, character by
/// character, each character's form asked once. A byte that is not UTF-8 counts as a
/// character the code page lacks.
Cp932Text EncodeCp932(std::string_view utf8);

}  // namespace tavrin
