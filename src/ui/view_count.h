#pragma once

#include <QtGlobal>
#include <span>

namespace tavrin {

/// How many views the message window needs to show rows of `row_heights`, top to bottom,
/// in a window `view_height` high: each view holds as many whole rows as fit, and at least
/// one. No rows need no view.
int CountViews(std::span<const qreal> row_heights, qreal view_height);

}  // namespace tavrin
