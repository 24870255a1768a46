// SPDX-License-Identifier: MIT
#include "scenario/score_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tavrin {

double ScoreNumber(std::string_view text) {
  std::string number;
  bool negative = false;
  bool seen_sign = false;
  bool seen_point = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (!seen_sign && number.empty() && (c == '+' || c == '-')) {
      seen_sign = true;
      negative = c == '-';
      continue;
    }
    if (c >= '0' && c <= '9') {
      number.push_back(c);
      continue;
    }
    if (c == '.' && !seen_point) {
      seen_point = true;
      number.push_back(c);
      continue;
    }
    break;
  }
  if (number.empty() || number == ".") return 0.0;

  double value = 0.0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value,
                                      std::chars_format::fixed);
  if (error == std::errc::result_out_of_range) {
    // Too large when a nonzero digit stands before the point; otherwise too small to matter.
    const std::string whole = number.substr(0, number.find('.'));
    value = whole.find_first_not_of('0') != std::string::npos
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  } else if (error != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

int16_t AddToScore(int16_t score, double number) {
  const double sum = static_cast<double>(score) + number;
  if (std::isnan(sum)) return score;
  // The default rounding mode sends halves to the even neighbour.
  const double rounded = std::nearbyint(sum);
  if (rounded <= std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  if (rounded >= std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(rounded);
}

}  // namespace tavrin
