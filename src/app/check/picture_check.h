// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>

#include "picture/picture_holder.h"
#include "game_files/game_folder.h"

namespace tavrin {

/// The pictures a scenario names, looked up and decoded by the player's own picture holder,
/// each once.
class PictureCheck {
 public:
  enum class State { Shows, Missing, Broken };
  struct Result {
    State state = State::Missing;
    std::string file;  // the file the player found for the name, relative to the game folder
  };

  explicit PictureCheck(std::shared_ptr<GameFolder> game);

  /// The picture named `name` on a picture line (not empty).
  const Result& Check(const std::string& name);

  uint64_t Shown() const { return shown_; }
  uint64_t NotShown() const { return not_shown_; }

 private:
  std::shared_ptr<GameFolder> game_;
  PictureHolder holder_;
  std::unordered_map<std::string, Result> checked_;
  uint64_t shown_ = 0;
  uint64_t not_shown_ = 0;
};

}  // namespace tavrin
