// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "encode_cp932.h"

namespace tavrin::test_support {

/// `utf8` in code page 932, as a scenario author's editor would save it. Text the code
/// page cannot hold fails the test.
inline std::string Cp932(const std::string& utf8) {
  std::optional<std::string> bytes = EncodeCp932(utf8);
  EXPECT_TRUE(bytes.has_value()) << "not encodable in code page 932: " << utf8;
  return bytes.value_or("");
}

/// A scenario file's bytes from UTF-8 lines: each in code page 932 and ended by CR LF, the
/// last one too unless `end_last` is false.
inline std::string ScriptBytes(const std::vector<std::string>& lines, bool end_last = true) {
  std::string bytes;
  for (size_t i = 0; i < lines.size(); ++i) {
    bytes += Cp932(lines[i]);
    if (end_last || i + 1 < lines.size()) bytes += "\r\n";
  }
  return bytes;
}

}  // namespace tavrin::test_support
