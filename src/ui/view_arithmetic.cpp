// SPDX-License-Identifier: MIT
#include "ui/view_arithmetic.h"

namespace tavrin {
namespace {

// Heights are sums of fractional pixels; a rounding error must not push out a row that fits.
constexpr double kTolerance = 1.0 / 64;

}  // namespace

int ViewEnd(std::span<const double> row_heights, int first, double height) {
  const int count = static_cast<int>(row_heights.size());
  if (first < 0 || first >= count) return first;
  double used = row_heights[first];
  int end = first + 1;
  while (end < count && used + row_heights[end] <= height + kTolerance) used += row_heights[end++];
  return end;
}

std::vector<int> ViewStarts(std::span<const double> row_heights, double height) {
  std::vector<int> starts = {0};
  const int count = static_cast<int>(row_heights.size());
  for (int end = ViewEnd(row_heights, 0, height); end < count;
       end = ViewEnd(row_heights, end, height)) {
    starts.push_back(end);
  }
  return starts;
}

int CountViews(std::span<const double> row_heights, double height) {
  return row_heights.empty() ? 0 : static_cast<int>(ViewStarts(row_heights, height).size());
}

}  // namespace tavrin
