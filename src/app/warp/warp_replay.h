// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/check/route.h"
#include "app/warp/warp_target.h"
#include "game_files/game_folder.h"
#include "scenario/player.h"

namespace tavrin {

/// A way played again: the state after the event that met the target, and the line met.
struct Replayed {
  PlayerState state;
  uint64_t line = 0;
  /// Every picture line's name on the way, in order (the same name twice in a row once).
  std::vector<std::string> pictures;
  /// The message boxes of the event that met the target.
  std::vector<std::string> alerts;
};

/// Plays `choices` again from the opening as the explorer plays a path (a click where a
/// page waits, a tick otherwise, the choices in turn), up to the end of the first event
/// that meets `target`. None when the way does not lead there by line `last_line`, such
/// as when the file changed meanwhile.
std::optional<Replayed> ReplayRoute(const std::shared_ptr<GameFolder>& game,
                                    const std::vector<Route::Choice>& choices,
                                    const WarpTarget& target, uint64_t last_line);

/// The picture lines that leave the picture area as `pictures` (shown in order) left it:
/// the last picture that loads, and after it the last name if that one did not load.
/// Loads the pictures of `game` to tell.
std::vector<std::string> PicturesLeftBy(const std::shared_ptr<GameFolder>& game,
                                        const std::vector<std::string>& pictures);

}  // namespace tavrin
