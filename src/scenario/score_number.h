// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

namespace tavrin {

/// Reads the number after a "+": blanks and tabs anywhere are ignored, an optional sign may
/// lead, a fraction may follow a period, and reading stops at the first character that
/// cannot continue the number. Text that begins with no number reads as 0. Never throws;
/// a number too large for a double reads as an infinity of its sign.
double ScoreNumber(std::string_view text);

/// `score` + `number`, rounded to an integer with halves going to the even neighbour, held
/// at the bounds of a 16-bit score instead of overflowing.
int16_t AddToScore(int16_t score, double number);

}  // namespace tavrin
