// SPDX-License-Identifier: MIT
#include "ui/view_arithmetic.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrin {
namespace {

struct ViewCase {
  const char* what;
  std::vector<double> heights;
  double window;
  std::vector<int> starts;  // the first row of each view
};

const ViewCase kViewCases[] = {
    {"no rows", {}, 100, {0}},
    {"one row", {20}, 100, {0}},
    {"rows that fill the window exactly", {20, 20, 20, 20, 20}, 100, {0}},
    {"one row too many", {20, 20, 20, 20, 20, 20}, 100, {0, 5}},
    {"the last view holds the rest", {20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20}, 100, {0, 5, 10}},
    {"only whole rows: a part of a row never shows", {30, 30, 30, 30}, 100, {0, 3}},
    {"fractional heights summing to the window", {33.3, 33.3, 33.4, 33.3}, 100, {0, 3}},
    {"a rounding error does not push out a row", {0.1, 0.2, 99.7}, 100, {0}},
    {"a taller row starts a view of its own", {20, 20, 80, 20, 20}, 100, {0, 2, 4}},
    {"a row taller than the window is a view alone", {20, 150, 20}, 100, {0, 1, 2}},
    {"a window lower than any row: a row a view", {20, 20, 20}, 5, {0, 1, 2}},
    {"the leading empty row counts like any other", {31, 31, 31, 31}, 93, {0, 3}},
    // A page of ten long lines at 1920x1080: an empty row and ten lines wrapping to two
    // rows each, 31-pixel rows in a 240-pixel window.
    {"21 rows of 31 in 240", std::vector<double>(21, 31), 240, {0, 7, 14}},
};

TEST(ViewArithmetic, ViewsHoldAsManyWholeRowsAsFitAndAtLeastOne) {
  for (const ViewCase& c : kViewCases) {
    EXPECT_EQ(ViewStarts(c.heights, c.window), c.starts) << c.what;
    EXPECT_EQ(CountViews(c.heights, c.window), c.heights.empty() ? 0 : c.starts.size()) << c.what;
    // Each view ends where the next begins, and the last one at the last row.
    for (size_t v = 0; v < c.starts.size(); ++v) {
      const int end =
          v + 1 < c.starts.size() ? c.starts[v + 1] : static_cast<int>(c.heights.size());
      EXPECT_EQ(ViewEnd(c.heights, c.starts[v], c.window), end) << c.what << ", view " << v;
    }
  }
}

TEST(ViewArithmetic, AViewStartingPastTheRowsIsEmpty) {
  const std::vector<double> heights = {20, 20};
  EXPECT_EQ(ViewEnd(heights, 2, 100), 2);
  EXPECT_EQ(ViewEnd(heights, 7, 100), 7);
}

}  // namespace
}  // namespace tavrin
