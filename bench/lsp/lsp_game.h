// SPDX-License-Identifier: MIT
#pragma once

// A long game open in an editor, for the language server's benchmarks: the checker's clean
// game, its scenario as the editor holds it, and the messages that open and change it.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "bench_scenarios.h"

namespace tavrin::bench {

class EditedGame {
 public:
  /// Writes a clean game of about `lines` lines and reads its scenario back as UTF-8.
  explicit EditedGame(uint64_t lines);

  uint64_t Lines() const { return lines_; }
  const std::string& Uri() const { return uri_; }

  nlohmann::json Initialize() const;
  nlohmann::json Open() const;
  /// Change `version` (from 2): a text line in the middle of the scenario written anew,
  /// each version with other words, the game left clean.
  nlohmann::json Change(int64_t version) const;

 private:
  GameFolder folder_;
  uint64_t lines_ = 0;
  std::string text_;
  std::string uri_;
  uint64_t changed_line_ = 0;  // from 0
};

}  // namespace tavrin::bench
