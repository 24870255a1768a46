// SPDX-License-Identifier: MIT
#include "app/check/path_count.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tavrin {
namespace {

// The widest integer at hand, to check the sums against.
__extension__ typedef unsigned __int128 Wide;

std::string Decimal(Wide value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return digits;
}

PathCount PowerOfTwo(int exponent) {
  PathCount count(1);
  for (int i = 0; i < exponent; ++i) count += PathCount(count);
  return count;
}

TEST(PathCount, SumsAsExactAsWideIntegers) {
  std::mt19937_64 random(7);  // fixed: the same numbers every run
  for (int round = 0; round < 200; ++round) {
    PathCount count;
    Wide expected = 0;
    for (int i = 0; i < 50; ++i) {
      // Small numbers, numbers of a whole 32-bit limb or two, and sums of a count with itself.
      const uint64_t value = round % 3 == 0 ? random() % 1000 : random() << (random() % 40);
      if (i % 7 == 6) {
        count += PathCount(count);
        expected *= 2;
      } else {
        count += PathCount(value);
        expected += value;
      }
    }
    ASSERT_EQ(count.ToString(), Decimal(expected)) << "round " << round;
  }
  EXPECT_EQ(PathCount().ToString(), "0");
  EXPECT_TRUE(PathCount(0).IsZero());
}

TEST(PathCount, CountsFarBeyondAnyIntegerType) {
  EXPECT_EQ(PowerOfTwo(64).ToString(), "18446744073709551616");
  PathCount sum = PowerOfTwo(200);
  sum += PathCount(1);
  EXPECT_EQ(sum.ToString(), "1606938044258990275541962092341162602522202993782792835301377");
  PathCount other(1);
  other += PowerOfTwo(200);
  EXPECT_EQ(other, sum);
  PathCount mixed = PowerOfTwo(32);
  mixed += PowerOfTwo(64);
  EXPECT_EQ(mixed.ToString(), "18446744078004518912");
  const std::string big = PowerOfTwo(1000).ToString();
  EXPECT_EQ(big.size(), 302u);
  EXPECT_EQ(big.substr(big.size() - 30), "429831652624386837205668069376");
}

}  // namespace
}  // namespace tavrin
