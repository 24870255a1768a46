// SPDX-License-Identifier: MIT
#pragma once

#include <iconv.h>

#include <optional>
#include <string>

namespace tavrin::test_support {

/// UTF-8 to code page 932, as a scenario author's editor would save it; nothing when the
/// text holds a character the code page lacks. For tests and benchmarks, which write
/// scenario files; the program itself only ever decodes.
inline std::optional<std::string> EncodeCp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t out_left = out.size();
  const size_t result = iconv(cd, &in, &in_left, &dst, &out_left);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace tavrin::test_support
