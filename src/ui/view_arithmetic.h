// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <vector>

namespace tavrin {

/// How the rows of a page are shown when they do not all fit the message window: in views,
/// top to bottom, each as many whole rows as fit. Pure arithmetic on the rows' heights (in
/// pixels, in the order the rows are read) and the window's height.

/// The row after the last one of the view that starts at row `first`: as many whole rows
/// as fit in `height`, and at least one, so that a row taller than the window still shows.
/// Returns `first` when there is no row at `first`.
int ViewEnd(std::span<const double> row_heights, int first, double height);

/// The first row of every view of a page whose rows are all known; {0} for a page of one
/// view, and for a page with no rows at all.
std::vector<int> ViewStarts(std::span<const double> row_heights, double height);

/// How many views the rows need; none for no rows.
int CountViews(std::span<const double> row_heights, double height);

}  // namespace tavrin
