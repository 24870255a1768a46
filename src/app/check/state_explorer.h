// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "app/check/check_summary.h"
#include "app/check/exploration_watch.h"
#include "app/check/frontier.h"
#include "scenario/player.h"

namespace tavrin {

/// Follows every path of a scenario with the real engine: from the opening, every page is
/// turned, both choices are taken at every question, and every ending jump and restart is
/// followed. States that two paths reach alike are explored once, so the work follows the
/// length of the scenario rather than the number of its paths.
class StateExplorer {
 public:
  /// Past either limit the exploration stops, and says so. A real game stays far below
  /// them; a scenario whose paths keep apart (every question adding a different amount to
  /// the score) can reach them, and would otherwise take minutes and a state's page of
  /// memory for each waiting state.
  struct Limits {
    uint64_t events = 50'000'000;
    size_t waiting_states = 100'000;
    /// Once no path can reach this line any more, the exploration has done (0: it goes on
    /// to the end of every path).
    uint64_t through_line = 0;
  };

  /// `watch` must be `player`'s presentation and trace.
  StateExplorer(Player& player, ExplorationWatch& watch, Limits limits);

  /// Opens the scenario and explores it; counts the paths into `summary`.
  void Run(CheckSummary& summary);

 private:
  // One event from the live state, which ends when no path goes on from it.
  void Advance();
  void Choose();
  void EndPaths(const PathCount& count) { summary_->paths += count; }
  // Every path is past `Limits::through_line`.
  bool PastTheLine() const;

  Player& player_;
  ExplorationWatch& watch_;
  Limits limits_;
  CheckSummary* summary_ = nullptr;
  Frontier frontier_;
  ExploredState live_;  // its player state is in the player itself
  bool has_live_ = false;
};

}  // namespace tavrin
