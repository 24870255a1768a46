// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace tavrin {

/// The font of the message window and the choice buttons at `points`: Japanese typefaces
/// first, so that Han characters take their Japanese shapes.
QFont TextFont(int points);

/// The space kept free on the left and on the right of the message window's text.
int TextSideMargin(const QFont& font);

}  // namespace tavrin
