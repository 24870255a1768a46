// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "scenario/player.h"

namespace tavrin {

/// A moment of a run that play takes up in place of the opening: the engine's state then,
/// and the picture lines that leave the picture area as it was (the picture area is the
/// front end's, not the engine's). A front end hands it to `Player::Resume`.
struct ResumePoint {
  PlayerState state;
  /// Shown in order by picture lines' rules: at most the picture held then, and after it
  /// the name of a picture that did not load, which left the area black.
  std::vector<std::string> pictures;
  /// The message boxes the step that led there showed (the one that stopped the story).
  std::vector<std::string> alerts;
};

}  // namespace tavrin
