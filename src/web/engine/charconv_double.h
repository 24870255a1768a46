// SPDX-License-Identifier: MIT
// Included ahead of every file of the browser's build. Its C++ library (emscripten 3.1.6's
// libc++ 14) has std::from_chars for integers only; this gives the engine the one for
// doubles it reads score numbers with, over strtod, which the build's C library has. The
// score reader hands it digits with at most one point ("fixed"), where the two agree.
#pragma once

#ifdef __cplusplus
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>

namespace std {

inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format) {
  const string text(first, last);
  char* end = nullptr;
  errno = 0;
  const double read = strtod(text.c_str(), &end);
  const size_t used = static_cast<size_t>(end - text.c_str());
  if (used == 0) return {first, errc::invalid_argument};
  if (errno == ERANGE) return {first + used, errc::result_out_of_range};
  value = read;
  return {first + used, errc()};
}

}  // namespace std
#endif
