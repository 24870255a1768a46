#include "ui/view_count.h"

namespace tavrin {
namespace {

// Heights are sums of fractional pixels; a rounding error must not push out a row that fits.
constexpr qreal kTolerance = 1.0 / 64;

}  // namespace

int CountViews(std::span<const qreal> row_heights, qreal view_height) {
  int views = 0;
  qreal used = 0;
  for (size_t row = 0; row < row_heights.size(); ++row) {
    // A view is started by its first row, whatever its height, and ends before a row that
    // would not fit whole.
    if (row == 0 || used + row_heights[row] > view_height + kTolerance) {
      ++views;
      used = 0;
    }
    used += row_heights[row];
  }
  return views;
}

}  // namespace tavrin
