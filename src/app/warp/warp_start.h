// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>

#include "app/warp/warp_target.h"
#include "game_files/game_folder.h"
#include "scenario/resume_point.h"

namespace tavrin {

/// Where `--warp` starts play in `game`, said on `errors` as "tavrin: line 58 is reached
/// after …"; none when no path reaches the target, said so there too.
std::optional<ResumePoint> FindWarpStart(const std::shared_ptr<GameFolder>& game,
                                         const WarpTarget& target, std::ostream& errors);

/// `tavrin --check --warp`: tells on `out` the way to the target, and plays nothing.
/// Returns the exit status: 0 when a path reaches it, 2 when none does or there is no
/// scenario to look in (said on `errors`).
int TellWarp(const std::shared_ptr<GameFolder>& game, const WarpTarget& target, std::ostream& out,
             std::ostream& errors);

}  // namespace tavrin
