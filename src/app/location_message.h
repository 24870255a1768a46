// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "game_files/game_location.h"

namespace tavrin {

/// What the window says of a game that cannot be played: `location.error` worded in the
/// reader's language by the translations installed (the same English sentence without one).
QString LocationMessage(const GameLocation& location);

}  // namespace tavrin
