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
#include "scenario/resume_point.h"

namespace tavrin {

/// Where play starts for a target, as the explorer of `--check` found it.
struct Warp {
  /// Whether some path meets the target; then `start` is the state the game reaches there.
  bool reached = false;
  /// The line met (a label's own line, for a branch).
  uint64_t line = 0;
  /// The way there: a path with the fewest choices.
  std::vector<Route::Choice> choices;
  /// The moment after the step that met the target: the state then, and its picture.
  ResumePoint start;
  /// For a line no path reaches: the nearest lines that some path does reach, before and
  /// after it (0: none); and the number of lines of the file, which may hold fewer.
  uint64_t before = 0;
  uint64_t after = 0;
  uint64_t lines = 0;
  /// For a label no path takes: the line of the first label line written so (0: none).
  uint64_t label_line = 0;
  /// The search stopped at the explorer's limit: a way with fewer choices may exist, or
  /// one at all.
  bool cut_short = false;
  /// Why nothing could be searched: dat.dat is missing or does not open (empty otherwise).
  std::string failure;
};

/// Looks for the target along every path of `game`'s scenario, with the engine that plays
/// it, and plays the way found to it again to take the state there. Reads the scenario
/// and, for the picture shown there, the pictures; shows and writes nothing.
Warp FindWarp(const std::shared_ptr<GameFolder>& game, const WarpTarget& target);

/// `FindWarp` for `line`, or for the nearest line before it that a path reaches when none
/// reaches it (a line taken out of the scenario, or a branch cut off).
Warp FindWarpAtOrBefore(const std::shared_ptr<GameFolder>& game, uint64_t line);

}  // namespace tavrin
