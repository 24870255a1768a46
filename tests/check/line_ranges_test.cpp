// SPDX-License-Identifier: MIT
#include "app/check/line_ranges.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace tavrin {
namespace {

// Lines come in any order (paths alternate, and one path's skip is another's text): the
// ranges must always be the runs of consecutive lines of the set, merged.
TEST(LineRanges, KeepTheRunsOfTheLinesAddedInAnyOrder) {
  std::mt19937 random(20240601);  // fixed: the same lines every run
  for (int round = 0; round < 200; ++round) {
    LineRanges ranges;
    std::set<uint64_t> lines;
    std::uniform_int_distribution<uint64_t> line(1, 60);
    for (int i = 0; i < 40; ++i) {
      // Runs forward from a line, as a path reads, and single lines anywhere.
      uint64_t start = line(random);
      for (uint64_t n = start; n < start + random() % 5; ++n) {
        ranges.Add(n);
        lines.insert(n);
      }
    }
    std::vector<std::pair<uint64_t, uint64_t>> expected;
    for (uint64_t n : lines) {
      if (!expected.empty() && expected.back().second + 1 == n) {
        expected.back().second = n;
      } else {
        expected.emplace_back(n, n);
      }
    }
    ASSERT_EQ(ranges.Ranges(), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace tavrin
