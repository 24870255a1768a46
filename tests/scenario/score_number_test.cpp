// SPDX-License-Identifier: MIT
// Reading the number of a score line and adding it to the 16-bit score.
#include "scenario/score_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tavrin {
namespace {

TEST(ScoreNumber, ReadsTheLeadingDecimalNumber) {
  struct Case {
    std::string text;
    double number;
  };
  const std::vector<Case> cases = {
      {"10", 10},
      {"0", 0},
      {"007", 7},
      // No number at all counts as 0.
      {"", 0},
      {"abc", 0},
      {" ", 0},
      {"-", 0},
      {"+", 0},
      {".", 0},
      {"-.", 0},
      // Blanks and tabs anywhere are ignored, also between the sign and the digits.
      {"1 0", 10},
      {" -5", -5},
      {"- 5", -5},
      {"\t3\t", 3},
      {"1 2 . 5", 12.5},
      {" \t 4 \t 2 ", 42},
      // A sign may lead; only one.
      {"+7", 7},
      {"-30", -30},
      {"--5", 0},
      {"+-5", 0},
      {"5-3", 5},
      {"5+", 5},
      // A fraction after a period.
      {"2.5", 2.5},
      {"-2.5", -2.5},
      {".5", 0.5},
      {"-.25", -0.25},
      {"5.", 5},
      // Reading stops at the first character that cannot continue the number.
      {"12abc", 12},
      {"1.2.3", 1.2},
      {"3,5", 3},
      {"10 points", 10},
      {"1e3", 1},
      {"1E3", 1},
      {"0x10", 0},
      {"\uFF11\uFF10", 0},  // full-width digits are not digits
      {"7\uFF10", 7},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ScoreNumber(c.text), c.number) << "\"" << c.text << "\"";
  }
}

TEST(ScoreNumber, VeryLongNumbers) {
  const std::string four_hundred_digits = "1" + std::string(399, '0');
  EXPECT_EQ(ScoreNumber(four_hundred_digits), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ScoreNumber("-" + four_hundred_digits), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ScoreNumber(four_hundred_digits + ".5"), std::numeric_limits<double>::infinity());
  EXPECT_DOUBLE_EQ(ScoreNumber("1" + std::string(300, '0')), 1e300);
  // Leading zeros do not make a number large.
  EXPECT_DOUBLE_EQ(ScoreNumber(std::string(400, '0') + "12"), 12);
  // A long run of zeros after the point.
  EXPECT_EQ(ScoreNumber("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(ScoreNumber("-0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_DOUBLE_EQ(ScoreNumber("3." + std::string(1000, '0')), 3);
  EXPECT_DOUBLE_EQ(ScoreNumber("2.5" + std::string(1000, '0')), 2.5);
  EXPECT_DOUBLE_EQ(ScoreNumber("7." + std::string(1000, '0') + "1"), 7);
  EXPECT_DOUBLE_EQ(ScoreNumber("9 . " + std::string(500, '0') + "x"), 9);
}

TEST(AddToScore, RoundsHalvesToTheEvenNeighbourAndHoldsAtTheBounds) {
  struct Case {
    int16_t score;
    double number;
    int16_t sum;
  };
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::vector<Case> cases = {
      {0, 10, 10},
      {15, -20, -5},
      {0, 2.5, 2},
      {2, 3.5, 6},
      {0, 0.5, 0},
      {0, 1.5, 2},
      {0, -0.5, 0},
      {0, -1.5, -2},
      {0, -2.5, -2},
      {1, 0.5, 2},  // 1.5
      {-3, 0.5, -2},  // -2.5
      {10, 0.4999, 10},
      {10, 0.5001, 11},
      {10, -0.5001, 9},
      {0, 0.1 + 0.2, 0},
      // The 16-bit bounds.
      {0, 32767, 32767},
      {0, -32768, -32768},
      {32767, 1, 32767},
      {32760, 100, 32767},
      {-32768, -1, -32768},
      {-32760, -100, -32768},
      {0, 32767.4, 32767},
      {0, 32767.5, 32767},   // rounds to 32768, which a score cannot hold
      {0, -32768.5, -32768},  // the even neighbour is -32768
      {0, -32768.6, -32768},
      {100, -100000, -32768},
      {0, 1e300, 32767},
      {0, -1e300, -32768},
      {0, kInf, 32767},
      {-5, -kInf, -32768},
      // Away from the bounds again after being held there.
      {32767, -1, 32766},
      {-32768, 1, -32767},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddToScore(c.score, c.number), c.sum) << c.score << " + " << c.number;
  }
}

TEST(AddToScore, ScoreLinesInSequence) {
  // "+2.5" then "+3.5" from 0: each sum is rounded before the next line adds to it.
  int16_t score = 0;
  score = AddToScore(score, ScoreNumber("2.5"));
  EXPECT_EQ(score, 2);
  score = AddToScore(score, ScoreNumber("3.5"));
  EXPECT_EQ(score, 6);
  score = AddToScore(score, ScoreNumber(" - 1 0"));
  EXPECT_EQ(score, -4);
  score = AddToScore(score, ScoreNumber("no number"));
  EXPECT_EQ(score, -4);

  // A number of 400 digits holds the score at its bound, in both directions.
  const std::string huge = "9" + std::string(399, '9');
  EXPECT_EQ(AddToScore(score, ScoreNumber(huge)), 32767);
  EXPECT_EQ(AddToScore(score, ScoreNumber("-" + huge)), -32768);
  EXPECT_EQ(AddToScore(score, ScoreNumber("0." + std::string(400, '0') + "9")), -4);
}

TEST(AddToScore, NotANumberLeavesTheScore) {
  EXPECT_EQ(AddToScore(12, std::numeric_limits<double>::quiet_NaN()), 12);
}

}  // namespace
}  // namespace tavrin
